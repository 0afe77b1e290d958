// The keyword table, both matching rules, the captures and the cuts.
#include <random>

#include <gtest/gtest.h>

#include "riplog/keyword_line.h"
#include "riplog/keyword_matcher.h"

namespace vellora::riplog {
namespace {

TEST(Keywords, NotCompletedLineForBothReaders) {
  KeywordLine v(Deliverable::Vellora);
  KeywordLine b(Deliverable::Brindlog);
  const std::string line = "[10:12:03] Job Not Completed: page7.ps";
  v.Set(line);
  b.Set(line);
  EXPECT_TRUE(v.ClosesJob() && v.ClosesAsFailed());
  EXPECT_FALSE(v.Has(Keyword::JobCompleted)) << "completed is no substring of not completed";
  EXPECT_EQ(v.JobName(), "PAGE7.PS");
  EXPECT_TRUE(b.ClosesJob() && b.ClosesAsFailed());
  EXPECT_FALSE(b.Has(Keyword::JobCompleted));
  EXPECT_EQ(b.JobName(), "page7.ps");

  // In lower case throughout only the operator program sees it.
  v.Set("job not completed: page7.ps");
  b.Set("job not completed: page7.ps");
  EXPECT_TRUE(v.ClosesAsFailed());
  EXPECT_EQ(v.JobName(), "PAGE7.PS");
  EXPECT_FALSE(b.ClosesJob());
  EXPECT_FALSE(b.Hits().Any());
  b.Set("setup loaded: News");
  EXPECT_FALSE(b.Has(Keyword::SetupLoaded));
}

TEST(Keywords, OperatorProgramCapturesUpperCase) {
  KeywordLine v(Deliverable::Vellora);
  v.Set("Setup loaded: Newsprint 40");
  EXPECT_EQ(v.Setup(), "NEWSPRINT 40");
  v.Set("%%[ Starting Job On Mon Jan 31 10:12:03 2005 ]%%");
  EXPECT_EQ(v.JobTime(), "MON JAN 31 10:12:03 2005 ]%%");
  v.Set("Job Completed: p1.ps");
  EXPECT_TRUE(v.ClosesJob());
  EXPECT_FALSE(v.ClosesAsFailed());
  EXPECT_EQ(v.JobName(), "P1.PS");
  // Warning and error texts run from the keyword, keyword included.
  v.Set("%%[ Warning: font Helvetica substituted ]%%");
  EXPECT_EQ(v.WarningText(), "WARNING: FONT HELVETICA SUBSTITUTED ]%%");
  v.Set("offending command: Error: undefined");
  EXPECT_EQ(v.ErrorText(), "ERROR: UNDEFINED");
  // "WARNING" needs no colon, "ERROR:" does.
  v.Set("warnings suppressed; error code 5");
  EXPECT_TRUE(v.Has(Keyword::Warning));
  EXPECT_FALSE(v.Has(Keyword::Error));
  // The daemon's file-being-ripped keyword is not the operator program's.
  v.Set("Ripping file /hot/a.ps");
  EXPECT_FALSE(v.Has(Keyword::RippingFile));
  EXPECT_EQ(v.FileName(), "");
  // Only a to z change: other bytes stay as they are.
  v.Set("Setup loaded: caf\xe9 \xfc");
  EXPECT_EQ(v.Setup(), "CAF\xe9 \xfc");
}

TEST(Keywords, DaemonCapturesAfterTheKeyword) {
  KeywordLine b(Deliverable::Brindlog);
  b.Set("Setup loaded: \"  Newsprint 40 \"  ");
  EXPECT_EQ(b.Setup(), "Newsprint 40") << "quotes removed, both ends trimmed";
  b.Set("Setup loaded: a\"b\"c");
  EXPECT_EQ(b.Setup(), "abc");
  b.Set("Starting Job On Mon Jan 31 10:12:03 2005");
  EXPECT_EQ(b.JobTime(), "Mon Jan 31 10:12:03 2005");
  b.Set("Warning:low ink");
  EXPECT_EQ(b.WarningText(), "low ink");
  b.Set("%%[ Error: undefined ]%%");
  EXPECT_EQ(b.ErrorText(), " undefined ]%%");
  b.Set("WARNING: upper case is not the daemon's");
  EXPECT_FALSE(b.Has(Keyword::Warning));
  b.Set("Job Completed: job42");
  EXPECT_EQ(b.JobName(), "job42");
}

TEST(Keywords, DaemonFileNameFromTheRippingLine) {
  KeywordLine b(Deliverable::Brindlog);
  b.Set("Ripping file   \\\\FS1\\hot\\Page 01.ps (PostScript, 3 pages)  ");
  EXPECT_EQ(b.FileName(), "Page");
  b.Set("Ripping file /srv/hot/ABC-310105-12.ps -level 3");
  EXPECT_EQ(b.FileName(), "ABC-310105-12.ps");
  b.Set("Ripping file \\\\FS1/hot\\x.ps");  // the last "/" wins over any "\"
  EXPECT_EQ(b.FileName(), "hot\\x.ps");
  b.Set("Ripping file plain.ps");
  EXPECT_EQ(b.FileName(), "plain.ps");
  b.Set("Ripping file ");
  EXPECT_EQ(b.FileName(), "");
  b.Set("Ripping file \\hot\\ ");
  EXPECT_EQ(b.FileName(), "");
}

TEST(Keywords, SeveralKeywordsOnOneLineAreEachFound) {
  KeywordLine v(Deliverable::Vellora);
  v.Set("x Error: bad; Warning: odd; Job Completed: a.ps; Starting Job On now");
  EXPECT_EQ(v.Hits().Position(Keyword::Error), 2u);
  EXPECT_EQ(v.Hits().Position(Keyword::Warning), 14u);
  EXPECT_TRUE(v.ClosesJob());
  EXPECT_EQ(v.JobName(), "A.PS; STARTING JOB ON NOW");
  EXPECT_EQ(v.JobTime(), "NOW");
  EXPECT_EQ(v.ErrorText(), "ERROR: BAD; WARNING: ODD; JOB COMPLETED: A.PS; STARTING JOB ON NOW");
  // The first occurrence counts, and "not completed" wins when a line has both.
  v.Set("Job Completed: a Job Not Completed: b Job Not Completed: c");
  EXPECT_TRUE(v.ClosesAsFailed());
  EXPECT_EQ(v.JobName(), "B JOB NOT COMPLETED: C");
  EXPECT_EQ(v.Hits().Position(Keyword::JobCompleted), 0u);
}

TEST(Keywords, LongLinesAndFieldsAreCut) {
  KeywordLine v(Deliverable::Vellora);
  KeywordLine b(Deliverable::Brindlog);
  // A keyword that ends beyond the line limit is not seen; one inside it is.
  std::string pad(3999 - 7, 'x');
  v.Set(pad + "WARNING");
  EXPECT_TRUE(v.Has(Keyword::Warning));
  v.Set(pad + "xWARNING");
  EXPECT_FALSE(v.Has(Keyword::Warning));
  EXPECT_EQ(v.Text().size(), 3999u);
  b.Set(std::string(16383 - 8, 'x') + "Warning:");
  EXPECT_TRUE(b.Has(Keyword::Warning));
  b.Set(std::string(16383 - 7, 'x') + "Warning:");
  EXPECT_FALSE(b.Has(Keyword::Warning));
  EXPECT_EQ(b.Text().size(), 16383u);

  std::string longText(20000, 'q');
  v.Set("Setup loaded: " + longText);
  EXPECT_EQ(v.Setup().size(), 255u);
  v.Set("Starting Job On " + longText);
  EXPECT_EQ(v.JobTime().size(), 255u);
  v.Set("Job Completed: " + longText);
  EXPECT_EQ(v.JobName(), std::string(259, 'Q'));
  v.Set("Error:" + longText);
  EXPECT_EQ(v.ErrorText().size(), 3999u) << "texts end with the cut line";

  b.Set("Setup loaded: " + longText);
  EXPECT_EQ(b.Setup().size(), 259u);
  b.Set("Starting Job On " + longText);
  EXPECT_EQ(b.JobTime().size(), 259u);
  b.Set("Job Not Completed: " + longText);
  EXPECT_EQ(b.JobName().size(), 259u);
  b.Set("Ripping file /x/" + longText + " opts");
  EXPECT_EQ(b.FileName().size(), 259u);
  b.Set("Error:" + longText);
  EXPECT_EQ(b.ErrorText().size(), 4095u);
  b.Set("Warning:" + longText);
  EXPECT_EQ(b.WarningText(), std::string(4095, 'q'));
  // A cut setup is trimmed again.
  b.Set("Setup loaded: " + std::string(258, 's') + "   tail");
  EXPECT_EQ(b.Setup(), std::string(258, 's'));
}

// The one-pass matcher against a plain substring search, on lines built from pieces
// of the keywords, so that near misses and overlaps are frequent.
TEST(KeywordMatcher, AgreesWithPlainSearch) {
  for (const LogDialect* d : {&kVelloraDialect, &kBrindlogDialect}) {
    KeywordMatcher m(*d);
    std::mt19937 rng(42);
    std::vector<std::string> pieces = {" ", "x", ":", std::string(1, '\0'), "\xff"};
    for (auto w : d->keywords) {
      if (w.empty()) continue;
      pieces.emplace_back(w);
      pieces.emplace_back(w.substr(0, w.size() / 2));
      pieces.emplace_back(w.substr(1));
      pieces.emplace_back(w.substr(0, w.size() - 1));
    }
    for (int round = 0; round < 20000; ++round) {
      std::string line;
      int n = static_cast<int>(rng() % 8);
      for (int i = 0; i < n; ++i) line += pieces[rng() % pieces.size()];
      KeywordHits h = m.Find(line);
      for (size_t k = 0; k < kKeywordCount; ++k) {
        size_t expected = d->keywords[k].empty() ? std::string_view::npos
                                                 : std::string_view(line).find(d->keywords[k]);
        ASSERT_EQ(h.at[k], expected) << "keyword " << d->keywords[k] << " in \"" << line << "\"";
      }
    }
  }
}

TEST(UpperCaseAscii, OnlyLettersAToZChange) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string up = UpperCaseAscii(all);
  for (int c = 0; c < 256; ++c) {
    char want = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
    EXPECT_EQ(up[c], want) << c;
  }
}

}  // namespace
}  // namespace vellora::riplog
