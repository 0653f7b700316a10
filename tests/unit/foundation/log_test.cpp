#include "foundation/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <thread>

#include "foundation/path.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

void SetMtime(const std::string& path, time_t when) {
  struct timeval times[2] = {{when, 0}, {when, 0}};
  utimes(path.c_str(), times);
}

std::string Today() {
  time_t now = time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char date[16];
  strftime(date, sizeof(date), "%Y-%m-%d", &t);
  return date;
}

TEST(Log, LineFormat) {
  TempDir dir;
  simpleLog log(dir.path() + "hvQEL.log");
  log.Init();
  simpleLog::Log(&log, kLogInfo, "[INFO] start, fork=[%d].", 0);
  simpleLog::Log(&log, kLogError, "[ERROR] %s, n=[%lld]!", "x", 1LL << 40);
  std::vector<std::string> lines = Lines(dir.path() + "hvQEL.log");
  ASSERT_EQ(lines.size(), 2u);
  std::string tid = std::to_string(syscall(SYS_gettid));
  std::regex stamp(R"(\[\d{4}-\d{2}-\d{2} [12]?\d:\d{2}:\d{2}\] )" + tid + " - (.*)");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, stamp)) << lines[0];
  EXPECT_EQ(m[1], "[INFO] start, fork=[0].");
  ASSERT_TRUE(std::regex_match(lines[1], m, stamp)) << lines[1];
  EXPECT_EQ(m[1], "[ERROR] x, n=[1099511627776]!");
}

// The hour has no leading zero; minutes and seconds always have two digits.
TEST(Log, HourWithoutLeadingZero) {
  time_t now = time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  // A zone in which it is now 5 o'clock.
  int offset = (utc.tm_hour - 5 + 24) % 24;
  std::string zone = "QEL" + std::to_string(offset);
  ScopedEnv tz("TZ", zone.c_str());
  tzset();
  TempDir dir;
  simpleLog log(dir.path() + "a.log", false);
  log.Init();
  simpleLog::Log(&log, kLogInfo, "x");
  std::string line = ReadFile(dir.path() + "a.log");
  EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\[\d{4}-\d{2}-\d{2} 5:\d{2}:\d{2}\] )")))
      << line;
}

TEST(Log, EachRunOnOneDayGetsTheNextBackupName) {
  TempDir dir;
  std::string path = dir.path() + "hvQEL.log";
  for (int run = 0; run < 4; ++run) {
    simpleLog log(path);
    log.Init();
    simpleLog::Log(&log, kLogInfo, "run %d", run);
  }
  std::string day = Today();
  EXPECT_EQ(ListFiles(dir.path(), false, false),
            (std::vector<std::string>{path, dir.path() + "hvQEL_" + day + ".log",
                                      dir.path() + "hvQEL_" + day + "_1.log",
                                      dir.path() + "hvQEL_" + day + "_2.log"}));
  EXPECT_NE(ReadFile(dir.path() + "hvQEL_" + day + "_2.log").find("run 2"), std::string::npos);
  EXPECT_NE(ReadFile(path).find("run 3"), std::string::npos);
}

TEST(Log, PruningKeepsFiveOfTheFamilyAndNothingElseIsTouched) {
  TempDir dir;
  const std::string d = dir.path();
  // Seven files of the family (the current file included), oldest first.
  std::vector<std::string> family = {"hvQEL_2026-01-01.log",
                                     "hvQEL_2026-01-02.log",
                                     "hvQEL_2026-01-03.log",
                                     "hvQEL_2026-01-04.log",
                                     "hvQEL_2026-01-05.log",
                                     "hvQEL_2026-01-06.log",
                                     "hvQEL.log"};
  for (size_t i = 0; i < family.size(); ++i) {
    WriteFile(d + family[i], family[i]);
    SetMtime(d + family[i], 1700000000 + static_cast<time_t>(i) * 100);
  }
  // The other family, older than all of them, and a folder.
  for (int i = 0; i < 3; ++i) {
    std::string fork = d + "hvForkQEL_2025-01-0" + std::to_string(i + 1) + ".log";
    WriteFile(fork, "fork");
    SetMtime(fork, 1600000000 + i);
  }
  mkdir((d + "hvQEL_folder.log").c_str(), 0700);

  simpleLog log(d + "hvQEL.log");
  log.Init();

  std::vector<std::string> left = ListFiles(d, false, true);
  auto has = [&](const std::string& name) {
    return std::find(left.begin(), left.end(), d + name) != left.end();
  };
  EXPECT_FALSE(has(family[0]));
  EXPECT_FALSE(has(family[1]));
  for (size_t i = 2; i < 6; ++i)
    EXPECT_TRUE(has(family[i])) << family[i];
  EXPECT_FALSE(has("hvQEL.log"));  // renamed to today's backup
  EXPECT_TRUE(has("hvQEL_" + Today() + ".log"));
  EXPECT_TRUE(has("hvForkQEL_2025-01-01.log"));
  EXPECT_TRUE(has("hvQEL_folder.log/"));
}

TEST(Log, UnwritablePathDropsLinesQuietly) {
  simpleLog log("/nonexistent-folder/qel/hvQEL.log");
  log.Init();
  simpleLog::Log(&log, kLogInfo, "lost");
  simpleLog::Log(nullptr, kLogInfo, "nowhere");
  simpleLog empty("");
  empty.Init();
  simpleLog::Log(&empty, kLogInfo, "lost too");
  SUCCEED();
}

TEST(Log, NeverWritesThroughALink) {
  TempDir dir;
  std::string victim = dir.path() + "victim";
  WriteFile(victim, "precious\n");
  symlink(victim.c_str(), (dir.path() + "hvQEL.log").c_str());
  simpleLog log(dir.path() + "hvQEL.log", false);
  log.Init();
  simpleLog::Log(&log, kLogInfo, "[INFO] should not land");
  EXPECT_EQ(ReadFile(victim), "precious\n");
}

TEST(Log, LinesOfManyThreadsNeverInterleave) {
  TempDir dir;
  simpleLog log(dir.path() + "t.log", false);
  log.Init();
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&log, t] {
      std::string payload(200, static_cast<char>('a' + t));
      for (int i = 0; i < 200; ++i)
        simpleLog::Log(&log, kLogInfo, "[INFO] t=[%d] %s.", t, payload.c_str());
    });
  }
  for (std::thread& th : threads)
    th.join();
  std::vector<std::string> lines = Lines(dir.path() + "t.log");
  ASSERT_EQ(lines.size(), 1600u);
  std::regex shape(R"(\[[^\]]+\] \d+ - \[INFO\] t=\[(\d)\] ([a-h])\2{199}\.)");
  for (const std::string& line : lines)
    ASSERT_TRUE(std::regex_match(line, shape)) << line;
}

}  // namespace
