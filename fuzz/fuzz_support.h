// What the fuzz targets share: program logs that format every line as usual and then
// drop it, so that formatting is exercised without writing files.
#pragma once

#include <string_view>

#include "core/logs.h"

namespace vellora::fuzz {

inline core::LogWriters& DiscardingLogs() {
  static core::LogWriters* logs = [] {
    auto* l = new core::LogWriters;
    l->Configure(".", true, true);
    l->RedirectTo([](std::string_view) {});
    return l;
  }();
  return *logs;
}

}  // namespace vellora::fuzz
