// Profile-file parsing and rewriting with the Windows matching rules.
#include "platform/profile_file.h"

#include <iterator>

#include "platform/files.h"
#include "platform/paths.h"

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

// Why the bytes are no profile file: NUL characters, or no line end in the first
// `probe` characters of a longer file. Empty when they may well be one.
std::string BinaryReason(TextEncoding encoding, std::string_view bytes, size_t markLength,
                         size_t probe) {
  size_t pos = markLength;
  size_t chars = 0;
  bool lineEnd = false;
  while (pos < bytes.size() && chars < probe) {
    size_t length = 1;
    uint32_t cp = NextCodePoint(encoding, bytes, pos, length);
    if (cp == 0) return "it holds NUL bytes: it is no text file";
    if (cp == '\r' || cp == '\n') lineEnd = true;
    pos += length;
    ++chars;
  }
  if (!lineEnd && pos < bytes.size()) {
    return "it has no line end in its first " + std::to_string(probe) +
           " characters: it is no text file";
  }
  return {};
}

}  // namespace

void ProfileFile::Clear() {
  sections_.clear();
  sectionIndex_.clear();
  sections_.emplace_back();
  encoding_ = TextEncoding::Ansi;
  problem_.clear();
}

bool ProfileFile::Load(std::string_view path) {
  std::string bytes;
  std::string why;
  ReadOutcome outcome = ReadWholeFile(path, bytes, &why);
  Clear();
  switch (outcome) {
    case ReadOutcome::Missing:
      state_ = State::Missing;
      problem_ = why;  // empty unless a link leads nowhere
      return false;
    case ReadOutcome::NotAFile:
      state_ = State::NotAFile;
      problem_ = why;
      return false;
    case ReadOutcome::Failed:
      state_ = State::Unreadable;
      problem_ = why;
      return false;
    case ReadOutcome::Read:
      break;
  }
  size_t markLength = 0;
  encoding_ = DetectTextEncoding(bytes, markLength);
  problem_ = BinaryReason(encoding_, bytes, markLength, kBinaryProbe);
  if (!problem_.empty()) {
    encoding_ = TextEncoding::Ansi;
    state_ = State::Binary;
    return false;
  }
  LoadText(bytes);
  return true;
}

