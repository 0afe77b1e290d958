// The renaming pairs on Boost.Regex.
#include "identify/regex_renaming.h"

#include <boost/regex.hpp>

#include <exception>

namespace vellora::identify {
namespace {

// Boost's normal (Perl-like) syntax.
constexpr boost::regex_constants::syntax_option_type kSyntax{};

boost::regex_constants::match_flag_type MatchFlags(bool partial) {
  return partial ? boost::match_partial : boost::match_default;
}

// Compiles the expression; false with the reason in error when it does not compile.
bool Compile(const std::string& expression, boost::regex& out, std::string* error) {
  try {
    out.assign(expression, kSyntax);
    return true;
  } catch (const std::exception& e) {
    if (error) *error = std::string("the expression does not compile: ") + e.what();
  }
  return false;
}

void SetGivenUp(std::string* error, const std::exception& e) {
  if (error) *error = std::string("matching was given up: ") + e.what();
}

}  // namespace

bool RegexMatches(const std::string& expression, const std::string& text, bool partial,
                  std::string* error) {
  if (error) error->clear();
  boost::regex re;
  if (!Compile(expression, re, error)) return false;
  try {
    return boost::regex_match(text.c_str(), re, MatchFlags(partial));
  } catch (const std::exception& e) {
    // Boost bounds the work of one match and reports an expression that backtracks
    // without end; such a match is no match.
    SetGivenUp(error, e);
  }
  return false;
}

std::string RegexFormat(const std::string& expression, const std::string& format,
                        const std::string& text, bool partial, std::string* error) {
  if (error) error->clear();
  boost::regex re;
  if (!Compile(expression, re, error)) return text;
  try {
    if (!boost::regex_match(text, re, MatchFlags(partial))) return text;
    return boost::regex_replace(text, re, format, boost::format_default | MatchFlags(partial));
  } catch (const std::exception& e) {
    SetGivenUp(error, e);
  }
  return text;
}

RenameResult ApplyRegexRenaming(const std::string& name, int spooler,
                                const IdentifyContext& context) {
  RenameResult result;
  result.name = name;
  const core::Spooler& sp = SpoolerAt(context.settings, spooler);
  if (sp.UseRegex == 0) return result;
  const bool partial = context.settings.PartialMatch != 0;

  for (size_t k = 0; k < sp.MatchExpression.size(); ++k) {
    const std::string& match = sp.MatchExpression[k];
    const std::string& format = sp.FormatExpression[k];
    if (match.empty() || format.empty()) continue;
    if (k == 0) {
      context.logs.LogMessage("Trying reg-exp 1:  %s on job %s..", match.c_str(), name.c_str());
    }
    std::string error;
    std::string renamed;
    bool matched = RegexMatches(match, name, partial, &error);
    if (matched) {
      renamed = RegexFormat(match, format, name, partial, &error);
      // A rewrite Boost gave up on leaves no new name: the pair does not match.
      if (!error.empty()) matched = false;
    }
    if (!error.empty()) {
      context.logs.LogMessage("ERROR: Reg-exp %d of spooler %d, expression \"%s\", job %s: %s",
                              static_cast<int>(k) + 1, spooler + 1, match.c_str(), name.c_str(),
                              error.c_str());
    }
    if (matched) {
      context.logs.LogMessage(
          "Looking up job: INFO - jobname %s renamed to %s with regular expression", name.c_str(),
          renamed.c_str());
      result.renamed = true;
      result.name = std::move(renamed);
      return result;
    }
  }
  return result;
}

}  // namespace vellora::identify
