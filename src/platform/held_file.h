// A file kept open for as long as its holder lives: how a program marks that it runs.
// Others detect the open handle with the in-use test of files.h (IsFileInUse,
// DeleteUnlessInUse), which is what a RIP's "Config\inUse" file is there for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellora::platform {

class HeldFile {
 public:
  HeldFile() = default;
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Opens the file for reading and writing, creating it when missing, and keeps it
  // open. Someone else may be deleting a stale file at the same instant (a monitor's
  // in-use test does exactly that); the open is repeated until the handle is the file
  // that stands under the name. False when the file cannot be opened.
  bool Open(std::string_view path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // True while the name still leads to the held file (not deleted or replaced since).
  bool IsInPlace() const;

 private:
  int fd_ = -1;
  std::string osPath_;
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
};

}  // namespace vellora::platform
