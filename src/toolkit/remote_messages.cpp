#include "toolkit/remote_messages.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/log.h"
#include "platform/local_socket.h"
#include "platform/session_dir.h"
#include "toolkit/message_loop.h"

namespace {

constexpr uint32_t kMagic = 0x4D4C4551;  // "QELM"
constexpr uint16_t kVersion = 1;
constexpr uint16_t kKindPost = 1;
constexpr uint16_t kKindSend = 2;
constexpr uint32_t kMaxData = 1 << 20;

struct __attribute__((packed)) FrameHeader {
  uint32_t magic;
  uint16_t version;
  uint16_t kind;
  uint64_t hwnd;
  uint64_t sender;
  uint32_t message;
  uint64_t wparam;
  int64_t lparam;
  uint64_t copy_tag;
  uint32_t size;
};

struct __attribute__((packed)) FrameReply {
  uint32_t delivered;
  int64_t result;
};

// The listener of this process. It follows the session folder: when that
// moved (a test's sandbox), the next Start listens there instead.
class Server {
 public:
  bool Start() {
    std::lock_guard<std::mutex> hold(lock_);
    std::string path = MessageSocketPath(getpid());
    if (path.empty())
      return false;
    if (socket_ && socket_->path() == path && access(path.c_str(), F_OK) == 0)
      return true;
    if (socket_)
      socket_->Shutdown();
    auto socket = std::make_shared<LocalSocketServer>();
    if (!socket->Listen(path))
      return false;
    socket_ = socket;
    std::thread([socket] { Run(socket); }).detach();  // ends when Shutdown wakes it
    return true;
  }
  void Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    if (socket_)
      socket_->Shutdown();
    socket_.reset();
  }

 private:
  static void Run(std::shared_ptr<LocalSocketServer> socket) {
    for (;;) {
      LocalConnection peer = socket->Accept();
      if (!peer.valid())
        return;
      Serve(peer);
    }
  }
  static void Serve(LocalConnection& peer) {
    FrameHeader header;
    if (!peer.ReadAll(&header, sizeof(header)) || header.magic != kMagic ||
        header.version != kVersion || header.size > kMaxData) {
      LOG_WARN("[WARN] RemoteMessage, bad frame from pid=[%d]", peer.peer_pid());
      return;
    }
    std::vector<char> data(header.size);
    if (header.size && !peer.ReadAll(data.data(), data.size()))
      return;
    bool is_send = header.kind == kKindSend;
    FrameReply reply{0, 0};
    if ((header.kind == kKindPost || is_send) && IsLocalWindowHandle(header.hwnd) &&
        FindMessageTarget(header.hwnd) && IsRemoteMessageAllowed(header.message, is_send)) {
      reply.delivered = 1;
      if (!is_send) {
        reply.delivered = PostMessage(header.hwnd, header.message, header.wparam, header.lparam);
      } else if (header.message == WM_COPYDATA) {
        COPYDATASTRUCT copy;
        copy.dwData = header.copy_tag;
        copy.cbData = header.size;
        copy.lpData = data.data();
        reply.result =
            SendMessage(header.hwnd, WM_COPYDATA, header.sender, reinterpret_cast<LPARAM>(&copy));
      } else {
        reply.result = SendMessage(header.hwnd, header.message, header.wparam, header.lparam);
      }
    } else {
      LOG_WARN("[WARN] RemoteMessage, refused msg=[0x%x] for hwnd=[%llx] from pid=[%d]",
               header.message, static_cast<unsigned long long>(header.hwnd), peer.peer_pid());
    }
    peer.WriteAll(&reply, sizeof(reply));
  }

  std::mutex lock_;
  std::shared_ptr<LocalSocketServer> socket_;
};

Server& TheServer() {
  static Server* server = new Server();  // its thread may outlive static destruction
  return *server;
}

bool Transact(uint16_t kind,
              HWND hwnd,
              UINT message,
              WPARAM wparam,
              LPARAM lparam,
              LRESULT* result) {
  FrameHeader header{};
  header.magic = kMagic;
  header.version = kVersion;
  header.kind = kind;
  header.hwnd = hwnd;
  header.message = message;
  header.wparam = wparam;
  header.lparam = lparam;
  const void* data = nullptr;
  if (message == WM_COPYDATA) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    if (!copy || copy->cbData > kMaxData || (copy->cbData && !copy->lpData))
      return false;
    header.sender = wparam;
    header.wparam = 0;
    header.lparam = 0;
    header.copy_tag = copy->dwData;
    header.size = copy->cbData;
    data = copy->lpData;
  }
  std::string path = MessageSocketPath(ProcessOfWindow(hwnd));
  LocalConnection connection = ConnectLocalSocket(path);
  if (!connection.valid())
    return false;
  FrameReply reply{};
  if (!connection.WriteAll(&header, sizeof(header)) ||
      (header.size && !connection.WriteAll(data, header.size)) ||
      !connection.ReadAll(&reply, sizeof(reply)))
    return false;
  if (result)
    *result = reply.result;
  return reply.delivered != 0;
}

}  // namespace

std::string MessageSocketPath(pid_t pid) {
  std::string folder = SessionDir();
  if (folder.empty())
    return {};
  return folder + "msg-" + std::to_string(pid) + ".sock";
}

bool StartMessageServer() {
  return TheServer().Start();
}

void StopMessageServer() {
  TheServer().Stop();
}

bool IsRemoteMessageAllowed(UINT message, bool is_send) {
  if (message == WM_COPYDATA)
    return is_send;
  return message >= WM_USER || message == WM_NULL || message == WM_CLOSE || message == WM_COMMAND ||
         message == WM_SYSCOMMAND || message == WM_QEL_ACTIVATE;
}

bool RemotePostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!IsRemoteMessageAllowed(message, false))
    return false;
  return Transact(kKindPost, hwnd, message, wparam, lparam, nullptr);
}

LRESULT RemoteSendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!IsRemoteMessageAllowed(message, true))
    return 0;
  LRESULT result = 0;
  Transact(kKindSend, hwnd, message, wparam, lparam, &result);
  return result;
}
