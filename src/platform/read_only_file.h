// A file opened for reading while other programs keep writing it: the RIP logs,
// which the RIP appends to (and may replace) at any moment. The file is opened once,
// its size taken from the open handle and read at explicit 64-bit offsets, so a
// reader sees one consistent file even when the name is replaced meanwhile, and a
// file that shrinks or grows only shortens or leaves out the end of a read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellora::platform {

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Opens an existing regular file for reading; writers are never locked out.
  // False when the file is missing, is not a regular file or cannot be opened.
  bool Open(std::string_view path);
  bool IsOpen() const { return fd_ >= 0; }
  // The current size of the open file. False when it cannot be taken.
  bool Size(uint64_t& size) const;
  // Reads up to n bytes at offset into buffer, repeating short reads until n bytes
  // are read or the end of the file is reached. Returns the number of bytes read
  // (less than n at the end of the file), or -1 when a read fails.
  int64_t ReadAt(uint64_t offset, char* buffer, size_t n) const;
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace vellora::platform
