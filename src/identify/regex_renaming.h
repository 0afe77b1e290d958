// The optional renaming of a job name before it is cut: up to four pairs of a match
// expression and a format expression per spooler, tried in order as alternatives.
// Expressions are Perl-like Boost.Regex expressions matched against the whole name;
// formats are Perl-style ($1, $&). Nothing is cached: each call compiles afresh.
//
// Nothing here throws. An expression that does not compile, or whose matching Boost
// gives up on (catastrophic backtracking), counts as not matching; the reason goes
// into the caller's error text, and the renaming writes it to the program log.
#pragma once

#include <string>

#include "identify/identify_context.h"

namespace vellora::identify {

// Whether the expression matches the whole text (with partial: or the text is the
// beginning of a possible match). error (when given) receives the reason when the
// expression cannot be used, and is cleared otherwise.
bool RegexMatches(const std::string& expression, const std::string& text, bool partial,
                  std::string* error = nullptr);

// The text rewritten by the format when the expression matches the whole text;
// otherwise (and when the expression cannot be used, see error) the text unchanged.
// Every match is replaced and the text between matches copied.
std::string RegexFormat(const std::string& expression, const std::string& format,
                        const std::string& text, bool partial, std::string* error = nullptr);

struct RenameResult {
  bool renamed = false;
  std::string name;  // the new name when renamed, else the name as given
};

// Runs the pairs of the spooler (counted from 0) over the name when its UseRegex is
// set; the first pair in use (both texts non-empty) that matches decides. Writes the
// trial line of pair 1, the rename line and one ERROR line per pair that cannot be
// used.
RenameResult ApplyRegexRenaming(const std::string& name, int spooler,
                                const IdentifyContext& context);

}  // namespace vellora::identify
