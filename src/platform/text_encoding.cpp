// Windows-1252 against UTF-8 and UTF-16.
#include "platform/text_encoding.h"

namespace vellora::platform {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// 0x80 to 0x9F of Windows-1252; the undefined five map to the C1 controls.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint8_t Byte(std::string_view s, size_t i) {
  return static_cast<uint8_t>(s[i]);
}

uint32_t NextUtf8(std::string_view s, size_t pos, size_t& length) {
  const uint8_t b0 = Byte(s, pos);
  length = 1;
  if (b0 < 0x80) return b0;
  size_t need = 0;
  uint32_t cp = 0;
  uint32_t min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1Fu;
    min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0Fu;
    min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07u;
    min = 0x10000;
  } else {
    return CodePointFromAnsi(static_cast<char>(b0));
  }
  if (pos + need >= s.size()) return CodePointFromAnsi(static_cast<char>(b0));
  for (size_t k = 1; k <= need; ++k) {
    const uint8_t b = Byte(s, pos + k);
    if ((b & 0xC0u) != 0x80u) return CodePointFromAnsi(static_cast<char>(b0));
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return CodePointFromAnsi(static_cast<char>(b0));
  }
  length = need + 1;
  return cp;
}

uint32_t NextUtf16(std::string_view s, size_t pos, size_t& length, bool littleEndian) {
  if (pos + 1 >= s.size()) {
    length = s.size() - pos;
    return kReplacement;
  }
  auto unit = [&](size_t at) -> uint32_t {
    return littleEndian ? Byte(s, at) | (Byte(s, at + 1) << 8)
                        : (Byte(s, at) << 8) | Byte(s, at + 1);
  };
  length = 2;
  const uint32_t u = unit(pos);
  if (u >= 0xD800 && u <= 0xDBFF && pos + 3 < s.size()) {
    const uint32_t low = unit(pos + 2);
    if (low >= 0xDC00 && low <= 0xDFFF) length = 4;
    // Beyond the code page either way.
    return kReplacement;
  }
  if (u >= 0xD800 && u <= 0xDFFF) return kReplacement;
  return u;
}

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

}  // namespace

TextEncoding DetectTextEncoding(std::string_view bytes, size_t& markLength) {
  if (bytes.size() >= 3 && Byte(bytes, 0) == 0xEF && Byte(bytes, 1) == 0xBB &&
      Byte(bytes, 2) == 0xBF) {
    markLength = 3;
    return TextEncoding::Utf8Bom;
  }
  if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE) {
    markLength = 2;
    return TextEncoding::Utf16LeBom;
  }
  if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFE && Byte(bytes, 1) == 0xFF) {
    markLength = 2;
    return TextEncoding::Utf16BeBom;
  }
  markLength = 0;
  return TextEncoding::Ansi;
}

std::string_view ByteOrderMark(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8Bom:
      return "\xEF\xBB\xBF";
    case TextEncoding::Utf16LeBom:
      return "\xFF\xFE";
    case TextEncoding::Utf16BeBom:
      return "\xFE\xFF";
    case TextEncoding::Ansi:
      break;
  }
  return {};
}

uint32_t NextCodePoint(TextEncoding encoding, std::string_view bytes, size_t pos, size_t& length) {
  switch (encoding) {
    case TextEncoding::Utf8Bom:
      return NextUtf8(bytes, pos, length);
    case TextEncoding::Utf16LeBom:
      return NextUtf16(bytes, pos, length, true);
    case TextEncoding::Utf16BeBom:
      return NextUtf16(bytes, pos, length, false);
    case TextEncoding::Ansi:
      break;
  }
  length = 1;
  return CodePointFromAnsi(bytes[pos]);
}

char AnsiFromCodePoint(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

uint32_t CodePointFromAnsi(char c) {
  const auto b = static_cast<uint8_t>(c);
  if (b >= 0x80 && b <= 0x9F) return kHighControls[b - 0x80];
  return b;
}

std::string EncodeAnsiText(TextEncoding encoding, std::string_view ansi) {
  if (encoding == TextEncoding::Ansi) return std::string(ansi);
  std::string out;
  out.reserve(encoding == TextEncoding::Utf8Bom ? ansi.size() + ansi.size() / 4 : ansi.size() * 2);
  for (char c : ansi) {
    const uint32_t cp = CodePointFromAnsi(c);
    switch (encoding) {
      case TextEncoding::Utf8Bom:
        AppendUtf8(out, cp);
        break;
      case TextEncoding::Utf16LeBom:
        out += static_cast<char>(cp & 0xFF);
        out += static_cast<char>(cp >> 8);
        break;
      case TextEncoding::Utf16BeBom:
        out += static_cast<char>(cp >> 8);
        out += static_cast<char>(cp & 0xFF);
        break;
      case TextEncoding::Ansi:
        break;
    }
  }
  return out;
}

}  // namespace vellora::platform
