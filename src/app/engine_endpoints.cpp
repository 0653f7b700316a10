#include "app/engine_endpoints.h"

#include "engine/http_dns.h"

void ConfigureEngineEndpoints(const Endpoints& endpoints) {
  ns_Drav::SetHttpDnsEndpoints({endpoints.httpdns_primary, endpoints.httpdns_secondary});
}
