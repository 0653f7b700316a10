// The installer's entry point.
#include <string>
#include <vector>

#include "app/endpoints.h"
#include "app/startup.h"
#include "service/service_settings.h"
#include "service/strategy_queries.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const Endpoints& endpoints = GetEndpoints();
  ServiceSettings service;
  service.primary_base = endpoints.service_primary;
  service.secondary_base = endpoints.service_secondary;
  SetServiceSettings(service);

  StartupOptions options;
  options.config_services.related_ids = [](int product_id, const std::string& client_sign) {
    return SharedStrategyQueries().GetRelationProductIds(product_id, client_sign);
  };
  PlaceholderUiHost ui;
  InstallerState state;
  return RunInstaller(args, ui, options, &state);
}
