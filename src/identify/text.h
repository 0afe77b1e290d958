// Single-byte text helpers of the job-name code. Names are in the Windows code page;
// only ASCII letters change case, whatever the process's locale, and a byte above 127
// is never handed to a <cctype> function.
#pragma once

#include <string>
#include <string_view>

namespace vellora::identify {

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

inline std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}
inline std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

}  // namespace vellora::identify
