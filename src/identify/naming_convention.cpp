// Expansion of a naming convention into its position pattern.
#include "identify/naming_convention.h"

#include "core/settings_io.h"
#include "identify/text.h"

namespace vellora::identify {

std::string ExpandNamingConvention(std::string_view convention) {
  const std::string text = AsciiLower(convention);
  const size_t size = text.size();
  std::string pattern;
  size_t p = 0;
  while (p < size) {
    if (text[p] != '%') {
      pattern += text[p++];
      continue;
    }
    // A "%" as the last character is itself the attribute (it takes no field).
    if (p + 1 < size) ++p;
    int count = core::AtoiValue(std::string_view(text).substr(p));
    if (count > 0) {
      // The count's digits only: "%3P" is three P's.
      while (p < size && IsDigit(text[p])) ++p;
    } else {
      count = 1;
    }
    if (count > kMaxAttributeCount) count = kMaxAttributeCount;
    if (p >= size) break;
    const char attribute = AsciiUpper(text[p]);
    pattern.append(static_cast<size_t>(count), attribute);
    ++p;
    if (p >= size) break;
    if (text[p] == '[') {
      const size_t close = text.find(']', p);
      if (close != std::string::npos) {
        // "%D[ddmmyy]" documents the date's layout: one D per bracketed character.
        const size_t inside = close - p - 1;
        if (attribute == 'D' && inside > 1) {
          size_t extra = inside - 1;
          if (extra > static_cast<size_t>(kMaxAttributeCount)) extra = kMaxAttributeCount;
          pattern.append(extra, 'D');
        }
        p = close + 1;
      }
      // Without a "]" the "[" is an ordinary character of the pattern.
    }
  }
  return pattern;
}

}  // namespace vellora::identify
