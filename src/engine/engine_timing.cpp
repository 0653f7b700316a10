#include "engine/engine_timing.h"

#include <mutex>

namespace ns_Drav {

namespace {

std::mutex g_lock;
EngineTiming g_timing;

}  // namespace

EngineTiming GetEngineTiming() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_timing;
}

void SetEngineTiming(const EngineTiming& timing) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_timing = timing;
}

}  // namespace ns_Drav
