// A fresh folder per test under the system's temporary folder, removed afterwards,
// with small helpers to write and read the files in it.
#pragma once

#include <string>

namespace vellora::test {

class TempDir {
 public:
  // base: where to create it (default: $TMPDIR or /tmp).
  explicit TempDir(const std::string& base = "");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);
// The build folder, where the executables lie (set by CTest).
std::string BuildDir();

}  // namespace vellora::test
