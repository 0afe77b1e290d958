// Private profile (INI) files, read and written the way the Windows profile functions
// do it, so that a Vellora.ini edited on Windows loads here exactly as it would there
// and a file saved here keeps every line it did not change byte for byte.
//
// Reading: section and key names are matched without regard to case, blanks around
// names and values are trimmed, one matching pair of outer quotes is stripped from a
// value, the first of duplicated sections or keys wins, lines starting with ";" are
// comments. Writing: the first occurrence's value is replaced (the key keeps its
// spelling), a new key goes after the last key line of its section, a new section at
// the end of the file; written lines end with CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vellora::platform {

class ProfileFile {
 public:
  // Reads the file. A missing or unreadable file reads as empty; returns whether
  // the file could be read.
  bool Load(std::string_view path);
  void LoadText(std::string_view text);

  bool HasSection(std::string_view section) const { return FindSection(section) != nullptr; }
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue) const;
  void SetString(std::string_view section, std::string_view key, std::string_view value);

  std::string Text() const;
  // Writes the whole text to a temporary file and renames it over the path, so that a
  // crash leaves either the old file or the new one.
  bool Save(std::string_view path) const;

 private:
  struct Line {
    std::string text;
    std::string eol;
  };
  struct Section {
    bool hasHeader = false;
    std::vector<Line> lines;                       // lines[0] is the header when hasHeader
    std::unordered_map<std::string, size_t> keys;  // lower-case key -> first line
  };

  void IndexSection(Section& section);
  Section* FindSection(std::string_view section);
  const Section* FindSection(std::string_view section) const;

  std::vector<Section> sections_;  // sections_[0]: the lines before the first header
  std::unordered_map<std::string, size_t> sectionIndex_;
};

}  // namespace vellora::platform
