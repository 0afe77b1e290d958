// The intent record of a move across file systems, and finishing an interrupted move.
#include "platform/move_intent.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/fd.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::platform {
namespace {

const char kHeader[] = "Vellora move intent 1";

// Paths may hold any byte but NUL; line breaks and backslashes are escaped so that
// the record stays one field per line.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

std::string IdText(const FileIdentity& id) {
  return std::to_string(id.device) + " " + std::to_string(id.inode) + " " +
         std::to_string(id.size) + " " + std::to_string(id.mtimeSec) + " " +
         std::to_string(id.mtimeNsec);
}

bool ParseId(const std::string& text, FileIdentity& id) {
  std::istringstream in(text);
  in >> id.device >> id.inode >> id.size >> id.mtimeSec >> id.mtimeNsec;
  return !in.fail() && in.eof();
}

bool SameInode(const struct stat& st, const FileIdentity& id) {
  return static_cast<uint64_t>(st.st_dev) == id.device &&
         static_cast<uint64_t>(st.st_ino) == id.inode;
}

}  // namespace

bool WriteMoveIntent(const std::string& path, const MoveIntent& intent, std::string* reason) {
  std::string text = std::string(kHeader) + "\n";
  text += "source=" + Escape(intent.source) + "\n";
  text += "temporary=" + Escape(intent.temporary) + "\n";
  text += "destination=" + Escape(intent.destination) + "\n";
  text += "source-id=" + IdText(intent.sourceId) + "\n";
  text += "copy-id=" + IdText(intent.copyId) + "\n";
  text += "end\n";
  std::string os = ToOsPath(path);
  // Written in place rather than through a temporary and a rename: a record cut by
  // a crash lacks its last line and counts as none, which is right, since the copy
  // is put in place only after the record is complete on disk.
  Fd fd(::open(os.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  bool ok = fd.ok() && WriteAll(fd.get(), text) && ::fsync(fd.get()) == 0;
  int error = errno;
  if (fd.ok() && ::close(fd.Release()) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    if (reason != nullptr) *reason = WithReason("cannot write the move record " + os, error);
    ::unlink(os.c_str());
    return false;
  }
  SyncDirectoryOf(os);
  return true;
}

bool ReadMoveIntent(const std::string& path, MoveIntent& intent) {
  std::string text;
  if (!ReadFileRange(path, 0, 64 * 1024, text)) return false;
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return false;
  std::map<std::string, std::string> fields;
  bool ended = false;
  while (std::getline(in, line)) {
    if (line == "end") {
      ended = true;
      break;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    fields[line.substr(0, eq)] = line.substr(eq + 1);
  }
  if (!ended) return false;
  return Unescape(fields["source"], intent.source) && !intent.source.empty() &&
         Unescape(fields["temporary"], intent.temporary) && !intent.temporary.empty() &&
         Unescape(fields["destination"], intent.destination) && !intent.destination.empty() &&
         ParseId(fields["source-id"], intent.sourceId) && ParseId(fields["copy-id"], intent.copyId);
}

void RemoveMoveIntent(const std::string& path, bool durable) {
  std::string os = ToOsPath(path);
  if (::unlink(os.c_str()) == 0 && durable) SyncDirectoryOf(os);
}

FinishedMove FinishInterruptedMove(const std::string& path) {
  FinishedMove done;
  struct stat record {};
  if (::lstat(ToOsPath(path).c_str(), &record) != 0) return done;
  MoveIntent intent;
  if (!ReadMoveIntent(path, intent)) {
    RemoveMoveIntent(path);
    done.outcome = FinishOutcome::Unusable;
    return done;
  }
  done.source = intent.source;
  done.destination = intent.destination;

  struct stat st {};
  if (::lstat(intent.temporary.c_str(), &st) == 0) {
    // Still under its temporary name: never put in place (or taken back). The record
    // goes first, for good: a crash between the two must not leave a record whose
    // temporary is gone, which the next start would take for a copy the RIP took.
    RemoveMoveIntent(path, true);
    if (SameInode(st, intent.copyId)) ::unlink(intent.temporary.c_str());
    done.outcome = FinishOutcome::NotPlaced;
    return done;
  }
  bool placed = false;
  if (::lstat(intent.destination.c_str(), &st) == 0 && SameInode(st, intent.copyId)) {
    placed = true;
  } else {
    // Neither name: the RIP took the copy, provided this is the very folder the copy
    // was made in (not the empty mount point of a share that is not mounted now).
    struct stat folder {};
    placed = ::stat(OsDirOf(intent.temporary).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
             static_cast<uint64_t>(folder.st_dev) == intent.copyId.device;
    if (!placed) done.outcome = FinishOutcome::Undecided;
  }
  if (placed) {
    if (::lstat(intent.source.c_str(), &st) != 0) {
      done.outcome = FinishOutcome::SourceGone;
    } else if (!SameFile(IdentityOf(st), intent.sourceId)) {
      done.outcome = FinishOutcome::SourceReplaced;
    } else if (::unlink(intent.source.c_str()) == 0) {
      SyncDirectoryOf(intent.source);
      done.outcome = FinishOutcome::SourceRemoved;
    } else {
      done.reason = WithReason("cannot remove the source", errno);
      done.outcome = FinishOutcome::SourceNotRemovable;
    }
  }
  RemoveMoveIntent(path);
  return done;
}

}  // namespace vellora::platform
