#include "service/cdn_probe.h"

#include <cinttypes>

#include "engine/curl_setup.h"
#include "foundation/log.h"
#include "platform/clock.h"
#include "service/service_settings.h"

namespace {

size_t CountBytes(char*, size_t size, size_t count, void* counter) {
  *static_cast<int64_t*>(counter) += static_cast<int64_t>(size * count);
  return size * count;
}

}  // namespace

double ProbeThroughput(int64_t bytes, double elapsedSeconds) {
  if (elapsedSeconds < 0.001 || bytes <= 0)
    return 0;
  return static_cast<double>(bytes) / elapsedSeconds / 1000000.0;
}

double ProbeCdnBandwidth(const std::string& url,
                         int probeSizeMb,
                         int maxProbeTimeS,
                         double* elapsedSeconds,
                         int64_t* receivedBytes) {
  if (elapsedSeconds)
    *elapsedSeconds = 0;
  if (receivedBytes)
    *receivedBytes = 0;
  if (url.empty() || probeSizeMb <= 0 || maxProbeTimeS <= 0) {
    LOG_WARN("[WARN] ProbeCdnBandwidth, invalid params, probe_size_mb=[%d], max_probe_time_s=[%d]",
             probeSizeMb, maxProbeTimeS);
    return 0;
  }
  ns_Drav::EnsureCurlGlobalInit();
  ns_Drav::CurlEasy easy(curl_easy_init());
  if (!easy) {
    LOG_ERROR("[ERROR] ProbeCdnBandwidth, curl init failed!");
    return 0;
  }
  CURL* handle = easy.get();
  int64_t last_byte = static_cast<int64_t>(probeSizeMb) * 1048576 - 1;
  ns_Drav::CurlList headers({"Range: bytes=0-" + std::to_string(last_byte), "connection: close"});
  int64_t bytes = 0;
  // The probe is timed against a real CDN: its certificate is checked like
  // every other.
  ns_Drav::ApplyTlsVerification(handle);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  // An error page is no measure of the package's throughput.
  curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CountBytes);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &bytes);
  curl_easy_setopt(handle, CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT,
                   static_cast<long>(GetServiceSettings().probe_connect_timeout_s));
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, static_cast<long>(maxProbeTimeS));
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);

  LOG_INFO("[INFO] ProbeCdnBandwidth, start, url=[%s], probe_size_mb=[%d], max_time_s=[%d]",
           url.c_str(), probeSizeMb, maxProbeTimeS);
  uint64_t started = GetTickCountMs();
  CURLcode result = curl_easy_perform(handle);
  double elapsed = static_cast<double>(GetTickCountMs() - started) / 1000.0;
  if (result != CURLE_OK && result != CURLE_OPERATION_TIMEDOUT) {
    LOG_WARN("[WARN] ProbeCdnBandwidth, curl failed, code=[%d], elapsed_s=[%.3f]", result, elapsed);
    return 0;
  }
  double throughput = ProbeThroughput(bytes, elapsed);
  if (throughput <= 0) {
    LOG_WARN("[WARN] ProbeCdnBandwidth, no data, bytes=[%" PRId64 "], elapsed_s=[%.3f]", bytes,
             elapsed);
    return 0;
  }
  if (elapsedSeconds)
    *elapsedSeconds = elapsed;
  if (receivedBytes)
    *receivedBytes = bytes;
  LOG_INFO("[INFO] ProbeCdnBandwidth, done, bytes=[%" PRId64
           "], elapsed_s=[%.3f], "
           "throughput_mbps=[%.2f], curl_code=[%d]",
           bytes, elapsed, throughput, result);
  return throughput;
}
