// Unix-domain stream sockets between processes of one desktop session. The
// server accepts a peer only when it runs as root or as our own user.
#ifndef QEL_PLATFORM_LOCAL_SOCKET_H_
#define QEL_PLATFORM_LOCAL_SOCKET_H_

#include <sys/types.h>

#include <cstddef>
#include <string>

// True when a peer running as `peer` may talk to a process running as `self`.
bool IsPeerAllowed(uid_t peer, uid_t self);

// One connected socket; closes it when destroyed. Reads and writes give up
// after a few seconds so that a stalled peer cannot hold a thread forever.
class LocalConnection {
 public:
  LocalConnection() = default;
  explicit LocalConnection(int fd);
  ~LocalConnection();
  LocalConnection(LocalConnection&& other) noexcept;
  LocalConnection& operator=(LocalConnection&& other) noexcept;
  LocalConnection(const LocalConnection&) = delete;
  LocalConnection& operator=(const LocalConnection&) = delete;

  bool valid() const { return fd_ >= 0; }
  pid_t peer_pid() const { return peer_pid_; }
  uid_t peer_uid() const { return peer_uid_; }

  // Whole buffers or failure (peer gone, timeout).
  bool ReadAll(void* data, size_t size);
  bool WriteAll(const void* data, size_t size);
  void Close();

 private:
  friend class LocalSocketServer;
  int fd_ = -1;
  pid_t peer_pid_ = 0;
  uid_t peer_uid_ = static_cast<uid_t>(-1);
};

// Connects to the server at `path`; an invalid connection on failure.
LocalConnection ConnectLocalSocket(const std::string& path);

class LocalSocketServer {
 public:
  LocalSocketServer() = default;
  ~LocalSocketServer();
  LocalSocketServer(const LocalSocketServer&) = delete;
  LocalSocketServer& operator=(const LocalSocketServer&) = delete;

  // Binds `path` (a stale socket file there is replaced) with mode 0600.
  bool Listen(const std::string& path);
  // Waits for the next allowed peer. A peer of another user is logged and
  // dropped. Returns an invalid connection once Shutdown was called.
  LocalConnection Accept();
  // Wakes a blocked Accept and makes every later one fail; removes the file.
  void Shutdown();
  const std::string& path() const { return path_; }

 private:
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};
  std::string path_;
};

#endif  // QEL_PLATFORM_LOCAL_SOCKET_H_
