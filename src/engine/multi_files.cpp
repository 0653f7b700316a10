// The downloader's file work: the size query, the temporary file, progress
// with its resume-record checkpoints, and the final checks.
#include <algorithm>
#include <cinttypes>
#include <set>
#include <system_error>

#include "engine/download_status.h"
#include "engine/file_md5.h"
#include "engine/multi_downloader.h"
#include "engine/range_plan.h"
#include "engine/url_parts.h"
#include "foundation/log.h"
#include "platform/clock.h"
#include "platform/file_io.h"

namespace ns_Drav {

namespace {

constexpr int kSizeQueryTries = 10;
constexpr int kSizeQueryHeadTries = 6;
constexpr int64_t kCheckpointEvery = 30 * kMiB;
constexpr int kMd5Tries = 5;

struct SizeQueryState {
  const std::atomic<bool>* canceled;
  bool body_began = false;
};

size_t StopAtBody(char*, size_t, size_t, void* state) {
  static_cast<SizeQueryState*>(state)->body_began = true;
  return 0;
}

int AbortWhenCanceled(void* state, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<SizeQueryState*>(state)->canceled->load() ? 1 : 0;
}

}  // namespace

int64_t CMultiDownloader::QuerySize() {
  std::string ip = resolver_->PickHostIp();
  CurlEasy easy = pool_.Take(ip);
  if (!easy) {
    LOG_ERROR("[ERROR] multi, curl_easy_init failed!");
    return 0;
  }
  CURL* handle = easy.get();
  SizeQueryState state{&canceled_};
  CurlList resolve;
  UrlParts parts;
  if (!ip.empty() && ParseUrl(url_, &parts)) {
    for (int port : std::set<int>{parts.port, 80, 443})
      resolve.Append(parts.host + ":" + std::to_string(port) + ":" + ip);
  }
  curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 5L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, 10L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_RESOLVE, resolve.get());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &StopAtBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &state);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &AbortWhenCanceled);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &state);
  if (https_only_) {
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  }
  ApplyTlsVerification(handle);

  for (int attempt = 0; attempt < kSizeQueryTries && !canceled(); ++attempt) {
    if (attempt == kSizeQueryHeadTries) {
      // Some servers answer HEAD badly; a GET that stops at its headers.
      curl_easy_setopt(handle, CURLOPT_NOBODY, 0L);
      curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    }
    state.body_began = false;
    CURLcode result = curl_easy_perform(handle);
    if (result == CURLE_OK || (result == CURLE_WRITE_ERROR && state.body_began)) {
      long code = 0;
      curl_off_t length = -1;
      CURLcode info = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
      if (info == CURLE_OK)
        info = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      if (info != CURLE_OK) {
        LOG_ERROR("[ERROR] multi, curl_easy_getinfo failed! error=[%d][%s].", info,
                  curl_easy_strerror(info));
      } else if (code >= 200 && code <= 299 && length > 0) {
        if (result == CURLE_OK)
          pool_.Give(ip, std::move(easy));  // the first range may use its connection
        return length;                      // the size of an error page is no package size
      }
    } else {
      LOG_ERROR("[ERROR] multi, curl_easy_perform failed! error=[%d][%s].", result,
                curl_easy_strerror(result));
    }
    WaitMs(timing_.sizeQueryRetryMs);
  }
  return 0;
}

bool CMultiDownloader::CreateTempFileForPlan() {
  int error = 0;
  int result = CreateTempFile(temp_path_, total_size_, &error);
  LOG_INFO("[INFO] multi, create tmp file=[%s], ret=[%d][%d].", temp_path_.c_str(), result, error);
  if (result == kTempFileCreated)
    return true;
  if (result == kTempFileNoSpace) {
    LOG_ERROR("[ERROR] multi, disk space not enough!");
    status_ = kStatusDiskFull;
    PostSimple(kEventFileError, kFileErrorDiskFull, error);
  } else {
    LOG_ERROR("[ERROR] multi, create null file failed!");
    status_ = kStatusFileFailed;
    PostSimple(kEventFileError, kFileErrorNotCreated, error);
  }
  return false;
}

void CMultiDownloader::ProgressTick(bool checkpoints) {
  int64_t downloaded = Downloaded();
  int64_t total = total_size_;
  if (downloaded != last_reported_) {
    last_reported_ = downloaded;
    int64_t ms = std::max<int64_t>(1000, GetTickCountMs() - t_start_ms_);
    DownloadEvent event;
    event.type = kEventProgress;
    event.progress.total = total;
    event.progress.downloaded = std::min(downloaded, total);
    event.progress.speed =
        static_cast<int32_t>(std::min<int64_t>((downloaded - cached_size_) * 1000 / ms, INT32_MAX));
    PostEvent(std::move(event));
  }
  if (follower_)
    follower_->Advance(WrittenPrefix());
  if (last_checkpoint_ > downloaded)
    last_checkpoint_ = 0;
  if (checkpoints && downloaded - last_checkpoint_ >= kCheckpointEvery) {
    last_checkpoint_ = downloaded;
    StartCheckpoint();
  }
}

