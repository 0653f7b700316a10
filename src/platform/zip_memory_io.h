// minizip file functions over a byte buffer, so that archives are read and
// built in memory: the resource archive and the skin archive.
#ifndef QEL_PLATFORM_ZIP_MEMORY_IO_H_
#define QEL_PLATFORM_ZIP_MEMORY_IO_H_

#include <ioapi.h>

#include <string>
#include <string_view>

// One buffer that minizip opens as its "file". Reading works on `input`;
// writing builds `output`.
struct ZipMemoryFile {
  std::string_view input;
  std::string output;
  size_t position = 0;
  bool writing = false;
};

// Fills `def` so that minizip's open of any name opens `file`.
void FillZipMemoryFunctions(ZipMemoryFile* file, zlib_filefunc64_def* def);

#endif  // QEL_PLATFORM_ZIP_MEMORY_IO_H_
