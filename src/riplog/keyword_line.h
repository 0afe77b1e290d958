// One log line as a deliverable looks at it: cut to its line limit, upper-cased for
// the operator program, searched for every keyword, and the captured texts of the
// keyword table, each cut to its field size. The state machines of the RIP monitor
// and of the daemon's scan pass work on this.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "riplog/keyword_matcher.h"
#include "riplog/log_dialect.h"

namespace vellora::riplog {

class KeywordLine {
 public:
  explicit KeywordLine(const LogDialect& dialect);
  explicit KeywordLine(Deliverable d) : KeywordLine(DialectOf(d)) {}

  // Takes the next line (the text NextLine gave) into the object's own buffer:
  // Text() and the views of After and From stay valid until the next Set.
  void Set(std::string_view raw);

  const LogDialect& dialect() const { return dialect_; }
  // The line as handled: at most lineLimit characters, upper-cased for the operator
  // program.
  std::string_view Text() const { return text_; }
  const KeywordHits& Hits() const { return hits_; }
  bool Has(Keyword k) const { return hits_.Has(k); }
  // The line closes a job: it holds either completion keyword.
  bool ClosesJob() const { return Has(Keyword::JobCompleted) || Has(Keyword::JobNotCompleted); }
  // It closes it as failed ("not completed"; this wins when both keywords occur).
  bool ClosesAsFailed() const { return Has(Keyword::JobNotCompleted); }

  // Everything after the first occurrence of the keyword, uncut; empty if absent.
  std::string_view After(Keyword k) const;
  // From the keyword to the end of the line, keyword included; empty if absent.
  std::string_view From(Keyword k) const;

  // The captures of the keyword table, empty when the keyword is absent:
  // the setup (the daemon removes every double quote and trims both ends);
  std::string Setup() const;
  std::string JobTime() const;
  // the daemon's file name: the text after the keyword, trimmed, then after the last
  // "/" (or, with none, the last "\"), before the first blank, trimmed again; the
  // operator program has no such keyword and gets an empty text;
  std::string FileName() const;
  // the warning and error texts (the operator program: from the keyword on);
  std::string WarningText() const;
  std::string ErrorText() const;
  // the job name after "not completed" when the line holds it, else after "completed".
  std::string JobName() const;

 private:
  const LogDialect dialect_;
  KeywordMatcher matcher_;
  std::unique_ptr<char[]> line_;  // the line as handled: lineLimit bytes, reused
  std::string_view text_;
  KeywordHits hits_;
};

}  // namespace vellora::riplog
