#include <chrono>
#include <map>
#include <thread>

#include "engine/range_worker.h"
#include "engine_world.h"

namespace ns_Drav {
namespace {

// Keeps what a worker writes, by offset.
class MemoryFile : public IFileWriter {
 public:
  int64_t WriteAt(int64_t offset, int64_t length, const void* data) override {
    std::lock_guard<std::mutex> hold(lock_);
    ++writes_;
    if (fail_)
      return 0;
    blocks_[offset].assign(static_cast<const char*>(data), static_cast<size_t>(length));
    return length;
  }
  // The bytes written, joined in offset order (they must be contiguous).
  std::string Joined(int64_t* first) const {
    std::lock_guard<std::mutex> hold(lock_);
    std::string out;
    *first = blocks_.empty() ? -1 : blocks_.begin()->first;
    for (const auto& [offset, bytes] : blocks_) {
      EXPECT_EQ(offset, *first + static_cast<int64_t>(out.size()));
      out += bytes;
    }
    return out;
  }
  int writes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return writes_;
  }
  void set_fail(bool fail) { fail_ = fail; }

 private:
  mutable std::mutex lock_;
  std::map<int64_t, std::string> blocks_;
  int writes_ = 0;
  bool fail_ = false;
};

class RangeWorkerWorld : public EngineWorldTest {
 protected:
  // A worker for [start, end] of `url`, started; waits for its end unless
  // `wait` is false.
  RangeWorker* Fetch(const std::string& url,
                     int64_t start,
                     int64_t end,
                     int64_t fileSize,
                     const std::string& ip = "",
                     bool wait = true,
                     int buffer = 512 * 1024) {
    worker_ = std::make_unique<RangeWorker>();
    EXPECT_TRUE(worker_->Init(url, start, end, ip, dir_.path() + "tmp"));
    worker_->set_file_size(fileSize);
    worker_->set_buffer_size(buffer);
    worker_->set_file_writer(&file_);
    worker_->set_stall_ms(1000);
    worker_->set_low_speed(1, 2);
    EXPECT_TRUE(worker_->Start());
    if (wait)
      WaitEnd();
    return worker_.get();
  }
  void WaitEnd() {
    for (int i = 0; i < 600 && !worker_->finished(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(worker_->finished());
  }
  void Fault(const std::string& rest) {
    ASSERT_TRUE(world_.AddFault(R"({"file": ")" + name_ + R"(", )" + rest + "}"));
  }

  MemoryFile file_;
  std::unique_ptr<RangeWorker> worker_;
};

TEST_F(RangeWorkerWorld, FetchesExactlyItsRangeInFewWrites) {
  world_.MakeFile(name_, 3 * 1024 * 1024);
  std::string source = ReadFile(Source());
  int64_t start = 1000, end = 2 * 1024 * 1024 + 5;
  RangeWorker* worker = Fetch(world_.HttpUrl("/files/" + name_), start, end, 3 * 1024 * 1024);
  EXPECT_EQ(worker->state(), kRangeSuccess);
  EXPECT_EQ(worker->http_code(), 206);
  EXPECT_EQ(worker->curl_result(), 0);
  EXPECT_EQ(worker->downloaded(), end - start + 1);
  EXPECT_EQ(worker->saved(), end - start + 1);
  EXPECT_EQ(worker->undownloaded(), 0);
  int64_t first = 0;
  EXPECT_EQ(file_.Joined(&first), source.substr(start, end - start + 1));
  EXPECT_EQ(first, start);
  // libcurl's 16 KiB pieces are gathered into larger blocks: never a write
  // per piece.
  EXPECT_LE(file_.writes(), (end - start + 1) / (64 * 1024) + 2);
  std::vector<WorldRequest> journal = world_.Journal(name_);
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].range, "bytes=1000-2097157");
  EXPECT_EQ(journal[0].version, "HTTP/1.0");
}

TEST_F(RangeWorkerWorld, KeepsOnlyItsRangeOfAWholeFileSentFromTheStart) {
  world_.MakeFile(name_, 2 * 1024 * 1024);
  Fault(R"("fault": "ignore_range")");
  RangeWorker* worker = Fetch(world_.HttpUrl("/files/" + name_), 0, 99999, 2 * 1024 * 1024);
  EXPECT_EQ(worker->state(), kRangeSuccess);
  EXPECT_EQ(worker->http_code(), 200);
  int64_t first = 0;
  EXPECT_EQ(file_.Joined(&first), ReadFile(Source()).substr(0, 100000));
}

TEST_F(RangeWorkerWorld, RefusesBodiesThatAreNotItsRange) {
  world_.MakeFile(name_, 200000);
  struct Case {
    const char* fault;
    BodyRefusal refusal;
    int code;
  } cases[] = {
      {R"("fault": "ignore_range", "times": 1)", BodyRefusal::kRangeIgnored, 200},
      {R"("fault": "status", "code": 404, "times": 1)", BodyRefusal::kHttpError, 404},
      {R"("fault": "status_416", "times": 1)", BodyRefusal::kHttpError, 416},
      {R"("fault": "size", "size": 150000, "times": 1)", BodyRefusal::kSizeMismatch, 206},
  };
  for (const Case& c : cases) {
    Fault(c.fault);
    RangeWorker* worker = Fetch(world_.HttpUrl("/files/" + name_), 5000, 9999, 200000);
    EXPECT_EQ(worker->state(), kRangeFailed) << c.fault;
    EXPECT_EQ(worker->refusal(), c.refusal) << c.fault;
    EXPECT_EQ(worker->http_code(), c.code) << c.fault;
    EXPECT_EQ(worker->saved(), 0) << c.fault;
    EXPECT_EQ(file_.writes(), 0) << c.fault;
    world_.Clear(name_);
  }
}

TEST_F(RangeWorkerWorld, AStallAfterDataFailsWithTheDataSaved) {
  world_.MakeFile(name_, 1024 * 1024);
  Fault(R"("fault": "stall", "after": 300000, "seconds": 10)");
  auto started = std::chrono::steady_clock::now();
  RangeWorker* worker = Fetch(world_.HttpUrl("/files/" + name_), 0, 1024 * 1024 - 1, 1024 * 1024);
  EXPECT_EQ(worker->state(), kRangeFailed);
  EXPECT_EQ(worker->curl_result(), CURLE_ABORTED_BY_CALLBACK);
  EXPECT_EQ(worker->downloaded(), 300000);
  EXPECT_EQ(worker->saved(), 300000);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
}

TEST_F(RangeWorkerWorld, NoFirstByteEndsByTheLowSpeedLimit) {
  world_.MakeFile(name_, 1000);
  Fault(R"("fault": "slow_first_byte", "seconds": 8)");
  RangeWorker* worker = Fetch(world_.HttpUrl("/files/" + name_), 0, 999, 1000);
  EXPECT_EQ(worker->state(), kRangeFailed);
  EXPECT_EQ(worker->curl_result(), CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(worker->http_code(), 0);
}

TEST_F(RangeWorkerWorld, ACancelWritesWhatHadArrived) {
  world_.MakeFile(name_, 4 * 1024 * 1024);
  Fault(R"("fault": "rate", "bytes_per_second": 400000)");
  RangeWorker* worker =
      Fetch(world_.HttpUrl("/files/" + name_), 0, 4 * 1024 * 1024 - 1, 4 * 1024 * 1024, "", false);
  while (worker->downloaded() < 200000)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  worker->Cancel();
  WaitEnd();
  EXPECT_EQ(worker->state(), kRangeCanceled);
  EXPECT_EQ(worker->saved(), worker->downloaded());
  int64_t first = 0;
  EXPECT_EQ(file_.Joined(&first), ReadFile(Source()).substr(0, worker->saved()));
}

TEST_F(RangeWorkerWorld, AWorkerCanceledBeforeItStartsNeverRuns) {
  world_.MakeFile(name_, 1000);
  RangeWorker worker;
  ASSERT_TRUE(worker.Init(world_.HttpUrl("/files/" + name_), 0, 999, "", dir_.path() + "tmp"));
  worker.set_file_writer(&file_);
  worker.Cancel();
  EXPECT_FALSE(worker.Start());
  EXPECT_TRUE(worker.finished());
  EXPECT_EQ(worker.state(), kRangeCanceled);
  EXPECT_EQ(worker.undownloaded(), 1000);
  EXPECT_TRUE(world_.Journal(name_).empty());
}

TEST_F(RangeWorkerWorld, AFailedWriteStopsTheTransfer) {
  world_.MakeFile(name_, 2 * 1024 * 1024);
  file_.set_fail(true);
  RangeWorker* worker = Fetch(world_.HttpUrl("/files/" + name_), 0, 2 * 1024 * 1024 - 1,
                              2 * 1024 * 1024, "", true, 256 * 1024);
  EXPECT_EQ(worker->state(), kRangeFailed);
  EXPECT_TRUE(worker->write_failed());
  EXPECT_EQ(worker->saved(), 0);
  EXPECT_EQ(file_.writes(), 1);  // nothing more is written after a failure
}

TEST_F(RangeWorkerWorld, PinsTheHostNameToAnAddressAndVerifiesIt) {
  world_.MakeFile(name_, 100000);
  RangeWorker* worker =
      Fetch(world_.HttpsUrl("/files/" + name_), 0, 99999, 100000, world_.addresses()[2]);
  EXPECT_EQ(worker->state(), kRangeSuccess);
  std::vector<WorldRequest> journal = world_.Journal(name_);
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].address, world_.addresses()[2]);
  EXPECT_EQ(journal[0].scheme, "https");
}

