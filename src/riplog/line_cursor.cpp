// Line splitting with the offsets the pointer rule needs.
#include "riplog/line_cursor.h"

#include <cstring>

namespace vellora::riplog {

LineCursor::LineCursor(std::string_view data, int64_t startOffset)
    : data_(data.data()), size_(data.size()), start_(startOffset) {}

namespace {

size_t Find(const char* data, size_t from, size_t size, char c) {
  if (from >= size) return size;
  const void* hit = std::memchr(data + from, c, size - from);
  return hit == nullptr ? size : static_cast<size_t>(static_cast<const char*>(hit) - data);
}

}  // namespace

size_t LineCursor::NextBreak() {
  if (!crValid_ || nextCr_ < pos_) {
    nextCr_ = Find(data_, pos_, size_, '\r');
    crValid_ = true;
  }
  if (!lfValid_ || nextLf_ < pos_) {
    nextLf_ = Find(data_, pos_, size_, '\n');
    lfValid_ = true;
  }
  return nextCr_ < nextLf_ ? nextCr_ : nextLf_;
}

bool LineCursor::NextLine(LogLine& line) {
  if (pos_ >= size_) return false;
  size_t end = NextBreak();
  line.text = std::string_view(data_ + pos_, end - pos_);
  line.endOffset = start_ + static_cast<int64_t>(end);
  line.terminated = end < size_;
  pos_ = end;
  while (pos_ < size_ && (data_[pos_] == '\r' || data_[pos_] == '\n')) ++pos_;
  return true;
}

}  // namespace vellora::riplog