void ProfileFile::LoadText(std::string_view bytes) {
  Clear();
  state_ = State::Loaded;
  size_t markLength = 0;
  encoding_ = DetectTextEncoding(bytes, markLength);
  if (encoding_ == TextEncoding::Ansi) {
    size_t pos = 0;
    while (pos < bytes.size()) {
      size_t end = bytes.find_first_of("\r\n", pos);
      Line line;
      if (end == std::string_view::npos) {
        line.text = std::string(bytes.substr(pos));
        pos = bytes.size();
      } else {
        line.text = std::string(bytes.substr(pos, end - pos));
        size_t eolLen =
            (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
        line.eol = std::string(bytes.substr(end, eolLen));
        pos = end + eolLen;
      }
      AddLine(std::move(line));
    }
    return;
  }
  // Character by character: the line ends are found among the decoded characters, and
  // each line keeps the bytes it was read from.
  size_t pos = markLength;
  while (pos < bytes.size()) {
    const size_t start = pos;
    Line line;
    while (pos < bytes.size()) {
      size_t length = 1;
      uint32_t cp = NextCodePoint(encoding_, bytes, pos, length);
      pos += length;
      if (cp == '\n') {
        line.eol = "\n";
        break;
      }
      if (cp == '\r') {
        line.eol = "\r";
        if (pos < bytes.size() && NextCodePoint(encoding_, bytes, pos, length) == '\n') {
          line.eol = kCrLf;
          pos += length;
        }
        break;
      }
      line.text += AnsiFromCodePoint(cp);
    }
    line.raw = std::string(bytes.substr(start, pos - start));
    AddLine(std::move(line));
  }
}

void ProfileFile::AddLine(Line line) {
  std::string name;
  if (ParseHeader(line.text, name)) {
    Section& section = sections_.emplace_back();
    section.hasHeader = true;
    section.lines.push_back(std::move(line));
    sectionIndex_.emplace(Lower(name), sections_.size() - 1);  // the first one wins
    return;
  }
  Section& section = sections_.back();
  auto it = section.lines.insert(section.lines.end(), std::move(line));
  std::string_view key, value;
  if (ParseKeyLine(it->text, key, value)) {
    section.keys.emplace(Lower(key), it);  // the first one wins
    section.hasKeyLine = true;
    section.lastKeyLine = it;
  }
}

void ProfileFile::EndLine(Line& line) const {
  if (!line.eol.empty()) return;
  line.eol = kCrLf;
  // An unchanged line keeps its bytes; only the line end is new.
  if (encoding_ != TextEncoding::Ansi && !line.edited) line.raw += EncodeAnsiText(encoding_, kCrLf);
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
  ParseKeyLine(it->second->text, k, value);
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
  if (sections_.empty()) Clear();
  Line keyLine{std::string(trimmedKey) + "=" + std::string(value), kCrLf, {}, true};
  Section* s = FindSection(section);
  if (s == nullptr) {
    // A new section at the end; the last line must be ended before it.
    for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
      if (!it->lines.empty()) {
        EndLine(it->lines.back());
        break;
      }
    }
    Section& fresh = sections_.emplace_back();
    fresh.hasHeader = true;
    fresh.lines.push_back({"[" + std::string(Trim(section)) + "]", kCrLf, {}, true});
    sectionIndex_.emplace(Lower(Trim(section)), sections_.size() - 1);
    s = &fresh;
  } else {
    auto it = s->keys.find(Lower(trimmedKey));
    if (it != s->keys.end()) {
      Line& line = *it->second;
      std::string_view oldKey, oldValue;
      ParseKeyLine(line.text, oldKey, oldValue);
      line.text = std::string(oldKey) + "=" + std::string(value);
      if (line.eol.empty()) line.eol = kCrLf;
      line.edited = true;
      return;
    }
  }
  // After the last key line of the section, or right after its header.
  Lines::iterator at = s->hasKeyLine  ? std::next(s->lastKeyLine)
                       : s->hasHeader ? std::next(s->lines.begin())
                                      : s->lines.begin();
  if (at != s->lines.begin()) EndLine(*std::prev(at));
  auto inserted = s->lines.insert(at, std::move(keyLine));
  std::string_view k, v;
  if (ParseKeyLine(inserted->text, k, v)) {
    s->hasKeyLine = true;
    s->lastKeyLine = inserted;
  }
  s->keys.emplace(Lower(trimmedKey), inserted);
}

std::string ProfileFile::Text() const {
  std::string out(ByteOrderMark(encoding_));
  for (const Section& s : sections_) {
    for (const Line& l : s.lines) {
      if (encoding_ == TextEncoding::Ansi) {
        out += l.text;
        out += l.eol;
      } else if (!l.edited) {
        out += l.raw;
      } else {
        out += EncodeAnsiText(encoding_, l.text);
        out += EncodeAnsiText(encoding_, l.eol);
      }
    }
  }
  return out;
}

bool ProfileFile::Save(std::string_view path, std::string* error) const {
  if (state_ == State::Unreadable || state_ == State::NotAFile || state_ == State::Binary) {
    // Its lines were never read: writing now would put the keys set here in place of
    // everything the file holds.
    if (error != nullptr) {
      *error = "cannot save " + ToOsPath(path) + ": it could not be read when loaded (" + problem_ +
               "), and a file that was not read is never replaced";
    }
    return false;
  }
  std::string why;
  if (!SaveKeepingAttributes(path, Text(), &why)) {
    if (error != nullptr) *error = "cannot save " + ToOsPath(path) + ": " + why;
    return false;
  }
  return true;
}

}  // namespace vellora::platform
