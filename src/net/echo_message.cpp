// The echo request message and the check of what comes back.
#include <cstring>

#include "net/echo.h"

namespace vellora::net {
namespace {

constexpr uint8_t kEchoReplyType = 0;
constexpr uint8_t kEchoRequestType = 8;
constexpr size_t kMinIpHeader = 20;

uint16_t ReadNative16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

uint16_t InternetChecksum(const uint8_t* data, size_t size) {
  uint64_t sum = 0;
  size_t i = 0;
  for (; i + 1 < size; i += 2) sum += ReadNative16(data + i);
  if (i < size) {
    uint8_t last[2] = {data[i], 0};
    sum += ReadNative16(last);
  }
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum & 0xFFFF);
}

std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, uint32_t timeStamp,
                                      int dataSize) {
  if (dataSize < 0) dataSize = 0;
  if (dataSize > kMaxEchoDataSize) dataSize = kMaxEchoDataSize;
  std::vector<uint8_t> message(kEchoHeaderSize + static_cast<size_t>(dataSize), 0x45);
  message[0] = kEchoRequestType;
  message[1] = 0;
  message[2] = 0;
  message[3] = 0;
  std::memcpy(&message[4], &identifier, sizeof identifier);
  std::memcpy(&message[6], &sequence, sizeof sequence);
  std::memcpy(&message[8], &timeStamp, sizeof timeStamp);
  uint16_t checksum = InternetChecksum(message.data(), message.size());
  std::memcpy(&message[2], &checksum, sizeof checksum);
  return message;
}

EchoVerdict CheckEchoDatagram(const uint8_t* datagram, size_t size, bool withIpHeader,
                              uint16_t identifier, uint16_t sequence, uint32_t from,
                              uint32_t destination) {
  size_t headerLength = 0;
  if (withIpHeader) {
    if (size < 1) return EchoVerdict::NotOurs;
    headerLength = static_cast<size_t>(datagram[0] & 0x0F) * 4;
    if (headerLength < kMinIpHeader) return EchoVerdict::NotOurs;
  }
  if (size < headerLength + kEchoHeaderSize) return EchoVerdict::NotOurs;
  const uint8_t* icmp = datagram + headerLength;
  if (ReadNative16(icmp + 4) != identifier) return EchoVerdict::NotOurs;
  if (ReadNative16(icmp + 6) != sequence) return EchoVerdict::NotOurs;
  if (icmp[0] == kEchoReplyType) {
    return from == destination ? EchoVerdict::Reply : EchoVerdict::NotOurs;
  }
  // A raw socket also receives the requests that arrive for this host, our own among
  // them when the server is this machine: that is the question, not an answer.
  if (icmp[0] == kEchoRequestType) return EchoVerdict::NotOurs;
  return EchoVerdict::Failure;
}

}  // namespace vellora::net
