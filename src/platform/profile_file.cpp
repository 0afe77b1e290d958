// Profile-file parsing and rewriting with the Windows matching rules.
#include "platform/profile_file.h"

#include "platform/files.h"

namespace vellora::platform {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// A section header: "[name]" after optional blanks. The name runs to the "]" (or the
// end of the line when there is none) and is trimmed.
bool ParseHeader(std::string_view line, std::string& name) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return false;
  t.remove_prefix(1);
  size_t close = t.find(']');
  name = std::string(Trim(t.substr(0, close)));
  return true;
}

// A key line: "key=value"; comments and lines without "=" are not keys.
bool ParseKeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return !key.empty();
}

const char kCrLf[] = "\r\n";

}  // namespace

bool ProfileFile::Load(std::string_view path) {
  std::string text;
  FileStat st = StatPath(path);
  bool ok = st.isRegular && ReadFileRange(path, 0, static_cast<size_t>(st.size), text);
  LoadText(ok ? text : std::string());
  return ok;
}

void ProfileFile::LoadText(std::string_view text) {
  sections_.clear();
  sectionIndex_.clear();
  sections_.emplace_back();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    Line line;
    if (end == std::string_view::npos) {
      line.text = std::string(text.substr(pos));
      pos = text.size();
    } else {
      line.text = std::string(text.substr(pos, end - pos));
      size_t eolLen = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
      line.eol = std::string(text.substr(end, eolLen));
      pos = end + eolLen;
    }
    std::string name;
    if (ParseHeader(line.text, name)) {
      Section section;
      section.hasHeader = true;
      section.lines.push_back(std::move(line));
      sectionIndex_.emplace(Lower(name), sections_.size());  // the first one wins
      sections_.push_back(std::move(section));
    } else {
      sections_.back().lines.push_back(std::move(line));
    }
  }
  for (Section& s : sections_) IndexSection(s);
}

void ProfileFile::IndexSection(Section& section) {
  section.keys.clear();
  for (size_t i = section.hasHeader ? 1 : 0; i < section.lines.size(); ++i) {
    std::string_view key, value;
    if (ParseKeyLine(section.lines[i].text, key, value)) section.keys.emplace(Lower(key), i);
  }
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view section) const {
  auto it = sectionIndex_.find(Lower(Trim(section)));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

ProfileFile::Section* ProfileFile::FindSection(std::string_view section) {
  auto it = sectionIndex_.find(Lower(Trim(section)));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  auto it = s->keys.find(Lower(Trim(key)));
  if (it == s->keys.end()) return std::nullopt;
  std::string_view k, value;
  ParseKeyLine(s->lines[it->second].text, k, value);
  return std::string(value);
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
  std::optional<std::string> v = Find(section, key);
  return v ? *v : std::string(defaultValue);
}

void ProfileFile::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
  std::string_view trimmedKey = Trim(key);
  if (sections_.empty()) sections_.emplace_back();
  Section* s = FindSection(section);
  if (s == nullptr) {
    // A new section at the end; the last line must be ended before it.
    Section& last = sections_.back();
    if (!last.lines.empty() && last.lines.back().eol.empty()) last.lines.back().eol = kCrLf;
    Section fresh;
    fresh.hasHeader = true;
    fresh.lines.push_back({"[" + std::string(Trim(section)) + "]", kCrLf});
    fresh.lines.push_back({std::string(trimmedKey) + "=" + std::string(value), kCrLf});
    sectionIndex_.emplace(Lower(Trim(section)), sections_.size());
    sections_.push_back(std::move(fresh));
    IndexSection(sections_.back());
    return;
  }
  auto it = s->keys.find(Lower(trimmedKey));
  if (it != s->keys.end()) {
    Line& line = s->lines[it->second];
    std::string_view oldKey, oldValue;
    ParseKeyLine(line.text, oldKey, oldValue);
    line.text = std::string(oldKey) + "=" + std::string(value);
    if (line.eol.empty()) line.eol = kCrLf;
    return;
  }
  // After the last key line of the section, or right after its header.
  size_t at = s->hasHeader ? 1 : 0;
  for (size_t i = s->lines.size(); i > at; --i) {
    std::string_view k, v;
    if (ParseKeyLine(s->lines[i - 1].text, k, v)) {
      at = i;
      break;
    }
  }
  if (at > 0 && s->lines[at - 1].eol.empty()) s->lines[at - 1].eol = kCrLf;
  s->lines.insert(s->lines.begin() + static_cast<long>(at),
                  Line{std::string(trimmedKey) + "=" + std::string(value), kCrLf});
  for (auto& [k, index] : s->keys) {
    if (index >= at) ++index;
  }
  s->keys.emplace(Lower(trimmedKey), at);
}

std::string ProfileFile::Text() const {
  std::string out;
  for (const Section& s : sections_) {
    for (const Line& l : s.lines) {
      out += l.text;
      out += l.eol;
    }
  }
  return out;
}

bool ProfileFile::Save(std::string_view path) const {
  return ReplaceAtomically(path, Text());
}

}  // namespace vellora::platform
