// The MD5 digest of a package file and the match against the accepted list.
#ifndef QEL_ENGINE_FILE_MD5_H_
#define QEL_ENGINE_FILE_MD5_H_

#include <string>

namespace ns_Drav {

// The MD5 of the whole file as 32 upper-case hex digits, read streaming;
// empty when the file can't be opened or read.
std::string FileMd5(const std::string& path);

// Whether `digest` is one of the digests of `accepted` (separated by ",",
// blanks around them ignored, case ignored). An empty digest never matches.
bool Md5ListContains(const std::string& accepted, const std::string& digest);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_FILE_MD5_H_
