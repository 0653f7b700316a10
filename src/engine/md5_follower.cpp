#include "engine/md5_follower.h"

#include <algorithm>
#include <system_error>

#include "platform/file_io.h"

namespace ns_Drav {

namespace {

constexpr size_t kBlock = 1 << 20;

}  // namespace

Md5Follower::Md5Follower(const std::string& path, int64_t total) : path_(path), total_(total) {}

Md5Follower::~Md5Follower() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable())
    thread_.join();
  if (fd_ >= 0)
    CloseFile(fd_);
}

bool Md5Follower::Start() {
  int error = 0;
  fd_ = OpenFile(path_, FileOpen::kExistingRead, &error);
  if (fd_ < 0)
    return false;
  try {
    thread_ = std::thread(&Md5Follower::Run, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void Md5Follower::Advance(int64_t offset) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    target_ = std::max(target_, std::min(offset, total_));
  }
  wake_.notify_all();
}

std::string Md5Follower::Finish() {
  std::unique_lock<std::mutex> hold(lock_);
  if (!thread_.joinable())
    return std::string();
  wake_.wait(hold, [this] { return failed_ || hashed_ == total_ || target_ < total_; });
  if (failed_ || hashed_ != total_)
    return std::string();
  return digest_;
}

void Md5Follower::Run() {
  std::unique_ptr<char[]> block(new char[kBlock]);
  std::unique_lock<std::mutex> hold(lock_);
  while (!stop_ && !failed_ && hashed_ < total_) {
    if (hashed_ >= target_) {
      wake_.wait(hold, [this] { return stop_ || hashed_ < target_; });
      continue;
    }
    int64_t offset = hashed_;
    size_t length = static_cast<size_t>(std::min<int64_t>(kBlock, target_ - hashed_));
    hold.unlock();
    size_t done = 0;
    bool ok =
        ReadFileAt(fd_, offset, block.get(), length, &done) == kErrorSuccess && done == length;
    if (ok) {
      md5_.Update(block.get(), length);
      // The bytes are final: let the device have them now rather than all
      // at the final flush.
      StartFileWriteback(fd_, offset, static_cast<int64_t>(length));
    }
    hold.lock();
    if (ok)
      hashed_ += static_cast<int64_t>(length);
    else
      failed_ = true;
  }
  if (!failed_ && hashed_ == total_)
    digest_ = ToHex(md5_.Final(), true);
  hold.unlock();
  wake_.notify_all();
}

}  // namespace ns_Drav
