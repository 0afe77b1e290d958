// Pointer files: naming, conversion, reading and crash-safe writing.
#include "riplog/log_pointer.h"

#include <cstdio>

#include "platform/files.h"

namespace vellora::riplog {

namespace {
constexpr size_t kPointerReadSize = 80;
}

std::string VelloraPointerPath(std::string_view programFolder, int ripIndex) {
  return std::string(programFolder) + "\\LogFilePointer" + std::to_string(ripIndex + 1);
}

std::string BrindlogPointerPath(std::string_view ripInstallFolder) {
  return std::string(ripInstallFolder) + "\\LogFilePointer";
}

int64_t ParseLogPointer(std::string_view text) {
  size_t i = 0;
  auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && blank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    any = true;
    int digit = text[i] - '0';
    if (value > (INT64_MAX - digit) / 10) {
      value = INT64_MAX;  // saturate; the remaining digits change nothing
      continue;
    }
    value = value * 10 + digit;
  }
  if (!any || negative) return 0;
  return value;
}

int64_t ReadLogPointer(std::string_view pointerPath) {
  std::string text;
  if (!platform::ReadFileRange(pointerPath, 0, kPointerReadSize, text)) return 0;
  return ParseLogPointer(text);
}

bool WriteLogPointer(std::string_view pointerPath, int64_t pointer, std::string* reason) {
  char text[32];
  int n = std::snprintf(text, sizeof text, "%lld\r\n", static_cast<long long>(pointer));
  if (n <= 0) return false;
  return platform::ReplaceAtomically(pointerPath, std::string_view(text, static_cast<size_t>(n)),
                                     reason);
}

}  // namespace vellora::riplog
