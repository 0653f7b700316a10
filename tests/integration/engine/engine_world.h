// What the engine's tests against the test world share: a fixture with the
// world, short engine timing and a folder of its own, and an observer that
// keeps every event.
#ifndef QEL_TESTS_INTEGRATION_ENGINE_ENGINE_WORLD_H_
#define QEL_TESTS_INTEGRATION_ENGINE_ENGINE_WORLD_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "engine/curl_setup.h"
#include "engine/download_event.h"
#include "engine/engine_timing.h"
#include "engine/multi_downloader.h"
#include "foundation/log.h"
#include "foundation/path.h"
#include "platform/file_io.h"
#include "support/log_watch.h"
#include "support/temp_dir.h"
#include "support/world.h"

namespace ns_Drav {

class EventLog : public IObserver {
 public:
  void OnEvent(const DownloadEvent& event) override {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(event);
  }
  std::vector<DownloadEvent> events() const {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }
  std::vector<int> Types() const {
    std::vector<int> types;
    for (const DownloadEvent& event : events())
      types.push_back(event.type);
    return types;
  }
  int Count(int type) const {
    std::vector<int> types = Types();
    return static_cast<int>(std::count(types.begin(), types.end(), type));
  }
  std::vector<DownloadEvent> Of(int type) const {
    std::vector<DownloadEvent> found;
    for (const DownloadEvent& event : events()) {
      if (event.type == type)
        found.push_back(event);
    }
    return found;
  }

 private:
  mutable std::mutex lock_;
  std::vector<DownloadEvent> events_;
};

// Waits that make a fault run take seconds, not minutes.
inline EngineTiming ShortTiming() {
  EngineTiming timing;
  timing.stallMs = 1500;
  timing.lowSpeedTimeSeconds = 5;
  timing.connectTimeoutSeconds = 5;
  timing.attemptSecondMs = 20;
  timing.retrySecondMs = 20;
  timing.md5RetryStepMs = 5;
  timing.md5ReflushWaitMs = 10;
  timing.sizeQueryRetryMs = 20;
  timing.monitorIntervalMs = 50;
  return timing;
}

class EngineWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(world_.Load(&error)) << error;
    SetCaBundle(world_.ca());
    SetEngineTiming(ShortTiming());
    name_ = WorldFileName();
    world_.Clear(name_);
    log_.Start("qel-engine-world");
  }

  void TearDown() override {
    world_.Clear(name_);
    unlink(Source().c_str());
  }

  // The log lines written since the test began.
  std::string NewLog() const { return log_.NewLines(); }

  // Runs one download to its end and returns its status.
  int Run(CMultiDownloader& downloader, const std::string& url) {
    downloader.SetObserver(&events_);
    EXPECT_TRUE(downloader.Download(7, url, dir_.path()));
    downloader.Wait();
    return downloader.status();
  }

  std::string Target() const { return dir_.path() + name_; }
  std::string Source() const { return world_.root() + name_; }

  TestWorld world_;
  std::string name_;
  TempDir dir_;
  EventLog events_;
  LogWatch log_;
};

}  // namespace ns_Drav

#endif  // QEL_TESTS_INTEGRATION_ENGINE_ENGINE_WORLD_H_
