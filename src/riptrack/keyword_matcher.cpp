// The one-pass keyword search and the ASCII upper-casing.
#include "riptrack/keyword_matcher.h"

#include <cstring>

namespace vellora::riptrack {

void UpperCaseAscii(const char* in, size_t n, char* out) {
  // Branch-free, so the compiler can turn the loop into vector code.
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    out[i] = static_cast<char>(c - (static_cast<unsigned char>(c - 'a') < 26 ? 32 : 0));
  }
}

std::string UpperCaseAscii(std::string_view text) {
  std::string out(text.size(), '\0');
  UpperCaseAscii(text.data(), text.size(), out.data());
  return out;
}

KeywordMatcher::KeywordMatcher(const LogDialect& dialect) : words_(dialect.keywords) {
  for (size_t k = 0; k < kKeywordCount; ++k) {
    if (words_[k].empty()) continue;
    used_ |= static_cast<uint8_t>(1u << k);
    startsWith_[static_cast<unsigned char>(words_[k][0])] |= static_cast<uint8_t>(1u << k);
  }
}

KeywordHits KeywordMatcher::Find(std::string_view line) const {
  KeywordHits hits;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const size_t n = line.size();
  unsigned pending = used_;
  for (size_t i = 0; i < n && pending != 0; ++i) {
    unsigned candidates = startsWith_[p[i]] & pending;
    while (candidates != 0) {
      unsigned k = static_cast<unsigned>(__builtin_ctz(candidates));
      candidates &= candidates - 1;
      std::string_view w = words_[k];
      if (n - i >= w.size() && std::memcmp(p + i + 1, w.data() + 1, w.size() - 1) == 0) {
        hits.at[k] = i;
        pending &= ~(1u << k);
      }
    }
  }
  return hits;
}

}  // namespace vellora::riptrack
