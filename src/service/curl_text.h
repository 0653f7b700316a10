// Texts that libcurl makes for the service clients: values escaped for a
// URL, and the words for a transfer's result code.
#ifndef QEL_SERVICE_CURL_TEXT_H_
#define QEL_SERVICE_CURL_TEXT_H_

#include <string>

// `value` percent-encoded for a query or path segment: every byte but
// A-Z a-z 0-9 - . _ ~ becomes %XX.
std::string EscapeUrlValue(const std::string& value);

// libcurl's text for a result code: empty for 0, "Unknown error" for codes
// above 92.
std::string CurlResultText(int code);

#endif  // QEL_SERVICE_CURL_TEXT_H_
