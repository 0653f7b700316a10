// Where the maker's REST service is and how long its callers wait. Start-up
// sets the bases from the endpoints resource; tests shorten the waits.
#ifndef QEL_SERVICE_SERVICE_SETTINGS_H_
#define QEL_SERVICE_SERVICE_SETTINGS_H_

#include <string>

struct ServiceSettings {
  // Scheme, host and optional path, without a trailing "/"; request paths
  // are appended.
  std::string primary_base;
  std::string secondary_base;  // the fallback, and the strategy queries' base
  int request_timeout_s = 10;  // tokens, posts, relation ids
  int strategy_timeout_s = 5;  // preheat and slice strategy
  int probe_connect_timeout_s = 5;
};

// Process-wide; a trailing "/" of a base is dropped.
void SetServiceSettings(ServiceSettings settings);
ServiceSettings GetServiceSettings();

#endif  // QEL_SERVICE_SERVICE_SETTINGS_H_
