// Small helpers the POSIX file stand-ins share: a descriptor closed on every way out,
// whole writes, hidden temporary names beside a target and folder syncs. Used only
// inside src/platform.
#pragma once

#include <string>
#include <string_view>

#include "platform/move_intent.h"

struct stat;

namespace vellora::platform {

// Closes a descriptor on every way out of a function.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void Reset();
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view data);

std::string OsDirOf(const std::string& osPath);
std::string OsBaseOf(const std::string& osPath);

// The marker in the names of hidden temporaries: ".<name>.part-<host>-<pid>-<n>".
extern const char kTempMarker[];
// This host's name as it appears in temporary names.
std::string ThisHost();
// A name beside the target that nobody else picks: hidden (so folder listings and
// RIP queue counts pass over it), naming this host and process so that a temporary
// left by a crash can be recognised as stale, and unique per call.
std::string TempPathBeside(const std::string& osTarget);

void SyncDirectoryOf(const std::string& osPath);

FileIdentity IdentityOf(const struct stat& st);
bool SameFile(const FileIdentity& a, const FileIdentity& b);

// "what: the system's reason" for the errno of the failed call.
std::string WithReason(const std::string& what, int error);

}  // namespace vellora::platform
