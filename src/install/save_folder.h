// Where downloaded packages are saved: the Download folder of a volume
// (root + brand + "/Download/"), the folder on the volume with the most
// free space, the InstallerStorageDirectory rule, the custom install folder
// and the disk-space checks.
#ifndef QEL_INSTALL_SAVE_FOLDER_H_
#define QEL_INSTALL_SAVE_FOLDER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The volumes the rules choose from; tests give a list of their own.
class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  // Roots of the fixed volumes, with a trailing "/", in drive order.
  virtual std::vector<std::string> FixedRoots() const = 0;
  virtual std::string SystemRoot() const = 0;
  virtual bool FreeBytes(const std::string& path, int64_t* bytes) const = 0;
  // Whether a file can be made in `folder`; `error` gets errno otherwise.
  virtual bool IsFolderWritable(const std::string& folder, int* error) const;
};

// The machine's own volumes.
class MachineVolumes : public VolumeSource {
 public:
  std::vector<std::string> FixedRoots() const override;
  std::string SystemRoot() const override;
  bool FreeBytes(const std::string& path, int64_t* bytes) const override;
};

// Creates "qel.tmp" in `folder` and deletes it again. False for an empty
// folder.
bool IsFolderWritable(const std::string& folder, int* error = nullptr);

// Folders the fallbacks use.
struct SaveFolderPlaces {
  std::string public_documents;  // for the system volume
  std::string exe_folder;        // the installer's own folder
  std::string temp_folder;       // the private temporary folder
};
SaveFolderPlaces MachineSaveFolderPlaces();

class SaveFolderRules {
 public:
  SaveFolderRules(const VolumeSource& volumes, SaveFolderPlaces places);

  // The default folder: an existing Download folder (on the system volume
  // only when no other volume has more space), else the folder on the
  // volume with most free space; then the fallbacks when it is not
  // writable.
  std::string GetSaveFolder(const std::string& brand, bool use_max_free_disk) const;
  // The Download folder on the volume with the most free space (the public
  // folder + brand on the system volume), created. Empty when no volume has
  // space.
  std::string GetMaxFreeDiskFolder(const std::string& brand) const;
  // The InstallerStorageDirectory rule ("1" max free disk, "2" system disk,
  // "3" the install folder's disk); `install_path` gives the run state's
  // InstallPath or else the custom install folder. Empty for "0" or "".
  std::string ChooseStorageFolder(const std::string& brand,
                                  const std::string& setting,
                                  const std::function<std::string()>& install_path) const;
  // Whether `folder` has room for the package, or with `include_installation`
  // for the installation too (5 times the package on the save folder's
  // volume, else 4 times).
  bool CheckInstallSpace(const std::string& folder,
                         bool include_installation,
                         int64_t package_size,
                         const std::string& config_folder) const;

  // root + brand + "/" (left out when the brand is empty) + "Download/".
  static std::string DownloadFolderOf(const std::string& root, const std::string& brand);
  // The folder exists, is a real folder owned by the effective user or root,
  // and neither it nor its brand folder can be written by others.
  static bool IsTrustedFolder(const std::string& folder, const std::string& root);

 private:
  std::string MaxFreeRoot() const;
  // Creates the Download folder of `root`; false when it cannot be made or
  // is not trusted.
  bool MakeDownloadFolder(const std::string& root,
                          const std::string& brand,
                          std::string* folder) const;
  std::string FallbackFolder(const std::string& base, const std::string& brand) const;
  std::string StorageOnRoot(const char* setting,
                            const std::string& root,
                            const std::string& brand) const;

  const VolumeSource& volumes_;
  SaveFolderPlaces places_;
};

struct CustomInstallPathInputs {
  std::string server_path;  // the server's custom_install_path
  std::string local_path;   // CustomInstallPath of the product configuration
  std::string brand;
  // The installed product's InstallPath, asked only when needed.
  std::function<std::string()> installed_path;
  // The desktop user's local application-data folder.
  std::function<std::string()> local_app_data;
};

// The configured custom installation folder, ending in "/", or empty.
std::string GetCustomInstallPath(const CustomInstallPathInputs& in);

// The path is absolute and its top folder ("/data" of "/data/Apps") exists:
// the stand-in for "its drive exists".
bool PathRootExists(const std::string& path);

#endif  // QEL_INSTALL_SAVE_FOLDER_H_
