// Log-file pointers: where the next pass continues in a RIP log, kept in a small
// file so that a restart goes on where the last run stopped. The file holds the byte
// offset as a decimal number followed by "\r\n" and nothing else. Offsets are 64-bit;
// below 2^31 the file is byte for byte the classic "%d\r\n", above it the same digits
// simply go on, so logs beyond 2 GB and 4 GB keep their place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellora::riplog {

// The operator program keeps one pointer file per RIP beside its own logs:
// "%s\LogFilePointer%d" of the program folder and the RIP number (ripIndex 0 to 3
// gives LogFilePointer1 to LogFilePointer4).
std::string VelloraPointerPath(std::string_view programFolder, int ripIndex);
// The daemon keeps one, "%s\LogFilePointer" of its RipInstallFolder.
std::string BrindlogPointerPath(std::string_view ripInstallFolder);

// The conversion of a pointer file's text, as atoi does it: leading blanks, an
// optional sign, then the leading digits; conversion stops at the first other
// character. No digits give 0; a negative number is no position either and gives 0;
// a number too large for 64 bits gives the largest offset.
int64_t ParseLogPointer(std::string_view text);

// The stored pointer: up to 80 bytes of the file, converted as above. A missing,
// unreadable or garbage file gives 0 (no position known).
int64_t ReadLogPointer(std::string_view pointerPath);

// Stores the pointer with "%lld\r\n". The text goes to a temporary file beside the
// pointer file, which is flushed and then renamed over it, so a crash leaves the old
// pointer or the new one, never a torn one. False when the file cannot be written,
// with the system's reason in *reason when given; callers go on and write again at
// their next pass.
bool WriteLogPointer(std::string_view pointerPath, int64_t pointer, std::string* reason = nullptr);

}  // namespace vellora::riplog
