// A spooler's naming convention ("%P%-%D-%N", "%2P%6D%3N", "%P%D[ddmmyy]...") and the
// position pattern it stands for: one character per name position or token, an
// upper-case attribute letter where a field is cut, anything else where nothing is.
#pragma once

#include <string>
#include <string_view>

namespace vellora::identify {

// The largest count a "%nX" group takes. Names are file names, far shorter than this;
// a larger count only makes a pattern that reads nothing more, so it is cut here
// rather than allowed to fill memory.
constexpr int kMaxAttributeCount = 1024;

// Turns a naming convention into its position pattern: "%P%P%D%D%N%N" gives PPDDNN,
// "%2P%6D%3N" gives PPDDDDDDNNN, "%P%-%D-%N" gives P-D-N, "%D[ddmmyy]" six D's.
// Everything outside the attributes is lowered.
std::string ExpandNamingConvention(std::string_view convention);

}  // namespace vellora::identify
