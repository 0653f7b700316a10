#include "platform/local_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "foundation/log.h"
#include "platform/transfer_all.h"

namespace {

constexpr int kIoTimeoutSeconds = 5;

bool FillAddress(const std::string& path, sockaddr_un* addr) {
  memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(addr->sun_path))
    return false;
  memcpy(addr->sun_path, path.data(), path.size());
  return true;
}

void SetTimeouts(int fd) {
  timeval tv{kIoTimeoutSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
}

}  // namespace

bool IsPeerAllowed(uid_t peer, uid_t self) {
  return peer == 0 || peer == self;
}

LocalConnection::LocalConnection(int fd) : fd_(fd) {}

LocalConnection::~LocalConnection() {
  Close();
}

LocalConnection::LocalConnection(LocalConnection&& other) noexcept {
  *this = std::move(other);
}

LocalConnection& LocalConnection::operator=(LocalConnection&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    peer_pid_ = other.peer_pid_;
    peer_uid_ = other.peer_uid_;
  }
  return *this;
}

void LocalConnection::Close() {
  if (fd_ >= 0)
    close(fd_);
  fd_ = -1;
}

bool LocalConnection::ReadAll(void* data, size_t size) {
  return TransferAll(static_cast<char*>(data), size,
                     [this](char* at, size_t left) { return read(fd_, at, left); });
}

bool LocalConnection::WriteAll(const void* data, size_t size) {
  return TransferAll(static_cast<const char*>(data), size, [this](const char* at, size_t left) {
    return send(fd_, at, left, MSG_NOSIGNAL);
  });
}

LocalConnection ConnectLocalSocket(const std::string& path) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr))
    return {};
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return {};
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    close(fd);
    return {};
  }
  SetTimeouts(fd);
  return LocalConnection(fd);
}

LocalSocketServer::~LocalSocketServer() {
  Shutdown();
  if (listen_fd_ >= 0)
    close(listen_fd_);
  for (int fd : wake_)
    if (fd >= 0)
      close(fd);
}

bool LocalSocketServer::Listen(const std::string& path) {
  sockaddr_un addr;
  if (listen_fd_ >= 0 || !FillAddress(path, &addr)) {
    LOG_ERROR("[ERROR] LocalSocketServer, bad path=[%s]", path.c_str());
    return false;
  }
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
    return false;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  // A socket file left by a process that died would block the bind.
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
    unlink(path.c_str());
  mode_t old_mask = umask(0177);
  int bound = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  umask(old_mask);
  if (bound != 0 || listen(fd, 16) != 0) {
    LOG_ERROR("[ERROR] LocalSocketServer, bind failed, path=[%s], errno=[%d]", path.c_str(), errno);
    close(fd);
    return false;
  }
  listen_fd_ = fd;
  path_ = path;
  return true;
}

LocalConnection LocalSocketServer::Accept() {
  while (listen_fd_ >= 0) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      return {};
    }
    if (fds[1].revents)
      return {};
    if (!(fds[0].revents & POLLIN))
      continue;
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
      continue;
    ucred cred{};
    socklen_t len = sizeof(cred);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 ||
        !IsPeerAllowed(cred.uid, geteuid())) {
      LOG_WARN("[WARN] LocalSocketServer, peer refused, pid=[%d], uid=[%d]", cred.pid,
               static_cast<int>(cred.uid));
      close(fd);
      continue;
    }
    SetTimeouts(fd);
    LocalConnection connection(fd);
    connection.peer_pid_ = cred.pid;
    connection.peer_uid_ = cred.uid;
    return connection;
  }
  return {};
}

void LocalSocketServer::Shutdown() {
  if (wake_[1] >= 0) {
    char byte = 1;
    (void)!write(wake_[1], &byte, 1);
  }
  if (!path_.empty()) {
    unlink(path_.c_str());
    path_.clear();
  }
}
