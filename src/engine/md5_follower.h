// Hashes a package file front to back while its ranges are still arriving.
// It reads back from the file only bytes the downloader reports as written,
// so when the last range lands the file's digest is ready, instead of
// costing a second pass over the whole file after the transfer.
#ifndef QEL_ENGINE_MD5_FOLLOWER_H_
#define QEL_ENGINE_MD5_FOLLOWER_H_

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "foundation/digest.h"

namespace ns_Drav {

class Md5Follower {
 public:
  // Follows the first `total` bytes of `path`.
  Md5Follower(const std::string& path, int64_t total);
  ~Md5Follower();
  Md5Follower(const Md5Follower&) = delete;
  Md5Follower& operator=(const Md5Follower&) = delete;

  // False when the file can't be read or the thread can't start.
  bool Start();
  // Every byte before `offset` is in the file for good.
  void Advance(int64_t offset);
  // Waits until all `total` bytes are hashed and returns the digest in
  // upper-case hex; empty when that can't happen (read error, or Advance
  // never reached the end).
  std::string Finish();

 private:
  void Run();

  std::string path_;
  int64_t total_;
  int fd_ = -1;
  std::mutex lock_;
  std::condition_variable wake_;
  int64_t target_ = 0;   // guarded by lock_
  int64_t hashed_ = 0;   // guarded by lock_
  bool failed_ = false;  // guarded by lock_
  bool stop_ = false;    // guarded by lock_
  Digest md5_{Digest::kMd5};
  std::string digest_;
  std::thread thread_;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_MD5_FOLLOWER_H_
