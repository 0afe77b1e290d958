// The intent record of a move across file systems. Between the moment the complete
// copy is renamed into place and the moment the source is removed, a crash would
// leave the page twice: once delivered, once waiting to be delivered again. The move
// writes this small record, flushed to disk, before it puts the copy in place and
// removes it once the source is gone; the next start reads it and finishes the move.
#pragma once

#include <cstdint>
#include <string>

namespace vellora::platform {

// Identifies one file beyond its name: a new file dropped under the same name later
// is not this one.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t mtimeSec = 0;
  long mtimeNsec = 0;
};

struct MoveIntent {
  std::string source;       // OS paths, as the move used them
  std::string temporary;    // the complete copy, beside the destination
  std::string destination;  // where the copy is renamed to
  FileIdentity sourceId;    // the source itself (a link, not its target)
  FileIdentity copyId;      // the copy (device and inode; a rename keeps them)
};

// Writes the record (path in the system's text form), flushed to disk with its
// folder entry. False when it cannot be written, with the reason.
bool WriteMoveIntent(const std::string& path, const MoveIntent& intent,
                     std::string* reason = nullptr);
// Reads a complete record; false when there is none or it is cut or garbled.
bool ReadMoveIntent(const std::string& path, MoveIntent& intent);
// durable: the removal is on disk when this returns. Needed before the copy's
// temporary is removed; after the source is gone a record left by a power failure
// is harmless (the next start finds the source gone).
void RemoveMoveIntent(const std::string& path, bool durable = false);

enum class FinishOutcome {
  NoRecord,            // nothing was interrupted
  Unusable,            // a record cut short: the copy was never put in place
  NotPlaced,           // the copy was not in place: it is removed, the source stays
  SourceRemoved,       // the copy was in place (or the RIP took it): the source is removed
  SourceGone,          // the copy was in place and the source already gone
  SourceReplaced,      // the copy was in place; a new file stands under the source's name
  SourceNotRemovable,  // the copy was in place, but the source cannot be removed
  Undecided            // the destination's folder cannot be seen: the source is kept
};

struct FinishedMove {
  FinishOutcome outcome = FinishOutcome::NoRecord;
  std::string source;
  std::string destination;
  std::string reason;  // for SourceNotRemovable
};

// Finishes the move a crash interrupted, if the record says there was one, and
// removes the record. Run at start, before temporaries of dead processes are
// cleared: whether the copy's temporary still exists is what tells whether the copy
// was put in place. The source is removed only on evidence that the copy was put in
// place: the copy stands under the destination's name, or neither it nor its
// temporary is left in a destination folder that is plainly there (the RIP took the
// copy). Where the folder cannot be seen (a share not mounted) the source is kept:
// a page printed twice can be thrown away, a page lost cannot be printed.
FinishedMove FinishInterruptedMove(const std::string& path);

}  // namespace vellora::platform