TEST_F(RangeWorkerWorld, FollowsARedirectToAnotherServer) {
  world_.MakeFile(name_, 100000);
  std::string url = world_.HttpUrl("/to/" + world_.addresses()[1] + "/" + name_);
  RangeWorker* worker = Fetch(url, 10, 99999, 100000);
  EXPECT_EQ(worker->state(), kRangeSuccess);
  EXPECT_EQ(worker->effective_url(), world_.HttpUrl("/files/" + name_, 1));
}

TEST_F(RangeWorkerWorld, ASplitEndsTheRangeBeforeTheTail) {
  world_.MakeFile(name_, 4 * 1024 * 1024);
  Fault(R"("fault": "rate", "bytes_per_second": 1000000)");
  RangeWorker* worker =
      Fetch(world_.HttpUrl("/files/" + name_), 0, 4 * 1024 * 1024 - 1, 4 * 1024 * 1024, "", false);
  while (worker->downloaded() < 100000)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  int64_t old_end = 0;
  int64_t split = worker->SplitOffTail(1024 * 1024, &old_end);
  ASSERT_GT(split, 0);
  EXPECT_EQ(old_end, 4 * 1024 * 1024 - 1);
  EXPECT_EQ(worker->range_end(), split - 1);
  EXPECT_EQ(worker->SplitOffTail(4 * 1024 * 1024, &old_end), -1);  // not that much left
  WaitEnd();
  EXPECT_EQ(worker->state(), kRangeSuccess);
  EXPECT_EQ(worker->saved(), split);
  int64_t first = 0;
  EXPECT_EQ(file_.Joined(&first), ReadFile(Source()).substr(0, split));
}

TEST_F(RangeWorkerWorld, RangesPastFourGiBKeepTheirOffsets) {
  world_.MakeFile(name_, 1000);
  int64_t size = (5LL << 30) + 123;
  Fault(R"("fault": "size", "size": )" + std::to_string(size));
  int64_t start = (4LL << 30) + 100;
  RangeWorker* worker = Fetch(world_.HttpUrl("/files/" + name_), start, start + 65535, size);
  EXPECT_EQ(worker->state(), kRangeSuccess);
  int64_t first = 0;
  EXPECT_EQ(file_.Joined(&first), std::string(65536, '\0'));  // the padding past the real file
  EXPECT_EQ(first, start);
  EXPECT_EQ(world_.Journal(name_)[0].range, "bytes=4294967396-4295032931");
}

}  // namespace
}  // namespace ns_Drav
