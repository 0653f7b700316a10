#include "app/engine_endpoints.h"

#include <gtest/gtest.h>

#include "engine/http_dns.h"

TEST(EngineEndpoints, TheEngineAsksTheHttpDnsServiceOfTheResource) {
  ns_Drav::HttpDnsEndpoints before = ns_Drav::GetHttpDnsEndpoints();
  // The engine's own defaults are the application's.
  Endpoints defaults = DefaultEndpoints();
  EXPECT_EQ(before.primary, defaults.httpdns_primary);
  EXPECT_EQ(before.secondary, defaults.httpdns_secondary);

  ConfigureEngineEndpoints(
      ParseEndpoints("<Endpoints><HttpDnsPrimary>https://dns1.example/</HttpDnsPrimary>"
                     "<HttpDnsSecondary>https://dns2.example/</HttpDnsSecondary></Endpoints>"));
  EXPECT_EQ(ns_Drav::GetHttpDnsEndpoints().primary, "https://dns1.example/");
  EXPECT_EQ(ns_Drav::GetHttpDnsEndpoints().secondary, "https://dns2.example/");
  ns_Drav::SetHttpDnsEndpoints(before);
}
