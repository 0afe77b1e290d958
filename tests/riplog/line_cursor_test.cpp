// Line splitting: the offsets the pointer is advanced to and the skipping of breaks.
#include "riplog/line_cursor.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vellora::riplog {
namespace {

struct Seen {
  std::string text;
  int64_t offset;
  bool terminated;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << "{\"" << s.text << "\", " << s.offset << ", " << s.terminated << "}";
}

std::vector<Seen> Split(std::string_view data, int64_t start) {
  std::vector<Seen> out;
  LineCursor c(data, start);
  LogLine line;
  while (c.NextLine(line)) out.push_back({std::string(line.text), line.endOffset, line.terminated});
  return out;
}

TEST(NextLine, OffsetsAndSkipping) {
  // As read from a stored pointer, which points at the break of the last line.
  std::string data = "\r\nSetup loaded: A\r\n\r\n\r\nJob Completed: x\nmixed\rend";
  EXPECT_EQ(Split(data, 1000), (std::vector<Seen>{{"", 1000, true},
                                                  {"Setup loaded: A", 1017, true},
                                                  {"Job Completed: x", 1039, true},
                                                  {"mixed", 1045, true},
                                                  {"end", 1049, false}}));
  // The last line with its break: nothing after it.
  EXPECT_EQ(Split("one\r\ntwo\r\n", 0), (std::vector<Seen>{{"one", 3, true}, {"two", 8, true}}));
  // Breaks only: one empty line, for the leading break.
  EXPECT_EQ(Split("\n\r\n\r\r", 7), (std::vector<Seen>{{"", 7, true}}));
  EXPECT_TRUE(Split("", 0).empty());
  // A line without any break is the whole data, ending just after it.
  EXPECT_EQ(Split("no break at all", 5), (std::vector<Seen>{{"no break at all", 20, false}}));
  // LF CR order and a lone CR as well.
  EXPECT_EQ(Split("a\n\rb\rc", 0),
            (std::vector<Seen>{{"a", 1, true}, {"b", 4, true}, {"c", 6, false}}));
}

TEST(NextLine, ZeroBytesAreOrdinaryBytes) {
  std::string data("a\0b\r\n\0\0\r\nc", 10);
  auto lines = Split(data, 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, std::string("a\0b", 3));
  EXPECT_EQ(lines[0].offset, 3);
  EXPECT_EQ(lines[1].text, std::string("\0\0", 2));
  EXPECT_EQ(lines[1].offset, 7);
  EXPECT_EQ(lines[2], (Seen{"c", 10, false}));
}

TEST(NextLine, OneKindOfBreakInLongDataStaysLinear) {
  // Only CRs, and only LFs: a search for the other kind must not rescan the rest of
  // the data for every line (that would take minutes here).
  for (char br : {'\r', '\n'}) {
    std::string data;
    for (int i = 0; i < 400000; ++i) data += "line " + std::to_string(i) + br;
    LineCursor c(data, 0);
    LogLine line;
    int n = 0;
    int64_t last = -1;
    while (c.NextLine(line)) {
      ++n;
      last = line.endOffset;
    }
    EXPECT_EQ(n, 400000);
    EXPECT_EQ(last, static_cast<int64_t>(data.size()) - 1);
  }
}

}  // namespace
}  // namespace vellora::riplog
