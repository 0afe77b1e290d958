// The mask rule.
#include "intake/masks.h"

#include <string>

#include "platform/paths.h"

namespace vellora::intake {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool MatchesMask(std::string_view fileName, std::string_view maskList) {
  if (maskList.empty() || maskList == "*" || maskList == "*.*") return false;
  const std::string nameExtension = platform::ExtensionPart(fileName);
  size_t pos = 0;
  while (pos <= maskList.size()) {
    size_t end = maskList.find(';', pos);
    if (end == std::string_view::npos) end = maskList.size();
    std::string_view mask = maskList.substr(pos, end - pos);
    pos = end + 1;
    // Empty pieces ("a;;b", a trailing ";") are no masks; an empty mask would match
    // every name without an extension.
    if (mask.empty()) continue;
    if (fileName == mask) return true;
    if (EqualIgnoringCase(nameExtension, platform::ExtensionPart(mask))) return true;
  }
  return false;
}

}  // namespace vellora::intake
