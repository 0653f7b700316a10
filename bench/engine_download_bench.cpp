// One download of a large file from the test world (testing/world), timed.
//
//   engine_download_bench --state STATE.json [--mib N] [--rate BYTES_PER_SECOND]
//                         [--no-md5] [--https] [--out FOLDER]
//
// Makes the file in the world's root when it is missing, switches the
// world's per-connection rate limit on when asked, downloads the file with
// CMultiDownloader as the installer does (24 connections, digest checked)
// and prints the times of the phases. bench/engine_download.sh runs it
// against a world of its own.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "engine/curl_request.h"
#include "engine/curl_setup.h"
#include "engine/download_status.h"
#include "engine/multi_downloader.h"
#include "foundation/digest.h"
#include "foundation/json_object.h"
#include "foundation/log.h"
#include "foundation/path.h"
#include "platform/file_io.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string state;
  int64_t mib = 512;
  int64_t rate = 0;
  bool md5 = true;
  bool https = false;
  std::string out = "/tmp/qel-engine-bench/";
  std::string log;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--state")
      options->state = value();
    else if (arg == "--mib")
      options->mib = atoll(value().c_str());
    else if (arg == "--rate")
      options->rate = atoll(value().c_str());
    else if (arg == "--no-md5")
      options->md5 = false;
    else if (arg == "--https")
      options->https = true;
    else if (arg == "--out")
      options->out = value() + "/";
    else if (arg == "--log")
      options->log = value();
    else
      return false;
  }
  return !options->state.empty() && options->mib > 0;
}

std::string ReadText(const std::string& path) {
  std::string text;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof(block), f)) > 0)
      text.append(block, n);
    fclose(f);
  }
  return text;
}

// Pseudo-random bytes, so that nothing on the way can compress them.
std::string MakeFile(const std::string& path, int64_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f)
    return "";
  Digest md5(Digest::kMd5);
  std::vector<uint64_t> block(1 << 17);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (int64_t left = size; left > 0;) {
    for (uint64_t& word : block) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      word = x;
    }
    size_t n = static_cast<size_t>(std::min<int64_t>(left, block.size() * 8));
    fwrite(block.data(), 1, n, f);
    md5.Update(block.data(), n);
    left -= static_cast<int64_t>(n);
  }
  fclose(f);
  return ToHex(md5.Final(), true);
}

// Times of the phases, taken from the download's events.
class Phases : public ns_Drav::IObserver {
 public:
  void OnEvent(const ns_Drav::DownloadEvent& event) override {
    std::lock_guard<std::mutex> hold(lock_);
    Clock::time_point now = Clock::now();
    if (event.type == ns_Drav::kEventRetry)
      attempt_ = now;
    if (event.type == ns_Drav::kEventProgress && event.progress.downloaded == event.progress.total)
      received_ = now;
    if (event.type == ns_Drav::kEventFinished)
      finished_ = now;
  }
  Clock::time_point attempt_, received_, finished_;

 private:
  std::mutex lock_;
};

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fprintf(stderr,
            "usage: engine_download_bench --state STATE.json [--mib N] [--rate B/s] [--no-md5] "
            "[--https] [--out FOLDER] [--log FILE]\n");
    return 2;
  }
  CJsonObject state;
  if (!state.ParseText(ReadText(options.state))) {
    fprintf(stderr, "no world state in %s\n", options.state.c_str());
    return 1;
  }
  std::string root, ca;
  int32_t http_port = 0, https_port = 0;
  state.GetMember("root", root);
  state.GetMember("ca", ca);
  state.Child("roles").Child("cdn").GetMember("http", http_port);
  state.Child("roles").Child("cdn").GetMember("https", https_port);
  std::string name = "bench-" + std::to_string(options.mib) + "MiB.bin";
  int64_t size = options.mib * 1024 * 1024;
  std::string file = root + "/" + name;
  std::string md5_file = file + ".md5";
  std::string md5 = ReadText(md5_file);
  if (GetFileSizeAt(file) != size || md5.size() != 32) {
    md5 = MakeFile(file, size);
    FILE* f = fopen(md5_file.c_str(), "wb");
    if (f) {
      fputs(md5.c_str(), f);
      fclose(f);
    }
  }

  std::string base = "http://127.0.0.2:" + std::to_string(http_port);
  int status = 0;
  ns_Drav::CurlRequest(ns_Drav::kRequestPost, base + "/__world/clear", {}, false, false,
                       "{\"file\": \"" + name + "\"}", &status, 10);
  if (options.rate > 0) {
    ns_Drav::CurlRequest(ns_Drav::kRequestPost, base + "/__world/faults", {}, false, false,
                         "{\"file\": \"" + name +
                             "\", \"fault\": \"rate\", "
                             "\"bytes_per_second\": " +
                             std::to_string(options.rate) + "}",
                         &status, 10);
  }
  if (!options.log.empty())
    simpleLog::Create(options.log);
  ns_Drav::SetCaBundle(ca);
  std::string url = options.https
                        ? "https://127.0.0.2:" + std::to_string(https_port) + "/files/" + name
                        : base + "/files/" + name;
  CreateFolderChain(options.out);
  DeleteFile(options.out + name);

  Phases phases;
  ns_Drav::CMultiDownloader downloader;
  downloader.SetObserver(&phases);
  if (options.md5)
    downloader.SetServerMd5(md5);
  Clock::time_point start = Clock::now();
  downloader.Download(1, url, options.out);
  downloader.Wait();
  double total = Seconds(start, phases.finished_);
  printf("%s %lld MiB, rate limit %s: status %d, %.2f s in all, %.1f MiB/s\n",
         options.https ? "https" : "http", static_cast<long long>(options.mib),
         options.rate > 0 ? (std::to_string(options.rate) + " B/s per connection").c_str() : "none",
         downloader.status(), total, static_cast<double>(options.mib) / total);
  printf("  start %.2f s, transfer %.2f s, flush and verify %.2f s\n",
         Seconds(start, phases.attempt_), Seconds(phases.attempt_, phases.received_),
         Seconds(phases.received_, phases.finished_));
  DeleteFile(options.out + name);
  return downloader.status() == ns_Drav::kStatusSuccess ? 0 : 1;
}
