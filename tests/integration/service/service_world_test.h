// What the service client's tests against the test world share: a tenant of
// the world's service per test, the client pointed at it, and the log.
#ifndef QEL_TESTS_INTEGRATION_SERVICE_SERVICE_WORLD_TEST_H_
#define QEL_TESTS_INTEGRATION_SERVICE_SERVICE_WORLD_TEST_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/curl_setup.h"
#include "foundation/log.h"
#include "foundation/path.h"
#include "service/service_settings.h"
#include "support/log_watch.h"
#include "support/service_world.h"
#include "support/temp_dir.h"
#include "support/world.h"

// A base where nothing listens.
constexpr const char* kDeadBase = "http://127.0.0.1:1/gone";

class ServiceWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(service_.Load(WorldFileName(""), &error)) << error;
    ASSERT_TRUE(cdn_.Load(&error)) << error;
    ns_Drav::SetCaBundle(cdn_.ca());
    service_.Clear();
    ServiceSettings settings;
    settings.primary_base = service_.Url("/primary");
    settings.secondary_base = service_.Url("/secondary");
    SetServiceSettings(settings);
    log_.Start("qel-service-world");
  }

  void TearDown() override { service_.Clear(); }

  void SetBases(const std::string& primary, const std::string& secondary) {
    ServiceSettings settings = GetServiceSettings();
    settings.primary_base = primary;
    settings.secondary_base = secondary;
    SetServiceSettings(settings);
  }

  // The log lines written since the test began.
  std::string NewLog() const { return log_.NewLines(); }
  bool Logged(const std::string& text) const { return log_.Contains(text); }

  // The paths of the requests so far.
  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (const ServiceRequest& r : service_.Journal())
      paths.push_back(r.path);
    return paths;
  }

  // The headers the client chose: all but those libcurl adds on its own.
  static std::vector<std::string> OwnHeaders(const ServiceRequest& r) {
    std::vector<std::string> lines;
    for (const auto& [name, value] : r.headers) {
      if (name != "Host" && name != "Accept" && name != "Content-Length")
        lines.push_back(name + ": " + value);
    }
    return lines;
  }

  std::string TokenPrefix() const { return service_.tenant() + "-token-"; }

  ServiceWorld service_;
  TestWorld cdn_;
  LogWatch log_;
};

#endif  // QEL_TESTS_INTEGRATION_SERVICE_SERVICE_WORLD_TEST_H_
