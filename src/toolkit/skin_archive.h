// The skin archive: a zip file (normally a resource of the executable) from
// which every markup file and image is read by name.
#ifndef QEL_TOOLKIT_SKIN_ARCHIVE_H_
#define QEL_TOOLKIT_SKIN_ARCHIVE_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class SkinArchive {
 public:
  // Entries never inflate beyond this; a bigger one is refused, not read.
  static constexpr size_t kMaxEntrySize = 64u << 20;

  SkinArchive();
  ~SkinArchive();
  SkinArchive(const SkinArchive&) = delete;
  SkinArchive& operator=(const SkinArchive&) = delete;

  // Takes the archive bytes. False (and logged) when they are not a readable
  // zip file: empty, truncated, no central directory.
  bool Open(std::string bytes);
  bool OpenFile(const std::string& path);
  bool is_open() const { return zip_ != nullptr; }

  // The whole entry `name`. False when it is missing, damaged (bad data or
  // checksum) or larger than kMaxEntrySize; the reason is logged.
  bool ReadFile(const std::string& name, std::string* data) const;
  bool Contains(const std::string& name) const;
  std::vector<std::string> ListNames() const;

  // The archive bytes as the zip reader walks them.
  struct Stream;

 private:
  std::string bytes_;
  std::unique_ptr<Stream> stream_;
  void* zip_ = nullptr;
  mutable std::mutex lock_;
};

// The process's skin: what windows read their markup and images from.
// LoadSkin replaces it; an archive that cannot be read leaves no skin, so
// windows show no content.
bool LoadSkin(std::string bytes);
bool LoadSkinFile(const std::string& path);
const SkinArchive* CurrentSkin();
// The installer's skin: resource ZIPRES/133 of the own executable, with the
// executable's other resources ("PNG/136") for the markup's res images.
// False, with no skin loaded, when the resource is missing, empty or broken.
bool LoadSkinFromOwnResources();
// Reads `name` from the current skin.
bool ReadSkinFile(const std::string& name, std::string* data);

// Resources of the executable that markup names by "res" and "restype"
// ("res='136' restype='PNG'"). Whoever knows where resources live installs
// the reader; without one such images draw nothing.
using ResourceReader =
    std::function<bool(const std::string& type, const std::string& id, std::string* data)>;
void SetResourceReader(ResourceReader reader);
bool ReadResource(const std::string& type, const std::string& id, std::string* data);

#endif  // QEL_TOOLKIT_SKIN_ARCHIVE_H_
