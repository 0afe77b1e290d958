// A RIP is numbered 1 to 4 where people see it (keys, file names, texts, the "RIP"
// column) and indexed 0 to 3 in memory. The two are distinct types, so that one is
// never passed where the other is meant; each converts to the other explicitly.
#pragma once

#include <compare>

#include "core/settings.h"

namespace vellora::core {

struct RipNumber;

struct RipIndex {
  int value = 0;
  constexpr RipIndex() = default;
  constexpr explicit RipIndex(int v) : value(v) {}
  constexpr RipNumber Number() const;
  constexpr bool Valid() const { return value >= 0 && value < kRipCount; }
  constexpr size_t Slot() const { return static_cast<size_t>(value); }
  // For indexing the four-element arrays: static_cast<size_t>(rip).
  constexpr explicit operator size_t() const { return Slot(); }
  constexpr auto operator<=>(const RipIndex&) const = default;
};

struct RipNumber {
  int value = 1;
  constexpr RipNumber() = default;
  constexpr explicit RipNumber(int v) : value(v) {}
  constexpr RipIndex Index() const { return RipIndex(value - 1); }
  constexpr bool Valid() const { return value >= 1 && value <= kRipCount; }
  constexpr auto operator<=>(const RipNumber&) const = default;
};

constexpr RipNumber RipIndex::Number() const {
  return RipNumber(value + 1);
}

// Every RIP index in order, for range-for loops over the four RIPs.
struct AllRips {
  struct Iterator {
    int value;
    constexpr RipIndex operator*() const { return RipIndex(value); }
    constexpr Iterator& operator++() {
      ++value;
      return *this;
    }
    constexpr bool operator!=(const Iterator& o) const { return value != o.value; }
  };
  constexpr Iterator begin() const { return {0}; }
  constexpr Iterator end() const { return {kRipCount}; }
};

}  // namespace vellora::core
