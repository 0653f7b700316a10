// Files by descriptor, for the download engine's positioned writes. Every
// failure is reported as the Windows error number that the engine's logic
// and log lines use (see SystemErrorFromErrno).
#ifndef QEL_PLATFORM_FILE_IO_H_
#define QEL_PLATFORM_FILE_IO_H_

#include <cstddef>
#include <cstdint>
#include <string>

enum SystemError : int {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorSharingViolation = 32,
  kErrorInvalidParameter = 87,
  kErrorDiskFull = 112,
  kErrorNegativeSeek = 131,
  kErrorAlreadyExists = 183,
  kErrorFilenameTooLong = 206,
  kErrorIoDevice = 1117,
  kErrorUserMappedFile = 1224,
};

// The Windows error number for an errno value. Values without a Windows
// counterpart keep their errno under the customer bit (0x20000000 | errno),
// so that they never pass for one of the numbers above.
int SystemErrorFromErrno(int error);

enum class FileOpen {
  kCreateAlways,       // write only; created or emptied
  kExistingReadWrite,  // must exist
  kExistingRead,       // must exist
};

// A descriptor for `path`, or -1 with `*error` set. Descriptors are closed on
// exec, and a symbolic link in the last component is refused.
int OpenFile(const std::string& path, FileOpen how, int* error);
int CloseFile(int fd);

// Reserves `size` bytes on the volume for the file, so that a full disk shows
// now (kErrorDiskFull) rather than at some later write.
int AllocateFile(int fd, int64_t size);
// Cuts or extends the file to `size` bytes.
int SetFileEnd(int fd, int64_t size);

// Writes all `length` bytes at `offset`; partial writes are continued.
int WriteFileAt(int fd, int64_t offset, const void* data, size_t length);
// Reads up to `length` bytes at `offset` into `data`; `*done` says how many.
int ReadFileAt(int fd, int64_t offset, void* data, size_t length, size_t* done);

// Writes the file's data to the device and waits for it.
int SyncFileData(int fd);
// Starts writing a byte range to the device without waiting, so that a
// later SyncFileData has little left to do.
void StartFileWriteback(int fd, int64_t offset, int64_t length);

int RenameFile(const std::string& from, const std::string& to);
int DeleteFile(const std::string& path);
bool FileExists(const std::string& path);
// Size of the file at `path`, -1 when it can't be read.
int64_t GetFileSizeAt(const std::string& path);
// Size of an open file, -1 on failure.
int64_t GetFileSize(int fd);

#endif  // QEL_PLATFORM_FILE_IO_H_
