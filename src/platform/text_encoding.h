// The encodings a text file edited on Windows may be saved in, and their conversion to
// and from the program's single-byte text (the Windows-1252 code page). Editors save
// "Unicode" files as UTF-16 with a byte-order mark, and UTF-8 with one; a file without
// a mark is single-byte text already.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellora::platform {

enum class TextEncoding { Ansi, Utf8Bom, Utf16LeBom, Utf16BeBom };

// The encoding named by the file's first bytes and the length of its mark (0 for Ansi).
TextEncoding DetectTextEncoding(std::string_view bytes, size_t& markLength);
// The byte-order mark that begins a file in this encoding (empty for Ansi).
std::string_view ByteOrderMark(TextEncoding encoding);

// Reads one character at pos (which must be below bytes.size()): returns its code
// point and sets length to the bytes it takes. A UTF-8 sequence that is not valid
// reads as its first byte in Windows-1252 (such files are often single-byte text
// behind a mark); a surrogate pair reads as U+FFFD; a lone last byte of UTF-16 reads
// as U+FFFD.
uint32_t NextCodePoint(TextEncoding encoding, std::string_view bytes, size_t pos, size_t& length);

// The Windows-1252 byte of a code point, '?' when it has none (as Windows converts).
// The five bytes the code page leaves undefined stand for U+0081, U+008D, U+008F,
// U+0090 and U+009D, so that they survive a round trip.
char AnsiFromCodePoint(uint32_t codePoint);
uint32_t CodePointFromAnsi(char c);

// Single-byte text in the encoding, without a mark.
std::string EncodeAnsiText(TextEncoding encoding, std::string_view ansi);

}  // namespace vellora::platform