void CMultiDownloader::StartCheckpoint() {
  if (checkpoint_busy_.load())
    return;  // the previous one is still writing; the next tick tries again
  JoinCheckpoint();
  checkpoint_busy_ = true;
  try {
    checkpoint_thread_ = std::thread([this] {
      SaveResumeRecord();
      checkpoint_busy_ = false;
    });
  } catch (const std::system_error&) {
    checkpoint_busy_ = false;
  }
}

void CMultiDownloader::JoinCheckpoint() {
  if (checkpoint_thread_.joinable())
    checkpoint_thread_.join();
}

bool CMultiDownloader::SaveResumeRecord() {
  std::vector<ByteRange> entries = MissingRanges();
  if (entries.empty())
    return false;
  // The entries were taken before this sync: every byte they count as
  // present is on the device before the record that says so.
  file_.Sync();
  std::string record = EncodeResumeRecord(entries);
  if (!file_.WriteAt(total_size_, static_cast<int64_t>(record.size()), record.data(), true)) {
    LOG_ERROR("[ERROR] multi, write cache info failed! write count.");
    return false;
  }
  return true;
}

bool CMultiDownloader::CheckFileSize(const std::string& path, bool report) {
  int64_t local = GetLocalFileSize(path);
  if (local == total_size_)
    return true;
  if (report) {
    PostSimple(kEventFileError, kFileErrorSizeMismatch, 0);
    status_ = kStatusSizeError;
    LOG_ERROR("[ERROR] multi, check file size incorrect! local_size=[%" PRId64
              "], dst_size=[%" PRId64 "]",
              local, total_size_.load());
  }
  return false;
}

bool CMultiDownloader::CheckMd5(const std::string& path, bool report) {
  if (server_md5_.size() < 3)
    return false;
  bool matched = false;
  for (int attempt = 0; attempt < kMd5Tries && !matched; ++attempt) {
    if (attempt > 0) {
      int64_t delay = attempt * timing_.md5RetryStepMs;
      LOG_INFO("[INFO] multi, check md5 retry=[%d/%d], delay=[%d]ms.", attempt, kMd5Tries,
               static_cast<int>(delay));
      WaitMs(delay);
    }
    std::string digest;
    // The first check takes the digest hashed while the file arrived.
    if (attempt == 0 && report && follower_)
      digest = follower_->Finish();
    if (digest.empty())
      digest = FileMd5(path);
    if (attempt == 0 && report) {
      DownloadEvent event;
      event.type = kEventFileMd5;
      event.text = digest;
      PostEvent(std::move(event));
    }
    if (Md5ListContains(server_md5_, digest)) {
      LOG_INFO("[INFO] multi, check md5 ok .  retry=[%d], file_md5=[%s].", attempt, digest.c_str());
      matched = true;
      break;
    }
    LOG_WARN("[WARN] multi, check md5 failed! retry=[%d/%d], file_md5=[%s], expected=[%s].",
             attempt, kMd5Tries, digest.c_str(), server_md5_.c_str());
    if (attempt < kMd5Tries - 1)
      continue;
    LOG_WARN("[WARN] multi, all retries failed, try flush file buffers again.");
    int error = 0;
    int fd = OpenFile(path, FileOpen::kExistingReadWrite, &error);
    if (fd < 0)
      break;
    uint64_t started = GetTickCountMs();
    if (SyncFileData(fd) == kErrorSuccess) {
      LOG_INFO("[INFO] multi, re-flush file buffers ok, cost=[%d]ms.",
               static_cast<int>(GetTickCountMs() - started));
    }
    CloseFile(fd);
    WaitMs(timing_.md5ReflushWaitMs);
    digest = FileMd5(path);
    if (Md5ListContains(server_md5_, digest)) {
      LOG_INFO("[INFO] multi, check md5 ok after re-flush, file_md5=[%s].", digest.c_str());
      matched = true;
    } else {
      LOG_ERROR("[ERROR] multi, check md5 still failed after re-flush! file_md5=[%s].",
                digest.c_str());
    }
  }
  if (!matched) {
    LOG_ERROR("[ERROR] multi, check md5 failed after all retries!");
    if (report)
      status_ = kStatusMd5Failed;
    return false;
  }
  if (report)
    PostSimple(kEventMd5Match);
  return true;
}

}  // namespace ns_Drav
