#include "service/service_settings.h"

#include <mutex>

namespace {

std::mutex g_lock;
ServiceSettings g_settings;

void DropTrailingSlash(std::string* base) {
  while (!base->empty() && base->back() == '/')
    base->pop_back();
}

}  // namespace

void SetServiceSettings(ServiceSettings settings) {
  DropTrailingSlash(&settings.primary_base);
  DropTrailingSlash(&settings.secondary_base);
  std::lock_guard<std::mutex> hold(g_lock);
  g_settings = std::move(settings);
}

ServiceSettings GetServiceSettings() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_settings;
}
