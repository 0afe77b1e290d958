// Real echoes: to this machine with whatever socket the test process gets, and in a
// namespace of its own with the datagram socket and with no socket at all.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "net/echo.h"
#include "platform/host_address.h"
#include "platform/icmp_socket.h"
#include "test_host.h"

namespace vellora::net {
namespace {

bool EchoPossibleHere(std::string& why) {
  platform::IcmpSocket s;
  if (s.Open() == platform::IcmpOpenResult::Opened) return true;
  why = "this process may open no ICMP socket (neither cap_net_raw nor ping_group_range)";
  return false;
}

uint32_t Loopback() {
  uint32_t a = 0;
  platform::ParseDottedIPv4("127.0.0.1", a);
  return a;
}

TEST(Echo, RealEchoToThisMachine) {
  std::string why;
  if (!EchoPossibleHere(why)) GTEST_SKIP() << why;

  EchoReply reply;
  const uint64_t sentBefore = platform::IcmpDatagramsSent();
  ASSERT_TRUE(PingHost("127.0.0.1", reply, 30, 1000, 32, 0, 0, "", 0));
  EXPECT_EQ(reply.address, Loopback());
  EXPECT_GE(reply.roundTripMs, 0);
  EXPECT_LT(reply.roundTripMs, 1000);
  EXPECT_EQ(reply.reserved, 0);
  EXPECT_EQ(platform::IcmpDatagramsSent(), sentBefore + 1);

  // Names go through the resolver; every option and a local address to send from.
  EchoReply named;
  EXPECT_TRUE(PingHost("localhost", named, 64, 1000, 32, 0x10, 1, "127.0.0.1", 0));
  EXPECT_EQ(named.address, Loopback());
  // The largest request, and an odd size, travel whole (loopback takes 64 KiB).
  EXPECT_TRUE(PingHost("127.0.0.1", named, 30, 1000, 65500, 0, 0, "", 0));
  EXPECT_TRUE(PingHost("127.0.0.1", named, 30, 1000, 33, 0, 0, "", 0));
  EXPECT_TRUE(PingHost("127.0.0.1", named, 30, 1000, 100000, 0, 0, "", 0)) << "cut to 65500";

  // Failures leave the reply alone.
  EchoReply untouched;
  untouched.roundTripMs = -7;
  EXPECT_FALSE(PingHost("no-such-host.invalid", untouched, 30, 1000, 32, 0, 0, "", 0));
  EXPECT_FALSE(PingHost("127.0.0.1", untouched, 30, 1000, 32, 0, 0, "300.1.2.3", 0))
      << "not an address";
  EXPECT_FALSE(PingHost("127.0.0.1", untouched, 30, 1000, 32, 0, 0, "192.0.2.77", 0))
      << "not an address of this machine";
  EXPECT_FALSE(PingHost("127.0.0.1", untouched, 0, 1000, 32, 0, 0, "", 0)) << "time to live 0";
  EXPECT_FALSE(PingHost("127.0.0.1", untouched, 256, 1000, 32, 0, 0, "", 0));
  EXPECT_EQ(untouched.roundTripMs, -7);
  EXPECT_EQ(untouched.address, 0u);
}

TEST(Echo, ThreadsEchoAtTheSameTimeWithoutAnsweringForEachOther) {
  std::string why;
  if (!EchoPossibleHere(why)) GTEST_SKIP() << why;
  // Every thread's request carries the same identifier (the process id) and sequence
  // 0; each must still get only its own answers.
  std::atomic<int> replies{0}, wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 25; ++i) {
        EchoReply r;
        if (PingHost("127.0.0.1", r, 30, 1000, 32, 0, 0, "", 0)) {
          ++replies;
          if (r.address != Loopback()) ++wrong;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(replies.load(), 100);
  EXPECT_EQ(wrong.load(), 0);
}

std::string ProbeIn(test::TestHost& host, const std::vector<std::string>& prefix,
                    const std::string& target, int count, int* status) {
  std::vector<std::string> args = prefix;
  args.push_back(ECHO_PROBE);
  args.push_back(target);
  args.push_back(std::to_string(count));
  std::string out;
  *status = host.Exec(args, &out);
  return out;
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

TEST(Echo, DatagramSocketAndNoSocketAtAll) {
  test::TestHost host;
  if (!host.ok()) {
    if (!test::TestHost::Privileged()) GTEST_SKIP() << "skipped: " << host.why();
    FAIL() << "root, but the test host cannot be built: " << host.why();
  }
  // Without cap_net_raw the probe cannot have a raw socket even as root.
  const std::vector<std::string> unprivileged = {"setpriv", "--inh-caps=-net_raw",
                                                 "--bounding-set=-net_raw", "--"};

  // The kernel's datagram socket, permitted for every group in this namespace.
  ASSERT_TRUE(host.Sysctl("net.ipv4.ping_group_range=0 2147483647"));
  int status = -1;
  std::string out = ProbeIn(host, unprivileged, "127.0.0.1", 3, &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("KIND datagram"), std::string::npos) << out;
  EXPECT_EQ(CountOf(out, "REPLY 127.0.0.1"), 3) << out;
  EXPECT_EQ(CountOf(out, "REPORT"), 0) << out;

  // And the raw socket still, with the capability, in the same namespace.
  out = ProbeIn(host, {}, "127.0.0.1", 1, &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("KIND raw"), std::string::npos) << out;

  // Neither: the echoes fail, and the one line naming the fixes is written once.
  ASSERT_TRUE(host.Sysctl("net.ipv4.ping_group_range=1 0"));
  out = ProbeIn(host, unprivileged, "127.0.0.1", 3, &status);
  EXPECT_NE(status, 0) << out;
  EXPECT_NE(out.find("KIND none"), std::string::npos) << out;
  EXPECT_EQ(CountOf(out, "FAIL"), 3) << out;
  EXPECT_EQ(CountOf(out, "REPORT ERROR: "), 1) << out;
  EXPECT_NE(out.find("setcap cap_net_raw+ep"), std::string::npos) << out;
  EXPECT_NE(out.find("net.ipv4.ping_group_range"), std::string::npos) << out;
}

TEST(Echo, ProblemMessageNamesBothFixes) {
  // It names both fixes, the executable to give the capability to, and starts with
  // the prefix of the logs.
  std::string m = EchoNotPermittedMessage();
  EXPECT_EQ(m.rfind("ERROR: ", 0), 0u);
  EXPECT_NE(m.find("setcap cap_net_raw+ep /"), std::string::npos) << m;
  EXPECT_NE(m.find("ping_group_range"), std::string::npos) << m;
}

}  // namespace
}  // namespace vellora::net
