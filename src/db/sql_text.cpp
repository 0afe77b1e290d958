// Literal escaping, the dialect rewrite and the text forms of the statements.
#include "db/sql_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "core/settings_io.h"
#include "platform/clock.h"

namespace vellora::db {

std::string EscapeLiteral(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\0') continue;
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Case-blind match of word at pos.
bool MatchWord(std::string_view text, size_t pos, std::string_view word) {
  if (pos + word.size() > text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[pos + i])) != word[i]) return false;
  }
  return true;
}

// Length of "WITH (NOLOCK)" (any case, any blanks) at pos, or 0.
size_t NoLockHintAt(std::string_view text, size_t pos) {
  if (pos > 0 && IsWordChar(text[pos - 1])) return 0;
  if (!MatchWord(text, pos, "WITH")) return 0;
  size_t i = pos + 4;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i >= text.size() || text[i] != '(') return 0;
  ++i;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (!MatchWord(text, i, "NOLOCK")) return 0;
  i += 6;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i >= text.size() || text[i] != ')') return 0;
  return i + 1 - pos;
}

}  // namespace

std::string ToServerDialect(std::string_view statement, bool sqlServer) {
  if (sqlServer) return std::string(statement);
  std::string out;
  out.reserve(statement.size());
  bool inLiteral = false;
  for (size_t i = 0; i < statement.size(); ++i) {
    char c = statement[i];
    if (inLiteral) {
      out += c;
      // A doubled quote is a quote inside the literal, not its end.
      if (c == '\'') {
        if (i + 1 < statement.size() && statement[i + 1] == '\'') {
          out += '\'';
          ++i;
        } else {
          inLiteral = false;
        }
      }
      continue;
    }
    if (c == '\'') {
      inLiteral = true;
      out += c;
      continue;
    }
    if (size_t n = NoLockHintAt(statement, i); n > 0) {
      // The blank before the hint goes with it.
      if (!out.empty() && out.back() == ' ') out.pop_back();
      i += n - 1;
      continue;
    }
    if (c == '[') {
      size_t close = statement.find(']', i + 1);
      if (close != std::string_view::npos) {
        out.append(statement.substr(i + 1, close - i - 1));
        i = close;
        continue;
      }
    }
    out += c;
  }
  return out;
}

bool IsSqlServerName(std::string_view dbmsName) {
  return dbmsName == "Microsoft SQL Server";
}

std::string FormatDbDate(int64_t date, int dateFormat) {
  platform::LocalTime t = platform::ToLocal(date);
  char buf[40];
  if (dateFormat == 2) {
    std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2dT00:00:00", t.year, t.month, t.day);
  } else {
    std::snprintf(buf, sizeof buf, "%.2d/%.2d/%.4d", t.month, t.day, t.year);
  }
  return buf;
}

std::string FolderSafePageFormat(std::string_view name) {
  std::string out;
  for (char c : name) {
    switch (c) {
      case '+':
      case ':':
      case '/':
      case '\\':
      case '<':
      case '>':
      case ';':
      case '|':
      case '?':
      case '*':
        break;
      default:
        out += c;
    }
  }
  return out;
}

int TextToInt(std::string_view text) {
  return core::AtoiValue(text);
}

double TextToDouble(std::string_view text) {
  std::string s(text);
  return std::strtod(s.c_str(), nullptr);
}

}  // namespace vellora::db
