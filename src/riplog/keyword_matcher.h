// Finding the keywords of the RIP log in a line. Every keyword is searched as a
// substring anywhere in the line; the matcher reports, for each, where its first
// occurrence begins. One pass over the line finds all of them: a bit table of the
// keywords' first two bytes lets almost every position pass at once, and where it
// does not, only the keywords that begin with that byte are compared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "riplog/log_dialect.h"

namespace vellora::riplog {

// Upper-cases the letters a to z and nothing else (bytes above 127 stay as they
// are, whatever the locale), as the operator program does before matching.
void UpperCaseAscii(const char* in, size_t n, char* out);
std::string UpperCaseAscii(std::string_view text);

struct KeywordHits {
  static constexpr size_t npos = std::string_view::npos;
  // Where the first occurrence of each keyword begins in the line; npos if absent.
  std::array<size_t, kKeywordCount> at{npos, npos, npos, npos, npos, npos, npos};

  bool Has(Keyword k) const { return at[static_cast<size_t>(k)] != npos; }
  size_t Position(Keyword k) const { return at[static_cast<size_t>(k)]; }
  bool Any() const {
    for (size_t p : at)
      if (p != npos) return true;
    return false;
  }
};

class KeywordMatcher {
 public:
  // Matches the keywords of the dialect exactly as they are written there (upper case
  // for the operator program, which therefore wants upper-cased lines).
  explicit KeywordMatcher(const LogDialect& dialect);

  KeywordHits Find(std::string_view line) const;
  std::string_view KeywordText(Keyword k) const { return words_[static_cast<size_t>(k)]; }

 private:
  std::array<std::string_view, kKeywordCount> words_;
  std::array<uint8_t, 256> startsWith_{};  // bit k: keyword k begins with this byte
  std::array<uint64_t, 1024> pairs_{};     // one bit per byte pair that begins a keyword
  uint8_t used_ = 0;                       // bit k: the dialect has keyword k
  size_t shortest_ = SIZE_MAX;             // length of the shortest keyword
};

}  // namespace vellora::riplog
