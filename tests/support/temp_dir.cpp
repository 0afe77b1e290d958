// Temporary folders for tests.
#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vellora::test {

TempDir::TempDir(const std::string& base) {
  std::string root = base;
  if (root.empty()) {
    const char* t = std::getenv("TMPDIR");
    root = t != nullptr && *t != '\0' ? t : "/tmp";
  }
  std::string templ = root + "/vellora-test-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed in " + root);
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << content;
  if (!f) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  return std::filesystem::exists(path);
}

void MakeDirs(const std::string& path) {
  std::filesystem::create_directories(path);
}

std::string BuildDir() {
  const char* b = std::getenv("VELLORA_BUILD_DIR");
  return b != nullptr ? b : ".";
}

}  // namespace vellora::test
