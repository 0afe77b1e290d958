// The cut, the upper-casing and the captures of one line.
#include "riplog/keyword_line.h"

#include <algorithm>
#include <cstring>

namespace vellora::riplog {

namespace {

bool IsBlankSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string Cut(std::string_view s, size_t limit) {
  return std::string(s.substr(0, limit));
}

}  // namespace

KeywordLine::KeywordLine(const LogDialect& dialect)
    : dialect_(dialect), matcher_(dialect), line_(new char[dialect.lineLimit]) {}

void KeywordLine::Set(std::string_view raw) {
  // Copied even where nothing is changed, so the line never depends on the
  // lifetime of the caller's data; at most lineLimit bytes.
  raw = raw.substr(0, dialect_.lineLimit);
  if (dialect_.rule == MatchRule::UpperCase) {
    UpperCaseAscii(raw.data(), raw.size(), line_.get());
  } else {
    std::memcpy(line_.get(), raw.data(), raw.size());
  }
  text_ = std::string_view(line_.get(), raw.size());
  hits_ = matcher_.Find(text_);
}

std::string_view KeywordLine::After(Keyword k) const {
  if (!Has(k)) return {};
  return text_.substr(hits_.Position(k) + matcher_.KeywordText(k).size());
}

std::string_view KeywordLine::From(Keyword k) const {
  if (!Has(k)) return {};
  return text_.substr(hits_.Position(k));
}

std::string KeywordLine::Setup() const {
  std::string_view after = After(Keyword::SetupLoaded);
  if (dialect_.deliverable == Deliverable::Vellora) return Cut(after, dialect_.setupLimit);
  std::string unquoted;
  unquoted.reserve(after.size());
  std::copy_if(after.begin(), after.end(), std::back_inserter(unquoted),
               [](char c) { return c != '"'; });
  // Cutting may leave a blank at the end again.
  return std::string(Trim(Cut(Trim(unquoted), dialect_.setupLimit)));
}

std::string KeywordLine::JobTime() const {
  return Cut(After(Keyword::StartingJob), dialect_.jobTimeLimit);
}

std::string KeywordLine::FileName() const {
  std::string_view name = Trim(After(Keyword::RippingFile));
  size_t slash = name.rfind('/');
  if (slash == std::string_view::npos) slash = name.rfind('\\');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  name = name.substr(0, name.find(' '));
  return std::string(Trim(Cut(Trim(name), dialect_.fileNameLimit)));
}

std::string KeywordLine::WarningText() const {
  std::string_view t =
      dialect_.textsIncludeKeyword ? From(Keyword::Warning) : After(Keyword::Warning);
  return Cut(t, dialect_.textLimit);
}

std::string KeywordLine::ErrorText() const {
  std::string_view t = dialect_.textsIncludeKeyword ? From(Keyword::Error) : After(Keyword::Error);
  return Cut(t, dialect_.textLimit);
}

std::string KeywordLine::JobName() const {
  Keyword k = Has(Keyword::JobNotCompleted) ? Keyword::JobNotCompleted : Keyword::JobCompleted;
  return Cut(After(k), dialect_.jobNameLimit);
}

}  // namespace vellora::riplog
