// Splitting the text of a read into lines. A line runs up to the first carriage
// return or line feed, or to the end of the data; every following carriage return
// and line feed is skipped, so runs of empty lines produce nothing, and an empty
// line comes only from data that begins with a line break (as it usually does: the
// stored pointer points at the line break of the last consumed line). Each line
// carries the log offset of the character that ended it, which is what the pointer
// is advanced to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "riplog/log_text.h"

namespace vellora::riplog {

struct LogLine {
  // The line without its terminator. It may hold any byte but CR and LF, zero bytes
  // included, and may be of any length: cut it to the deliverable's line limit
  // before matching (KeywordLine does).
  std::string_view text;
  // The log offset of the character that ended the line: its CR or LF, or, for a
  // last line without a line break, the position just after the data.
  int64_t endOffset = 0;
  // False for a last line that no line break ends (yet). The RIP ends every line
  // it writes with a line break, so such a line is usually still being written: a
  // reader that must see each line whole leaves it, and its offset, for the next
  // pass, which reads it again once it is complete.
  bool terminated = false;
};

class LineCursor {
 public:
  // data: the bytes of a read; startOffset: the log offset of data[0].
  LineCursor(std::string_view data, int64_t startOffset);
  explicit LineCursor(const LogText& text) : LineCursor(text.view(), text.start) {}
  // The cursor only looks at the read's bytes: the read must outlive it.
  explicit LineCursor(LogText&&) = delete;

  // The next line; false when the data is used up.
  bool NextLine(LogLine& line);
  // Where the line after the last one returned begins, in the data.
  size_t position() const { return pos_; }

 private:
  size_t NextBreak();

  const char* data_;
  size_t size_;
  int64_t start_;
  size_t pos_ = 0;
  // The next CR and LF at or after pos_, found once and reused until passed, so a
  // log that uses only one of the two is still split in linear time.
  size_t nextCr_ = 0;
  size_t nextLf_ = 0;
  bool crValid_ = false;
  bool lfValid_ = false;
};

}  // namespace vellora::riplog
