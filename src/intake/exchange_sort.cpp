// The exchange procedure's permutation, computed without performing its exchanges.
//
// Round i walks j = i+1..n-1 and exchanges whenever key[j] < key[i]; key[i] is then a
// running minimum, so the round moves the entries at the strict record lows after i
// one record further along and puts the minimum at i. On a random queue that is
// about n²/4 exchanges, far too many to perform for 30000 entries on every pass.
//
// The keys end sorted, so only the order inside each group of equal keys needs
// working out. For a group of key v, look only at the entries whose key is at most v
// in their original order: the group's own entries and the smaller ones. Every round
// before the group's turn places one smaller entry, and the group's members move
// only in rounds where the first of these entries is a member: that member jumps to
// the place of the first smaller entry after it, passing the members in between.
// Written as blocks of members separated by smaller entries, B0 s B1 s B2 ..., each
// round therefore turns "B0 s B1" into "rotate(B0) B1" (rotate: the first member
// goes to the end). The group's final order is what remains when the smaller entries
// are used up: start with the first member, and for each gap of g smaller entries
// rotate by g, then append the next member (the gap after the last member rotates
// too). The counts come from a Fenwick tree over positions, the rotations from an
// implicit treap: O(n log n) in all.
#include "intake/exchange_sort.h"

#include <algorithm>
#include <numeric>
#include <random>

namespace vellora::intake {
namespace {

class Fenwick {
 public:
  explicit Fenwick(int n) : tree_(static_cast<size_t>(n) + 1, 0) {}
  void Add(int pos) {
    for (int k = pos + 1; k < static_cast<int>(tree_.size()); k += k & -k) ++tree_[k];
  }
  // How many added positions lie in [0, pos).
  int Prefix(int pos) const {
    int s = 0;
    for (int k = pos; k > 0; k -= k & -k) s += tree_[k];
    return s;
  }

 private:
  std::vector<int> tree_;
};

// A sequence with O(log n) split and concatenation.
class ImplicitTreap {
 public:
  explicit ImplicitTreap(int capacity) : rng_(12345) {
    nodes_.reserve(static_cast<size_t>(capacity));
  }

  void Clear() {
    nodes_.clear();
    root_ = -1;
  }
  int Size() const { return SizeOf(root_); }

  void Append(int value) { root_ = Merge(root_, NewNode(value)); }

  // Moves the first r elements to the end.
  void RotateLeft(int r) {
    if (r <= 0 || r >= Size()) return;
    int a, b;
    Split(root_, r, a, b);
    root_ = Merge(b, a);
  }

  void AppendTo(std::vector<int>& out) const {
    std::vector<int> stack;
    int t = root_;
    while (t >= 0 || !stack.empty()) {
      while (t >= 0) {
        stack.push_back(t);
        t = nodes_[static_cast<size_t>(t)].left;
      }
      t = stack.back();
      stack.pop_back();
      out.push_back(nodes_[static_cast<size_t>(t)].value);
      t = nodes_[static_cast<size_t>(t)].right;
    }
  }

 private:
  struct Node {
    int value;
    uint32_t priority;
    int size;
    int left;
    int right;
  };

  int SizeOf(int t) const { return t < 0 ? 0 : nodes_[static_cast<size_t>(t)].size; }
  Node& N(int t) { return nodes_[static_cast<size_t>(t)]; }
  void Update(int t) { N(t).size = 1 + SizeOf(N(t).left) + SizeOf(N(t).right); }

  int NewNode(int value) {
    nodes_.push_back({value, static_cast<uint32_t>(rng_()), 1, -1, -1});
    return static_cast<int>(nodes_.size()) - 1;
  }

  int Merge(int a, int b) {
    if (a < 0) return b;
    if (b < 0) return a;
    if (N(a).priority > N(b).priority) {
      N(a).right = Merge(N(a).right, b);
      Update(a);
      return a;
    }
    N(b).left = Merge(a, N(b).left);
    Update(b);
    return b;
  }

  // a receives the first k elements of t, b the rest.
  void Split(int t, int k, int& a, int& b) {
    if (t < 0) {
      a = b = -1;
      return;
    }
    if (SizeOf(N(t).left) < k) {
      int l, r;
      Split(N(t).right, k - SizeOf(N(t).left) - 1, l, r);
      N(t).right = l;
      Update(t);
      a = t;
      b = r;
    } else {
      int l, r;
      Split(N(t).left, k, l, r);
      N(t).left = r;
      Update(t);
      a = l;
      b = t;
    }
  }

  std::vector<Node> nodes_;
  int root_ = -1;
  std::mt19937 rng_;
};

}  // namespace

std::vector<int> ExchangeSortOrder(const std::vector<uint64_t>& keys) {
  const int n = static_cast<int>(keys.size());
  std::vector<int> byKey(static_cast<size_t>(n));
  std::iota(byKey.begin(), byKey.end(), 0);
  std::stable_sort(byKey.begin(), byKey.end(), [&](int a, int b) {
    return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
  });

  std::vector<int> order;
  order.reserve(static_cast<size_t>(n));
  Fenwick smaller(n);
  ImplicitTreap group(n);
  for (int start = 0; start < n;) {
    int end = start;
    while (end < n && keys[static_cast<size_t>(byKey[static_cast<size_t>(end)])] ==
                          keys[static_cast<size_t>(byKey[static_cast<size_t>(start)])]) {
      ++end;
    }
    // Members in their original order (byKey is stable).
    group.Clear();
    for (int k = start; k < end; ++k) {
      int pos = byKey[static_cast<size_t>(k)];
      if (k > start) {
        int prev = byKey[static_cast<size_t>(k - 1)];
        int gap = smaller.Prefix(pos) - smaller.Prefix(prev + 1);
        if (group.Size() > 1) group.RotateLeft(gap % group.Size());
      }
      group.Append(pos);
    }
    int last = byKey[static_cast<size_t>(end - 1)];
    int tail = smaller.Prefix(n) - smaller.Prefix(last + 1);
    if (group.Size() > 1) group.RotateLeft(tail % group.Size());
    group.AppendTo(order);
    for (int k = start; k < end; ++k) smaller.Add(byKey[static_cast<size_t>(k)]);
    start = end;
  }
  return order;
}

}  // namespace vellora::intake
