// Path texts. The system keeps every path in its own text form (Windows style, with
// backslashes, drive letters and \\host\share names) and turns a text into an OS path
// only at the moment a file is touched. This header is that one conversion, plus the
// backslash-based helpers that cut a path text into folder, name and extension.
#pragma once

#include <string>
#include <string_view>

namespace vellora::platform {

// Where Windows names land on this machine: \\host\share\rest maps under
// UncRoot/host/share/rest, X:\rest under DriveRoot/x/rest.
struct PathRoots {
  std::string uncRoot = "/mnt/unc";
  std::string driveRoot = "/mnt";
};

// The roots used by ToOsPath(text). Set once at start (from section Platform of the
// program's INI file) before any worker thread runs; reading is thread-safe.
void SetPathRoots(const PathRoots& roots);
PathRoots CurrentPathRoots();

// Every "\" becomes "/"; UNC and drive-letter texts move under their roots; a plain
// POSIX path passes unchanged.
std::string ToOsPath(std::string_view text, const PathRoots& roots);
std::string ToOsPath(std::string_view text);

// Text after the last "\" (the whole text when there is none).
std::string FileNamePart(std::string_view path);
// Text before the last "\" (the whole text when there is none).
std::string FolderPart(std::string_view path);
// Text after the last "." (empty when there is none).
std::string ExtensionPart(std::string_view name);

// The host of a \\host\share text: the text after the two backslashes up to the next
// backslash or the end; empty when the text does not start with two backslashes.
std::string UncHost(std::string_view path);

}  // namespace vellora::platform
