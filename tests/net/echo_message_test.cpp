// The echo request on the wire, the checksum, and the judging of received datagrams.
#include <bit>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "net/echo.h"

namespace vellora::net {
namespace {

std::vector<uint8_t> Native16(uint16_t v) {
  std::vector<uint8_t> b(2);
  std::memcpy(b.data(), &v, 2);
  return b;
}

TEST(EchoMessage, RequestOf32DataBytesIs44BytesExactly) {
  std::vector<uint8_t> m = BuildEchoRequest(0x1234, 0, 0x0A0B0C0D, 32);
  ASSERT_EQ(m.size(), 44u);
  EXPECT_EQ(m[0], 8);  // echo request
  EXPECT_EQ(m[1], 0);
  EXPECT_EQ(std::vector<uint8_t>(m.begin() + 4, m.begin() + 6), Native16(0x1234));
  EXPECT_EQ(m[6], 0);
  EXPECT_EQ(m[7], 0);
  uint32_t stamp;
  std::memcpy(&stamp, &m[8], 4);
  EXPECT_EQ(stamp, 0x0A0B0C0Du);
  for (size_t i = 12; i < m.size(); ++i) ASSERT_EQ(m[i], 0x45) << "data byte " << i;
  if constexpr (std::endian::native == std::endian::little) {
    // Worked out independently of the code under test (RFC 1071 over the 22 words).
    const std::vector<uint8_t> head = {0x08, 0x00, 0x57, 0x83, 0x34, 0x12,
                                       0x00, 0x00, 0x0d, 0x0c, 0x0b, 0x0a};
    EXPECT_EQ(std::vector<uint8_t>(m.begin(), m.begin() + 12), head);
  }
  // A receiver sums the message with its checksum in place and must get all ones.
  EXPECT_EQ(InternetChecksum(m.data(), m.size()), 0);
}

TEST(EchoMessage, ChecksumFollowsRfc1071) {
  // The example of RFC 1071: the sum of these words is 0xddf2, the checksum 0x220d,
  // which goes on the wire as the bytes 22 0d whatever the machine's byte order.
  const uint8_t words[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
  uint16_t c = InternetChecksum(words, sizeof words);
  uint8_t wire[2];
  std::memcpy(wire, &c, 2);
  EXPECT_EQ(wire[0], 0x22);
  EXPECT_EQ(wire[1], 0x0d);
  // An odd last byte counts as a word padded with a zero byte.
  const uint8_t odd[] = {0x12, 0x34, 0x56};
  const uint8_t padded[] = {0x12, 0x34, 0x56, 0x00};
  EXPECT_EQ(InternetChecksum(odd, 3), InternetChecksum(padded, 4));
  // Carries wrap around: 0xffff + 0x0001 is 0x0001 after folding, checksum 0xfffe.
  const uint8_t carry[] = {0xff, 0xff, 0x00, 0x01};
  c = InternetChecksum(carry, 4);
  std::memcpy(wire, &c, 2);
  EXPECT_EQ(wire[0], 0xff);
  EXPECT_EQ(wire[1], 0xfe);
}

TEST(EchoMessage, DataSizeIsCutToItsLimits) {
  EXPECT_EQ(BuildEchoRequest(1, 0, 0, 70000).size(), 65512u);
  EXPECT_EQ(BuildEchoRequest(1, 0, 0, 65500).size(), 65512u);
  EXPECT_EQ(BuildEchoRequest(1, 0, 0, -5).size(), 12u);
  std::vector<uint8_t> odd = BuildEchoRequest(0xBEEF, 7, 123456, 33);
  ASSERT_EQ(odd.size(), 45u);
  EXPECT_EQ(InternetChecksum(odd.data(), odd.size()), 0);
  EXPECT_EQ(std::vector<uint8_t>(odd.begin() + 6, odd.begin() + 8), Native16(7));
}

// A received datagram: an IP header of headerWords 32-bit words, then ICMP.
std::vector<uint8_t> Datagram(int headerWords, uint8_t type, uint16_t id, uint16_t seq,
                              size_t icmpSize = 44) {
  std::vector<uint8_t> d(static_cast<size_t>(headerWords) * 4 + icmpSize, 0);
  if (headerWords > 0) d[0] = static_cast<uint8_t>(0x40 | headerWords);
  uint8_t* icmp = d.data() + headerWords * 4;
  icmp[0] = type;
  std::memcpy(icmp + 4, &id, 2);
  std::memcpy(icmp + 6, &seq, 2);
  return d;
}

TEST(EchoMessage, ReceivedDatagramsAreJudgedByIdentifierSequenceTypeAndSender) {
  const uint32_t server = 0x0100007f, other = 0x0200007f;
  auto judge = [&](const std::vector<uint8_t>& d, bool ip = true, uint32_t from = 0x0100007f) {
    return CheckEchoDatagram(d.data(), d.size(), ip, 0x4242, 0, from, server);
  };
  EXPECT_EQ(judge(Datagram(5, 0, 0x4242, 0)), EchoVerdict::Reply);
  EXPECT_EQ(judge(Datagram(6, 0, 0x4242, 0)), EchoVerdict::Reply) << "IP options";
  EXPECT_EQ(judge(Datagram(0, 0, 0x4242, 0), false), EchoVerdict::Reply) << "datagram socket";
  EXPECT_EQ(judge(Datagram(5, 0, 0x4243, 0)), EchoVerdict::NotOurs) << "other identifier";
  EXPECT_EQ(judge(Datagram(5, 0, 0x4242, 1)), EchoVerdict::NotOurs) << "other sequence";
  EXPECT_EQ(judge(Datagram(5, 0, 0x4242, 0, 11)), EchoVerdict::NotOurs) << "too short";
  EXPECT_EQ(judge(Datagram(5, 0, 0x4242, 0, 12)), EchoVerdict::Reply);
  EXPECT_EQ(judge(Datagram(4, 0, 0x4242, 0)), EchoVerdict::NotOurs) << "impossible header";
  EXPECT_EQ(judge({}), EchoVerdict::NotOurs);
  // Our own request, seen by a raw socket when the server is this machine.
  EXPECT_EQ(judge(Datagram(5, 8, 0x4242, 0)), EchoVerdict::NotOurs);
  // A sibling thread's reply from another server carries our identifier too.
  EXPECT_EQ(judge(Datagram(5, 0, 0x4242, 0), true, other), EchoVerdict::NotOurs);
  // An answer to our identifier and sequence that is no echo reply ends the echo.
  EXPECT_EQ(judge(Datagram(5, 3, 0x4242, 0)), EchoVerdict::Failure);
  EXPECT_EQ(judge(Datagram(5, 11, 0x4242, 0), true, other), EchoVerdict::Failure);
}

}  // namespace
}  // namespace vellora::net
