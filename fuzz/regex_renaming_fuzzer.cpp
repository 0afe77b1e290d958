// Fuzzes ApplyRegexRenaming (and through it RegexMatches and RegexFormat) with
// arbitrary expressions, formats and names: expressions that do not compile or that
// backtrack without end must come back as no match, never as a crash or a hang.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"

#include "identify/regex_renaming.h"

using namespace vellora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static core::SettingsStore* store = new core::SettingsStore;
  FuzzedDataProvider in(data, size);
  store->PartialMatch = in.ConsumeBool() ? 1 : 0;
  core::Spooler& sp = store->Spoolers[0];
  sp.UseRegex = 1;
  // The settings keep at most 255 characters of a text; a file name has no more.
  for (size_t k = 0; k < 4; ++k) {
    sp.MatchExpression[k] = in.ConsumeRandomLengthString(255);
    sp.FormatExpression[k] = in.ConsumeRandomLengthString(64);
  }
  const std::string name = in.ConsumeBytesAsString(std::min<size_t>(in.remaining_bytes(), 255));

  identify::IdentifyContext context{*store, fuzz::DiscardingLogs()};
  const identify::RenameResult r = identify::ApplyRegexRenaming(name, 0, context);
  if (!r.renamed && r.name != name) std::abort();
  return 0;
}
