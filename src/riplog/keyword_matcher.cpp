// The one-pass keyword search and the ASCII upper-casing.
#include "riplog/keyword_matcher.h"

#include <cstring>

namespace vellora::riplog {

void UpperCaseAscii(const char* in, size_t n, char* out) {
  // Eight bytes at a time: for each byte below 128, adding 0x1F sets its top bit
  // when it is 'a' or above, adding 0x05 when it is above 'z'; bytes in between
  // (and with their own top bit clear) lose 0x20.
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr uint64_t kTop = 0x8080808080808080ull;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x;
    std::memcpy(&x, in + i, 8);
    uint64_t low = x & kLow7;
    uint64_t fromA = low + 0x1F1F1F1F1F1F1F1Full;
    uint64_t beyondZ = low + 0x0505050505050505ull;
    uint64_t lower = fromA & ~beyondZ & ~x & kTop;
    x ^= lower >> 2;
    std::memcpy(out + i, &x, 8);
  }
  for (; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    out[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
}

std::string UpperCaseAscii(std::string_view text) {
  std::string out(text.size(), '\0');
  UpperCaseAscii(text.data(), text.size(), out.data());
  return out;
}

namespace {
unsigned PairOf(const unsigned char* p) {
  return static_cast<unsigned>(p[0]) << 8 | p[1];
}
}  // namespace

KeywordMatcher::KeywordMatcher(const LogDialect& dialect) : words_(dialect.keywords) {
  for (size_t k = 0; k < kKeywordCount; ++k) {
    const std::string_view w = words_[k];
    if (w.empty()) continue;
    used_ |= static_cast<uint8_t>(1u << k);
    startsWith_[static_cast<unsigned char>(w[0])] |= static_cast<uint8_t>(1u << k);
    if (w.size() < shortest_) shortest_ = w.size();
    if (w.size() >= 2) {
      unsigned pair = PairOf(reinterpret_cast<const unsigned char*>(w.data()));
      pairs_[pair >> 6] |= uint64_t{1} << (pair & 63);
    } else {
      for (unsigned second = 0; second < 256; ++second) {
        unsigned pair = static_cast<unsigned char>(w[0]) << 8 | second;
        pairs_[pair >> 6] |= uint64_t{1} << (pair & 63);
      }
    }
  }
}

KeywordHits KeywordMatcher::Find(std::string_view line) const {
  KeywordHits hits;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const size_t n = line.size();
  if (used_ == 0 || n < shortest_) return hits;
  unsigned pending = used_;
  // No keyword fits after the last candidate position; the pair filter (first two
  // bytes) keeps the byte-by-byte comparison off almost every position.
  const size_t last = n - shortest_;
  for (size_t i = 0; i <= last; ++i) {
    unsigned pair = i + 1 < n ? PairOf(p + i) : static_cast<unsigned>(p[i]) << 8;
    if ((pairs_[pair >> 6] >> (pair & 63) & 1) == 0) continue;
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
    if (pending == 0) break;
  }
  return hits;
}

}  // namespace vellora::riplog
