// The exact bytes of the two JMF files: the job notification and the device status.
// Lines end with CR LF; the values are inserted as given (already escaped and
// converted, see xml_text.h).
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vellora::brindlog {

// The default namespace of JDF 1.1 and JMF 1.1 documents.
inline constexpr char kJdfNamespace[] = "http://www.CIP4.org/JDFSchema_1_1";
// SenderID is this followed by the computer's name.
inline constexpr char kSenderPrefix[] = "Wendrel_";

// "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.0+%d:00" with the offset from UTC in whole hours
// (truncated towards zero). West of Greenwich the plus sign would give "+-5:00",
// which no reader takes as a time zone; there the sign is a minus: "-5:00".
std::string JmfTimeStamp(const platform::LocalTime& t);

struct JobJmfValues {
  std::string_view status;  // "Success", "Warning" or "Error"
  std::string_view fileName;
  std::string_view setup;
  std::string_view jobTime;
  std::string_view message;
};

std::string JobJmfText(std::string_view timeStamp, std::string_view computerName,
                       const JobJmfValues& v);
// deviceStatus: "Running" or "Not running".
std::string StatusJmfText(std::string_view timeStamp, std::string_view computerName,
                          std::string_view deviceStatus);

}  // namespace vellora::brindlog
