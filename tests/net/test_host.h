// A host of the test's own: a network namespace joined to this one by a veth pair,
// with an address that only this test process uses. It can be told to ignore
// echoes, which makes it a file server that is down as far as the echo can tell.
// Needs root and ip(8); whatever it created is removed again when the object goes,
// and namespaces left behind by test processes that died are removed on creation.
#pragma once

#include <string>
#include <vector>

namespace vellora::test {

class TestHost {
 public:
  TestHost();
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // False when the machine does not let the test build the host; why() says why.
  bool ok() const { return ok_; }
  const std::string& why() const { return why_; }
  // Whether this process is allowed to try at all (root).
  static bool Privileged();

  const std::string& address() const { return hostAddress_; }
  const std::string& name() const { return ns_; }

  bool IgnoreEchoes(bool ignore);
  bool Sysctl(const std::string& assignment);
  // Runs a program inside the namespace; its exit status, output in *output.
  int Exec(const std::vector<std::string>& args, std::string* output = nullptr);

 private:
  int Ip(const std::vector<std::string>& args, std::string* output = nullptr);
  void RemoveStale();

  bool ok_ = false;
  bool created_ = false;
  std::string why_;
  std::string ip_;
  std::string ns_;
  std::string vethOuter_;
  std::string vethInner_;
  std::string outerAddress_;
  std::string hostAddress_;
};

}  // namespace vellora::test
