// The JMF templates.
#include "brindlog/jmf_text.h"

#include <cstdio>
#include <cstdlib>

namespace vellora::brindlog {
namespace {

std::string Str(std::string_view v) {
  return std::string(v);
}

// The head both files share, up to the Signal element of the given type.
std::string Head(std::string_view timeStamp, std::string_view computerName,
                 std::string_view signalType) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<JMF TimeStamp=\"" + Str(timeStamp) +
         "\" SenderID=\"" + kSenderPrefix + Str(computerName) + "\"\r\n  xmlns=\"" + kJdfNamespace +
         "\" Version=\"1.2\">\r\n  <Signal ID=\"S1\" Type=\"" + Str(signalType) + "\" >\r\n";
}

}  // namespace

std::string JmfTimeStamp(const platform::LocalTime& t) {
  int hours = t.utcOffsetSeconds / 3600;
  char buf[80];
  std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.0%c%d:00", t.year, t.month, t.day,
                t.hour, t.minute, t.second, hours < 0 ? '-' : '+', std::abs(hours));
  return buf;
}

std::string JobJmfText(std::string_view timeStamp, std::string_view computerName,
                       const JobJmfValues& v) {
  return Head(timeStamp, computerName, "Notification") +
         "    <Notification Class=\"Event\" Type=\"RipJob\">\r\n" + "      <RipJob Status=\"" +
         Str(v.status) + "\" FileName=\"" + Str(v.fileName) + "\" Setup=\"" + Str(v.setup) +
         "\" JobTime=\"" + Str(v.jobTime) + "\" Message=\"" + Str(v.message) + "\" />\r\n" +
         "    </Notification>\r\n  </Signal>\r\n</JMF>\r\n";
}

std::string StatusJmfText(std::string_view timeStamp, std::string_view computerName,
                          std::string_view deviceStatus) {
  return Head(timeStamp, computerName, "Status") + "    <DeviceInfo DeviceStatus=\"" +
         Str(deviceStatus) + "\"/>\r\n" + "  </Signal>\r\n</JMF>\r\n";
}

}  // namespace vellora::brindlog
