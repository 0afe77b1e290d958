// The pointer file with its fallback in memory.
#include "riplog/pointer_store.h"

#include "riplog/log_pointer.h"

namespace vellora::riplog {

int64_t PointerStore::Load() {
  inFile_ = ReadLogPointer(path_);
  return memory_ ? *memory_ : inFile_;
}

PointerStore::Saved PointerStore::Save(int64_t pointer, std::string* reason) {
  if (pointer == inFile_) {
    memory_.reset();
    return Saved::Unchanged;
  }
  std::string why;
  if (WriteLogPointer(path_, pointer, &why)) {
    inFile_ = pointer;
    memory_.reset();
    failing_ = false;
    return Saved::Written;
  }
  memory_ = pointer;
  if (reason != nullptr) *reason = why;
  if (failing_) return Saved::Failed;
  failing_ = true;
  return Saved::FirstFailure;
}

}  // namespace vellora::riplog
