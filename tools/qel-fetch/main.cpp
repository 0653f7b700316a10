// qel-fetch: the download engine on the command line, through its facade.
// Run with --help for the options.
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/download_status.h"
#include "engine/downloader_manager.h"
#include "fetch_options.h"
#include "foundation/log.h"
#include "platform/clock.h"
#include "platform/signals.h"
#include "platform/terminal.h"
#include "progress_line.h"

namespace {

// The end is noticed within a tick; the bar is redrawn every few ticks.
constexpr int kTickMs = 20;
constexpr int kTicksPerDraw = 5;

// What the engine reports, read by the main thread.
class FetchCallback : public ns_Drav::IDownloaderManagerCallBack {
 public:
  void OnFileSize(int, int64_t total) override { total_ = total; }
  void OnProgress(int, int64_t downloaded, int64_t total, int32_t speed) override {
    total_ = total;
    downloaded_ = downloaded;
    speed_ = speed;
  }
  void OnDownloadSuccess(int, int status) override { Finish(status); }
  void OnDownloadFailed(int, int status) override { Finish(status); }

  bool finished() const { return finished_.load(); }
  int status() const { return status_.load(); }
  int64_t total() const { return total_.load(); }
  int64_t downloaded() const { return downloaded_.load(); }
  int64_t speed() const { return speed_.load(); }

 private:
  void Finish(int status) {
    status_ = status;
    finished_ = true;
  }

  std::atomic<bool> finished_{false};
  std::atomic<int> status_{0};
  std::atomic<int64_t> total_{0};
  std::atomic<int64_t> downloaded_{0};
  std::atomic<int64_t> speed_{0};
};

class ProgressBar {
 public:
  explicit ProgressBar(bool shown) : shown_(shown) {}
  void Draw(const FetchCallback& state) {
    if (!shown_)
      return;
    int columns = TerminalColumns(2);
    std::string line =
        ProgressLine(state.downloaded(), state.total(), state.speed(), columns > 0 ? columns : 80);
    fprintf(stderr, "\r%s\033[K", line.c_str());
    fflush(stderr);
    drawn_ = true;
  }
  void Clear() {
    if (drawn_)
      fprintf(stderr, "\r\033[K");
    drawn_ = false;
  }

 private:
  bool shown_;
  bool drawn_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  FetchOptions options;
  std::string error;
  if (!ParseFetchOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    fprintf(stderr, "qel-fetch: %s\nTry 'qel-fetch --help'.\n", error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    fputs(FetchUsage().c_str(), stdout);
    return 0;
  }
  if (!options.logPath.empty() && !simpleLog::Create(options.logPath)) {
    fprintf(stderr, "qel-fetch: can't open the log %s\n", options.logPath.c_str());
    return kExitUsage;
  }
  // Before any thread starts: the signals then reach only the wait below.
  BlockStopSignals();

  FetchCallback state;
  ns_Drav::DownloaderManager manager;
  manager.SetCallBack(&state);
  uint64_t started = GetTickCountMs();
  int32_t flags = options.weakNetwork ? ns_Drav::kTaskFlagWeakNetwork : 0;
  if (manager.AddTask(options.url, options.saveDir, "", options.taskId, "", options.md5, 0, flags,
                      options.segments, options.concurrency) < 0) {
    fprintf(stderr, "qel-fetch: the engine took no task\n");
    return ns_Drav::kStatusParameterError;
  }

  ProgressBar bar(!options.quiet && IsTerminal(2));
  bool canceling = false;
  for (int tick = 0; !state.finished(); ++tick) {
    int signal = WaitForStopSignalFor(kTickMs);
    if (signal != 0 && !canceling) {
      canceling = true;
      // Removing the task cancels it; its resume record is saved and the
      // last event carries status 13.
      manager.RemoveTask(options.taskId);
    }
    if (tick % kTicksPerDraw == 0)
      bar.Draw(state);
  }
  bar.Clear();
  manager.StopAll();

  int status = state.status();
  double seconds = static_cast<double>(GetTickCountMs() - started) / 1000.0;
  bool success = ns_Drav::IsSuccessStatus(status);
  if (!options.quiet || !success) {
    fprintf(success ? stdout : stderr, "qel-fetch: %s\n",
            SummaryLine(status, state.total(), seconds, state.speed()).c_str());
  }
  if (status == ns_Drav::kStatusCanceled && !options.quiet)
    fprintf(stderr, "qel-fetch: the partial file keeps its resume record; run again to resume\n");
  return ExitCodeForStatus(status);
}
