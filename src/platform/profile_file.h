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
//
// A file saved as "Unicode" (UTF-16 with a byte-order mark, either byte order) or as
// UTF-8 with a mark is read as the program's single-byte text (Windows-1252; what the
// code page lacks reads as "?") and saved in the encoding it was read in: the lines
// that were not changed keep their bytes, changed and new lines are encoded afresh.
//
// Saving never replaces a file that could not be read: the file's content would be
// lost. Every change is made in memory, in time linear in the file's size, and the
// file is written once.
#pragma once

#include <deque>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/text_encoding.h"

namespace vellora::platform {

class ProfileFile {
 public:
  // What the last Load found.
  enum class State {
    Empty,       // nothing loaded yet
    Loaded,      // read (LoadText counts as read)
    Missing,     // no file under the name: reads as empty, may be created by a save
    Unreadable,  // exists but cannot be read (permissions, an I/O error)
    NotAFile,    // a folder, a pipe, a device
    Binary,      // NUL bytes, or no line end in its first kBinaryProbe characters
  };
  static constexpr size_t kBinaryProbe = 4096;

  ProfileFile() = default;
  // The line index points into the lines themselves: a copy would point into the
  // original. A move keeps every line where it is.
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;
  ProfileFile(ProfileFile&&) = default;
  ProfileFile& operator=(ProfileFile&&) = default;

  // Reads the file. Whatever cannot be used (see State) reads as empty; returns
  // whether the file was read.
  bool Load(std::string_view path);
  // The bytes of a profile file, byte-order mark included; no check for binary
  // content.
  void LoadText(std::string_view bytes);
  State state() const { return state_; }
  // Why the file could not be used, for messages ("it is a folder", "Permission
  // denied", ...); empty unless the state is Unreadable, NotAFile or Binary, or Missing
  // behind a symbolic link that leads nowhere (which a save may still create).
  const std::string& problem() const { return problem_; }
  TextEncoding encoding() const { return encoding_; }

  bool HasSection(std::string_view section) const { return FindSection(section) != nullptr; }
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue) const;
  void SetString(std::string_view section, std::string_view key, std::string_view value);

  // The file's bytes as a save writes them: its mark, and every line in its encoding.
  std::string Text() const;
  // Writes the text over the path (through a symbolic link to its target, keeping the
  // mode and owner of the file replaced; see SaveKeepingAttributes), so that a crash
  // leaves either the old file or the new one. Refused when the last Load found a
  // file it could not read. False with the reason in error.
  bool Save(std::string_view path, std::string* error = nullptr) const;

 private:
  struct Line {
    std::string text;  // single-byte text, without the line end
    std::string eol;   // "\r\n", "\n", "\r", or "" for a last line without one
    std::string raw;   // encoded files: the bytes read for text and eol
    bool edited = false;
  };
  using Lines = std::list<Line>;
  struct Section {
    bool hasHeader = false;
    Lines lines;  // front() is the header when hasHeader
    bool hasKeyLine = false;
    Lines::iterator lastKeyLine;                            // where the next new key goes after
    std::unordered_map<std::string, Lines::iterator> keys;  // lower-case key -> first line
  };

  void Clear();
  void AddLine(Line line);
  // Gives the line a line end if it has none (it is about to be followed).
  void EndLine(Line& line) const;
  Section* FindSection(std::string_view section);
  const Section* FindSection(std::string_view section) const;

  std::deque<Section> sections_;  // sections_[0]: the lines before the first header
  std::unordered_map<std::string, size_t> sectionIndex_;
  TextEncoding encoding_ = TextEncoding::Ansi;
  State state_ = State::Empty;
  std::string problem_;
};

}  // namespace vellora::platform
