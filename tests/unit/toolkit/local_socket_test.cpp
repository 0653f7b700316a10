#include "platform/local_socket.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "support/temp_dir.h"

TEST(LocalSocket, PeerRule) {
  EXPECT_TRUE(IsPeerAllowed(0, 1000));
  EXPECT_TRUE(IsPeerAllowed(1000, 1000));
  EXPECT_FALSE(IsPeerAllowed(1001, 1000));
  EXPECT_TRUE(IsPeerAllowed(0, 0));
  EXPECT_FALSE(IsPeerAllowed(65534, 0));
}

TEST(LocalSocket, ExchangesBytesWithAnAllowedPeer) {
  TempDir dir;
  LocalSocketServer server;
  ASSERT_TRUE(server.Listen(dir.path() + "s.sock"));
  struct stat st;
  ASSERT_EQ(stat((dir.path() + "s.sock").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::thread client([&] {
    LocalConnection c = ConnectLocalSocket(dir.path() + "s.sock");
    ASSERT_TRUE(c.valid());
    c.WriteAll("ping", 4);
    char answer[4];
    ASSERT_TRUE(c.ReadAll(answer, 4));
    EXPECT_EQ(std::string(answer, 4), "pong");
  });
  LocalConnection peer = server.Accept();
  ASSERT_TRUE(peer.valid());
  EXPECT_EQ(peer.peer_uid(), geteuid());
  EXPECT_EQ(peer.peer_pid(), getpid());
  char request[4];
  ASSERT_TRUE(peer.ReadAll(request, 4));
  EXPECT_EQ(std::string(request, 4), "ping");
  peer.WriteAll("pong", 4);
  client.join();
  server.Shutdown();
  EXPECT_FALSE(server.Accept().valid());
  EXPECT_FALSE(ConnectLocalSocket(dir.path() + "s.sock").valid());
}

TEST(LocalSocket, RefusesAnotherUser) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to run a process as another user";
  TempDir dir;
  chmod(dir.path().c_str(), 0755);
  std::string path = dir.path() + "s.sock";
  LocalSocketServer server;
  ASSERT_TRUE(server.Listen(path));
  chmod(path.c_str(), 0777);
  pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0)
      _exit(99);
    LocalConnection c = ConnectLocalSocket(path);
    if (!c.valid())
      _exit(2);
    c.WriteAll("evil", 4);
    char byte;
    // The server drops the connection without an answer.
    _exit(c.ReadAll(&byte, 1) ? 1 : 0);
  }
  std::thread own([&] {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    LocalConnection c = ConnectLocalSocket(path);
    c.WriteAll("mine", 4);
  });
  // The first connection Accept hands out is our own: the other was dropped.
  LocalConnection peer = server.Accept();
  own.join();
  ASSERT_TRUE(peer.valid());
  EXPECT_EQ(peer.peer_uid(), geteuid());
  char request[4];
  ASSERT_TRUE(peer.ReadAll(request, 4));
  EXPECT_EQ(std::string(request, 4), "mine");
}
