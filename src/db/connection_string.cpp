// Building and masking connection strings.
#include "db/connection_string.h"

#include <cctype>

namespace vellora::db {

namespace {

std::string Value(std::string_view v) {
  bool braces = v.find_first_of(";{}") != std::string_view::npos ||
                (!v.empty() && (v.front() == ' ' || v.back() == ' '));
  if (!braces) return std::string(v);
  std::string out = "{";
  for (char c : v) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

bool IsPwdAt(std::string_view text, size_t pos) {
  if (pos + 4 > text.size()) return false;
  // Only where an attribute can begin.
  if (pos > 0 && std::isalnum(static_cast<unsigned char>(text[pos - 1]))) return false;
  return std::toupper(static_cast<unsigned char>(text[pos])) == 'P' &&
         std::toupper(static_cast<unsigned char>(text[pos + 1])) == 'W' &&
         std::toupper(static_cast<unsigned char>(text[pos + 2])) == 'D' && text[pos + 3] == '=';
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t pos = text.find(from); pos != std::string::npos;
       pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
}

}  // namespace

std::string BuildConnectionString(std::string_view dataSource, std::string_view user,
                                  std::string_view password) {
  return "DSN=" + Value(dataSource) + ";UID=" + Value(user) + ";PWD=" + Value(password);
}

std::string ShownConnectionString(std::string_view dataSource, std::string_view user) {
  return "DSN=" + Value(dataSource) + ";UID=" + Value(user) + ";PWD=***";
}

std::string MaskPasswords(std::string_view text, std::string_view password) {
  std::string known(text);
  if (!password.empty()) {
    ReplaceAll(known, "PWD=" + Value(password), "PWD=***");
    ReplaceAll(known, "PWD=" + std::string(password), "PWD=***");
  }
  std::string out;
  size_t i = 0;
  while (i < known.size()) {
    if (!IsPwdAt(known, i)) {
      out += known[i++];
      continue;
    }
    out.append(known, i, 4);
    out += "***";
    i += 4;
    if (known.compare(i, 3, "***") == 0) {
      i += 3;
    } else if (i < known.size() && known[i] == '{') {
      // A braced value ends at a single "}"; "}}" is a brace inside it.
      for (++i; i < known.size(); ++i) {
        if (known[i] != '}') continue;
        if (i + 1 < known.size() && known[i + 1] == '}') {
          ++i;
          continue;
        }
        ++i;
        break;
      }
    } else {
      while (i < known.size() && known[i] != ';' && known[i] != ' ' && known[i] != '\'' &&
             known[i] != ')' && known[i] != '\n')
        ++i;
    }
  }
  return out;
}

}  // namespace vellora::db
