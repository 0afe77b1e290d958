// Network namespaces as test hosts.
#include "test_host.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "support/child_process.h"

namespace vellora::test {
namespace {

const char kPrefix[] = "vlr-echo-";

std::string FindIp() {
  for (const char* p : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
    if (::access(p, X_OK) == 0) return p;
  }
  return {};
}

// Addresses from 198.18.0.0/15, the range set aside for test networks, one /30 per
// process id so that parallel test processes do not meet.
void AddressesFor(int pid, std::string& outer, std::string& inner) {
  int index = pid % 32768;
  int a = 18 + (index >> 14);
  int b = (index >> 6) & 255;
  int c = (index & 63) << 2;
  std::string net = "198." + std::to_string(a) + "." + std::to_string(b) + ".";
  outer = net + std::to_string(c + 1);
  inner = net + std::to_string(c + 2);
}

}  // namespace

bool TestHost::Privileged() {
  return ::geteuid() == 0;
}

TestHost::TestHost() {
  ip_ = FindIp();
  if (ip_.empty()) {
    why_ = "ip(8) is not installed";
    return;
  }
  if (!Privileged()) {
    why_ = "creating a network namespace needs root";
    return;
  }
  RemoveStale();
  const int pid = static_cast<int>(::getpid());
  ns_ = kPrefix + std::to_string(pid);
  vethOuter_ = "vlr" + std::to_string(pid) + "a";
  vethInner_ = "vlr" + std::to_string(pid) + "b";
  AddressesFor(pid, outerAddress_, hostAddress_);

  std::string out;
  if (Ip({"netns", "add", ns_}, &out) != 0) {
    why_ = "ip netns add failed: " + out;
    return;
  }
  created_ = true;
  const std::vector<std::vector<std::string>> steps = {
      {"link", "add", vethOuter_, "type", "veth", "peer", "name", vethInner_, "netns", ns_},
      {"addr", "add", outerAddress_ + "/30", "dev", vethOuter_},
      {"link", "set", vethOuter_, "up"},
      {"-n", ns_, "addr", "add", hostAddress_ + "/30", "dev", vethInner_},
      {"-n", ns_, "link", "set", vethInner_, "up"},
      {"-n", ns_, "link", "set", "lo", "up"},
  };
  for (const auto& step : steps) {
    if (Ip(step, &out) != 0) {
      why_ = "ip " + step[0] + " " + step[1] + " failed: " + out;
      return;
    }
  }
  ok_ = true;
}

TestHost::~TestHost() {
  if (!created_) return;
  // Removing the namespace removes the inner end; the outer end goes with its peer,
  // but is removed by name too in case the kernel keeps it a moment longer.
  Ip({"netns", "del", ns_});
  Ip({"link", "del", vethOuter_});
}

void TestHost::RemoveStale() {
  std::string list;
  if (Ip({"netns", "list"}, &list) != 0) return;
  std::istringstream lines(list);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(kPrefix, 0) != 0) continue;
    std::string name = line.substr(0, line.find(' '));
    int pid = std::atoi(name.c_str() + sizeof kPrefix - 1);
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH)) {
      Ip({"netns", "del", name});
      Ip({"link", "del", "vlr" + std::to_string(pid) + "a"});
    }
  }
}

bool TestHost::Sysctl(const std::string& assignment) {
  return Exec({"sysctl", "-q", "-w", assignment}) == 0;
}

bool TestHost::IgnoreEchoes(bool ignore) {
  return Sysctl(std::string("net.ipv4.icmp_echo_ignore_all=") + (ignore ? "1" : "0"));
}

int TestHost::Exec(const std::vector<std::string>& args, std::string* output) {
  std::vector<std::string> all = {"netns", "exec", ns_};
  all.insert(all.end(), args.begin(), args.end());
  return Ip(all, output);
}

int TestHost::Ip(const std::vector<std::string>& args, std::string* output) {
  return RunProgram(ip_, args, output);
}

}  // namespace vellora::test
