// Download status codes: the result of a download attempt and of a task.
#ifndef QEL_ENGINE_DOWNLOAD_STATUS_H_
#define QEL_ENGINE_DOWNLOAD_STATUS_H_

#include <string>

namespace ns_Drav {

enum DownloadStatus : int {
  kStatusSuccess = 0,
  kStatusAlreadyDownloaded = 1,
  kStatusConnectFailed = 2,
  kStatusReceiveFailed = 3,
  kStatusSendFailed = 4,
  kStatusSiteInfoFailed = 5,
  kStatusAllocationFailed = 6,
  kStatusBufferError = 7,
  kStatusParameterError = 8,
  kStatusFileFailed = 9,
  kStatusDiskFull = 10,
  kStatusMd5Failed = 11,
  kStatusSizeError = 12,
  kStatusCanceled = 13,
  kStatusDownloadFailed = 14,
  kStatusUnknownError = 15,
  kStatusEndEventError = 16,
  kStatusSavePathError = 17,
  kStatusPidError = 18,
  kStatusUrlError = 19,
  kStatusUrlParseError = 20,
  kStatusThreadError = 21,
  kStatusTimeout = 22,
  kStatusSslFailed = 23,
  kStatusDnsFailed = 24,
  kStatusTooManyRedirects = 25,
  kStatusServerClosed = 26,
  kStatusOtherError = 27,
};

// Codes 0 and 1 are the two ways a download succeeds.
inline bool IsSuccessStatus(int status) {
  return status == kStatusSuccess || status == kStatusAlreadyDownloaded;
}

// The English text of a status code ("" for success, "Unknown error" for
// codes outside the table).
const char* DownloadErrorText(int status);

// libcurl's own text for its result codes 1 to 92, "" for 0, "Unknown error"
// otherwise.
std::string CurlErrorText(int code);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_DOWNLOAD_STATUS_H_
