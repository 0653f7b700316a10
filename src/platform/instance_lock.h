// The single-instance lock: a lock file held with flock, so the kernel
// releases it when the process dies, however it dies.
#ifndef QEL_PLATFORM_INSTANCE_LOCK_H_
#define QEL_PLATFORM_INSTANCE_LOCK_H_

#include <string>
#include <string_view>

class InstanceLock {
 public:
  enum Result { kAcquired, kHeldElsewhere, kFailed };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock called `name` in <sysroot>/run/qel/ (the private
  // temporary folder when that cannot be made). `error` gets errno on
  // kFailed.
  Result Acquire(std::string_view name, int* error);
  void Release();
  bool Held() const { return fd_ >= 0; }
  // The lock file of `name`.
  static std::string PathFor(std::string_view name);

 private:
  int fd_ = -1;
};

#endif  // QEL_PLATFORM_INSTANCE_LOCK_H_
