// The input queue's ordering rule is an exchange procedure, not a sort in the usual
// sense: for i = 0..n-2, for j = i+1..n-1, exchange entries i and j when key[i] >
// key[j]. Entries with equal keys end up in an order that only this procedure
// defines, so it must be reproduced exactly. Done literally it costs n²/2
// comparisons and about n²/4 exchanges of whole entries; this computes the same
// permutation from the keys alone in O(n log n).
#pragma once

#include <cstdint>
#include <vector>

namespace vellora::intake {

// Applies the exchange procedure to keys (compared as unsigned) and returns the
// resulting order: result[k] is the original index of the entry that ends at k.
std::vector<int> ExchangeSortOrder(const std::vector<uint64_t>& keys);

}  // namespace vellora::intake
