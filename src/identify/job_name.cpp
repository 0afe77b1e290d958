// The fixed-width and separated cuts of a job name, the defaults and the page name.
#include "identify/job_name.h"

#include <vector>

#include "identify/job_date.h"
#include "identify/naming_convention.h"
#include "platform/clock.h"

namespace vellora::identify {
namespace {

std::string* FieldFor(char letter, JobIdentity& id) {
  switch (letter) {
    case 'P':
      return &id.Publication;
    case 'D':
      return &id.Date;
    case 'S':
      return &id.Section;
    case 'E':
      return &id.Edition;
    case 'I':
      return &id.Issue;
    case 'N':
      return &id.PageName;
    case 'M':
      return &id.PlanPageName;
    case 'G':
      return &id.LocationGroup;
    case 'C':
      return &id.Color;
    default:
      return nullptr;  // X, literals and anything else take no field
  }
}

void CutFixedWidth(const std::string& pattern, const std::string& name, JobIdentity& id) {
  // Pattern positions past the end of the name read nothing; name characters past
  // the end of the pattern (the extension, say) are ignored.
  for (size_t k = 0; k < pattern.size() && k < name.size(); ++k) {
    if (std::string* field = FieldFor(pattern[k], id)) *field += name[k];
  }
}

// In separated mode a date is one token however many D's the convention gives it.
void CollapseDateRuns(std::string& pattern) {
  for (size_t run = 8; run >= 2; --run) {
    const std::string ds(run, 'D');
    std::string out;
    size_t from = 0;
    for (size_t at; (at = pattern.find(ds, from)) != std::string::npos; from = at + run) {
      out.append(pattern, from, at - from);
      out += 'D';
    }
    out.append(pattern, from, std::string::npos);
    pattern.swap(out);
  }
}

void CutSeparated(const std::string& pattern, const std::string& name,
                  const std::string& separators, JobIdentity& id) {
  // separatorFrom[i]: some separator character occurs in the pattern at i or later.
  std::vector<bool> separatorFrom(pattern.size() + 1, false);
  for (size_t i = pattern.size(); i-- > 0;) {
    separatorFrom[i] = separatorFrom[i + 1] || separators.find(pattern[i]) != std::string::npos;
  }
  size_t i = 0;
  size_t j = 0;
  while (i < pattern.size() && j < name.size()) {
    const size_t next = name.find_first_of(separators, j);
    if (next == j) {
      // An empty token (a doubled or leading separator) still moves the pattern on.
      ++j;
      if (separatorFrom[i]) ++i;
      continue;
    }
    // Without a further separator the rest of the name is the token, and it stays
    // the token for every attribute still to come.
    const size_t length = next == std::string::npos ? std::string::npos : next - j;
    if (std::string* field = FieldFor(pattern[i], id)) *field = name.substr(j, length);
    if (next != std::string::npos) j = next + 1;
    ++i;
    if (separatorFrom[i]) ++i;
  }
}

void ApplyDefault(std::string& field, const std::string& fallback) {
  if (field.empty()) field = fallback;
}

}  // namespace

bool ParseJobName(const std::string& name, int spooler, JobIdentity& identity,
                  const IdentifyContext& context) {
  const core::Spooler& sp = SpoolerAt(context.settings, spooler);

  identity.Publication.clear();
  identity.Edition.clear();
  identity.Section.clear();
  identity.Issue.clear();
  identity.LocationGroup.clear();
  identity.Color.clear();
  identity.PageName.clear();
  identity.PlanPageName.clear();
  identity.Date.clear();
  identity.WeekNumber = 0;
  identity.PubDate = DefaultJobDate();
  identity.PreviousYearDate = identity.PubDate;

  std::string pattern = ExpandNamingConvention(sp.NameConv);
  if (!sp.Separators.empty() && pattern.find_first_of(sp.Separators) != std::string::npos) {
    CollapseDateRuns(pattern);
    CutSeparated(pattern, name, sp.Separators, identity);
  } else {
    CutFixedWidth(pattern, name, identity);
  }

  ApplyDefault(identity.Publication, sp.DefaultPublication);
  ApplyDefault(identity.Edition, sp.DefaultEdition);
  ApplyDefault(identity.Section, sp.DefaultSection);
  ApplyDefault(identity.LocationGroup, sp.DefaultGroup);
  ApplyDefault(identity.Issue, sp.DefaultIssue);

  const int64_t now = context.now ? context.now() : platform::NowEpochSeconds();
  const bool dateOk = NormaliseJobDate(identity, sp.DateFormat, context.settings.DayOfWeek, now,
                                       name, context.logs);

  const size_t firstNonZero = identity.PageName.find_first_not_of('0');
  identity.PageName.erase(
      0, firstNonZero == std::string::npos ? identity.PageName.size() : firstNonZero);
  return dateOk;
}

}  // namespace vellora::identify
