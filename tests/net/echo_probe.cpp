// echo_probe HOST [COUNT]: sends COUNT (default 1) echoes to HOST the way the
// reachability test does and prints what happened, for tests that must run the echo
// with other privileges or in another network namespace than the test itself.
//   KIND raw|datagram|none   the socket kind this process gets
//   REPLY <address> | FAIL   one line per echo
//   REPORT <line>            each line handed to the echo problem reporter
// Exit status 0 when every echo was answered.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/echo.h"
#include "platform/host_address.h"
#include "platform/icmp_socket.h"

int main(int argc, char** argv) {
  using namespace vellora;
  if (argc < 2) {
    std::fprintf(stderr, "usage: echo_probe HOST [COUNT]\n");
    return 2;
  }
  const int count = argc > 2 ? std::atoi(argv[2]) : 1;
  net::SetEchoProblemReporter(
      [](const std::string& line) { std::printf("REPORT %s\n", line.c_str()); });
  {
    platform::IcmpSocket s;
    const char* kind = "none";
    if (s.Open() == platform::IcmpOpenResult::Opened) {
      kind = s.kind() == platform::IcmpSocketKind::Raw ? "raw" : "datagram";
    }
    std::printf("KIND %s\n", kind);
  }
  bool all = true;
  for (int i = 0; i < count; ++i) {
    net::EchoReply reply;
    if (net::PingHost(argv[1], reply, 30, 1000, 32, 0, 0, "", 0)) {
      std::printf("REPLY %s\n", platform::FormatIPv4(reply.address).c_str());
    } else {
      std::printf("FAIL\n");
      all = false;
    }
  }
  std::fflush(stdout);
  return all ? 0 : 1;
}
