// Every path of the maker's services that the installer calls. The service
// bases are data (see service_settings.h); ServerHost and the product web
// service end with "/", so their paths start without one.
#ifndef QEL_SERVICE_SERVICE_ENDPOINTS_H_
#define QEL_SERVICE_SERVICE_ENDPOINTS_H_

// Under the primary base, repeated once at the secondary one.
constexpr const char* kTokenPath = "/v3/user/client/token";
constexpr const char* kUploadLogFilePath = "/v1/product/downloader/upload-log-file";
constexpr const char* kTicketFileUploadPath = "/v1/crm/ticket/file/upload";
constexpr const char* kLogsWhitelistPath = "/v1/product/logs/whitelist";
constexpr const char* kLogsReportPath = "/v1/product/logs/report";
constexpr const char* kSupportTicketsPath = "/v1/support/tickets";
constexpr const char* kProductSeriesPath = "/v1/product/series";
// Under the primary base only: "?version=" or "/" + offer id + "/apply".
constexpr const char* kRecoveryPath = "/v1/product/downloader/recovery";

// Under the secondary base (GET with a bearer token).
constexpr const char* kRelationPidPath = "/v5/product/get-relation-pid/";  // + product id
constexpr const char* kPreheatPath = "/v3/downloader/strategy/preheat";    // ?pid=&package_size=
constexpr const char* kSliceStrategyPath =
    "/v3/downloader/strategy";  // ?pid=&throughput_mbps=&package_size=

// Under ServerHost.
constexpr const char* kRuntimePath = "rest/v2/downloader/runtime/";
constexpr const char* kTrackPath = "rest/v2/downloader/track?client_sign=";
// Beside the package: its address up to the last "/", then this folder and
// AppID + "_" + Channel + ".xml".
constexpr const char* kStaticRuntimeFolder = "/xml/";

// Under the product web service: "?pid=" + ProductID + "&os=Windows".
constexpr const char* kTrackingIdPath = "api/v1/prodweb/trk";

#endif  // QEL_SERVICE_SERVICE_ENDPOINTS_H_
