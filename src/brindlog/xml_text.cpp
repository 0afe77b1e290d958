// Escaping, trimming and character conversion for the JMF files.
#include "brindlog/xml_text.h"

#include <cstdint>

namespace vellora::brindlog {
namespace {

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Windows-1252 from 0x80 to 0x9F; the five bytes the code page leaves undefined keep
// their C1 code points, as Windows converts them.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The length of the well-formed UTF-8 character at text[i] that XML allows (no
// overlong forms, no surrogates, nothing above U+10FFFF, not U+FFFE or U+FFFF);
// 0 when the bytes there are no such character.
size_t Utf8CharacterAt(std::string_view text, size_t i) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  auto cont = [&](size_t k) { return i + k < text.size() && (b(k) & 0xC0) == 0x80; };
  unsigned char lead = b(0);
  if (lead >= 0xC2 && lead <= 0xDF) return cont(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    uint32_t cp = ((lead & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
    if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    uint32_t cp =
        ((lead & 0x07u) << 18) | ((b(1) & 0x3Fu) << 12) | ((b(2) & 0x3Fu) << 6) | (b(3) & 0x3Fu);
    return cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 0;
  }
  return 0;
}

}  // namespace

std::string EscapeXml(std::string_view text, Apostrophe apostrophe) {
  // One walk gives the same result as the five replacements in their order: only the
  // first one ("&") could touch what another inserts, and it runs first.
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\'':
        out += apostrophe == Apostrophe::Hash ? "#" : "&apos;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string ToXmlCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      bool allowed = c >= 0x20 || c == '\t' || c == '\n' || c == '\r';
      out += allowed ? static_cast<char>(c) : '?';
      ++i;
    } else if (size_t n = Utf8CharacterAt(text, i); n != 0) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      AppendUtf8(out, c < 0xA0 ? kCp1252High[c - 0x80] : c);
      ++i;
    }
  }
  return out;
}

}  // namespace vellora::brindlog
