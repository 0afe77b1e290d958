// Expansion of naming conventions into position patterns.
#include "identify/naming_convention.h"

#include <gtest/gtest.h>

namespace vellora::identify {
namespace {

TEST(NamingConvention, ExpandsCountsCaseDateGroupsAndLiterals) {
  const struct {
    std::string convention;
    std::string pattern;
  } cases[] = {
      {"%P%P%D%D%N%N", "PPDDNN"},
      {"%2P%6D%3N", "PPDDDDDDNNN"},
      {"%P%-%D-%N", "P-D-N"},  // %- writes the separator like a plain -
      {"%p%-%d-%n", "P-D-N"},  // attribute letters are case-blind
      {"%P_%E_%S_%I_%G_%C_%M_%N_%X", "P_E_S_I_G_C_M_N_X"},
      {"AB-%P", "ab-P"},               // literals are lowered
      {"%P%D[ddmmyy]%N", "PDDDDDDN"},  // one D per bracketed character
      {"%2D[ddmm]%N", "DDDDDN"},       // the group adds to the count
      {"%D[d]%D[]", "DD"},             // nothing beyond the first character
      {"%P[abc]%N", "PN"},             // a group after another letter adds nothing
      {"%D[ddmm", "D[ddmm"},           // no "]": an ordinary "["
      {"%12N", std::string(12, 'N')},
      {"%99999P", std::string(kMaxAttributeCount, 'P')},
      {"%0P", "0p"},    // no count: the 0 is the attribute
      {"%-3P", "-3p"},  // a negative number is no count
      {"%", "%"},       // a trailing % is its own attribute
      {"x%", "x%"},
      {"%3", ""},  // the count runs to the end: nothing follows
      {"", ""},
      {"\xC4%p\xE4", "\xC4P\xE4"},  // bytes above 127 pass unchanged
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpandNamingConvention(c.convention), c.pattern) << c.convention;
  }
}

}  // namespace
}  // namespace vellora::identify
