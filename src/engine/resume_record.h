// The resume record kept at the end of a temporary package file: the ranges
// still missing, so that an interrupted download goes on where it stopped.
//
//   offset 0            the package bytes at their final offsets
//   total size          N entries of 16 bytes: start, end (inclusive), each
//                       a signed 64-bit little-endian number
//   total + 16 x N      N, signed 64-bit little-endian; the file ends here
#ifndef QEL_ENGINE_RESUME_RECORD_H_
#define QEL_ENGINE_RESUME_RECORD_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/engine_timing.h"

namespace ns_Drav {

struct ByteRange {
  int64_t start = 0;
  int64_t end = 0;  // inclusive
};

// The bytes that go after the package data: the entries, then their count.
std::string EncodeResumeRecord(const std::vector<ByteRange>& entries);

// Reads the record of `path` for a package of `totalSize` bytes into
// `entries` (start -> end). True only when the record is whole and every
// entry keeps the rules (start <= end, both <= total, the sum of the lengths
// not above total). Entries reaching past the package are cut to it.
bool ReadResumeRecord(const std::string& path,
                      int64_t totalSize,
                      std::map<int64_t, int64_t>* entries);

// Cuts the file back to the package size, retrying while the file is held by
// another program (up to 15 tries, the n-th waiting n retry-seconds).
void RemoveResumeRecord(const std::string& path, int64_t totalSize, const EngineTiming& timing);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_RESUME_RECORD_H_
