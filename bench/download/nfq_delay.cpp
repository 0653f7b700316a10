// Holds every packet of an NFQUEUE queue for a fixed time before letting it
// through: added latency on a kernel without netem. The benchmark queues
// the server's packets as its own network namespace receives them.
//
//   nfq_delay QUEUE DELAY_MS
//
// Built by bench/download/run.sh (g++ ... -lnetfilter_queue -lnfnetlink); not part of
// the project's build.
#include <arpa/inet.h>
#include <libnetfilter_queue/libnetfilter_queue.h>
#include <linux/netfilter.h>
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {

struct Held {
  uint32_t id;
  int64_t due_us;
};

std::deque<Held> held;  // in arrival order, so in due order too
int64_t delay_us = 0;
volatile sig_atomic_t stopping = 0;

int64_t NowUs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

int OnPacket(nfq_q_handle*, nfgenmsg*, nfq_data* data, void*) {
  nfqnl_msg_packet_hdr* header = nfq_get_msg_packet_hdr(data);
  if (header)
    held.push_back({ntohl(header->packet_id), NowUs() + delay_us});
  return 0;
}

// Packets leave in the order they came, so one batch verdict (every id up
// to the last due one) lets them all go: one call instead of one each.
void Release(nfq_q_handle* queue, bool all) {
  int64_t now = NowUs();
  bool any = false;
  uint32_t last = 0;
  while (!held.empty() && (all || held.front().due_us <= now)) {
    last = held.front().id;
    any = true;
    held.pop_front();
  }
  if (any)
    nfq_set_verdict_batch(queue, last, NF_ACCEPT);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: nfq_delay QUEUE DELAY_MS\n");
    return 2;
  }
  int queue_number = atoi(argv[1]);
  delay_us = static_cast<int64_t>(atof(argv[2]) * 1000);
  signal(SIGTERM, [](int) { stopping = 1; });
  signal(SIGINT, [](int) { stopping = 1; });

  nfq_handle* handle = nfq_open();
  if (!handle) {
    perror("nfq_open");
    return 1;
  }
  nfq_unbind_pf(handle, AF_INET);
  if (nfq_bind_pf(handle, AF_INET) < 0) {
    perror("nfq_bind_pf");
    return 1;
  }
  nfq_q_handle* queue = nfq_create_queue(handle, queue_number, &OnPacket, nullptr);
  if (!queue || nfq_set_mode(queue, NFQNL_COPY_META, 0) < 0) {
    perror("nfq_create_queue");
    return 1;
  }
  nfq_set_queue_maxlen(queue, 1 << 16);
  // A full queue lets packets through rather than dropping them: the loss
  // is the benchmark's own rule, not an accident of this program.
  nfq_set_queue_flags(queue, NFQA_CFG_F_FAIL_OPEN, NFQA_CFG_F_FAIL_OPEN);
  int fd = nfq_fd(handle);
  nfnl_rcvbufsiz(nfq_nfnlh(handle), 16 << 20);
  printf("nfq_delay: queue %d, %.1f ms\n", queue_number, delay_us / 1000.0);
  fflush(stdout);

  alignas(8) char buffer[1 << 16];
  while (!stopping) {
    int64_t wait_us = 100000;
    if (!held.empty())
      wait_us = std::max<int64_t>(0, held.front().due_us - NowUs());
    timespec wait{static_cast<time_t>(wait_us / 1000000),
                  static_cast<long>(wait_us % 1000000) * 1000};
    pollfd p{fd, POLLIN, 0};
    int ready = ppoll(&p, 1, &wait, nullptr);
    if (ready > 0) {
      // Everything waiting, without blocking.
      for (;;) {
        ssize_t n = recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n <= 0)
          break;
        nfq_handle_packet(handle, buffer, static_cast<int>(n));
      }
    }
    Release(queue, false);
  }
  Release(queue, true);
  nfq_destroy_queue(queue);
  nfq_close(handle);
  return 0;
}
