// Where a reader of a RIP log goes on at its next pass: the pointer file, and the
// position in memory while that file cannot be written. Without the memory a reader
// whose pointer file is unwritable (a folder under its name, a read-only folder, a
// full disk) would read the log from the same old place at every pass and report the
// same finished jobs again and again; with it each job is reported once per run, and
// only a restart before the file can be written again goes back to the file's older
// position. The file is written only when the position has moved, so an idle reader
// costs no disk writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vellora::riplog {

class PointerStore {
 public:
  explicit PointerStore(std::string pointerPath) : path_(std::move(pointerPath)) {}

  const std::string& path() const { return path_; }

  // The position to go on from, read at every pass: the one kept in memory while the
  // file lags behind it, else the file's (0 for a missing or unreadable file).
  int64_t Load();
  // Drops the position kept in memory (the operator re-loads the logs: the file has
  // been deleted and the next read starts afresh).
  void Forget() { memory_.reset(); }

  enum class Saved {
    Unchanged,     // the file already holds the position: not written
    Written,       // written
    Failed,        // not written, kept in memory; the failure was already told
    FirstFailure,  // not written, kept in memory; the first failure since the file was
                   // last written, which the caller tells once
  };
  // Stores the position at the end of a pass. *reason receives the system's words
  // for a failure.
  Saved Save(int64_t pointer, std::string* reason = nullptr);

 private:
  std::string path_;
  int64_t inFile_ = 0;  // what the file held at the last Load
  std::optional<int64_t> memory_;
  bool failing_ = false;
};

}  // namespace vellora::riplog
