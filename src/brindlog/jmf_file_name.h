// Where a job's JMF file goes: "%s\%s.xml" of the XMLfolder and the job's name, or,
// with UsePageSetupNameAsSubDirectory, "%s\%s\%s.xml" with a subfolder named after
// the job's setup. Both names come from the RIP's log, so they are made safe to stand
// as one name each: nothing a log line holds can put a file outside the XMLfolder,
// hide it, cut it off for being too long or put it in the status file's place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellora::brindlog {

// The device status file in the XMLfolder.
inline constexpr char kStatusFileName[] = "RipStatus.xml";
// The longest name most file systems take, in bytes.
inline constexpr size_t kDefaultNameMax = 255;

// The job's name as the last part of a file name, without its ".xml". Every
// character that a file name may not hold on Windows or here ("\", "/", ":", "*",
// "?", the double quote, "<", ">", "|" and the control characters below 32, the zero
// byte among them) becomes "_"; so do the names ".", ".." and the empty name ("_",
// "__", "_"). Bytes of the RIP's single-byte code page become UTF-8, as they do in
// the file's contents. A leading "." becomes "_": a hidden name is passed over by
// folder pollers and looks like one of the daemon's own temporaries. The result is
// cut (between characters) so that it fits nameMax bytes with the ".xml". Everything
// else stays as it was passed, blanks included.
std::string JobFileName(std::string_view jobName, size_t nameMax = kDefaultNameMax);

// The subfolder for a setup, from the setup as already escaped for XML: every "<",
// ">", ":", "'", "\", "/", "?", "*", double quote and "|" removed, and the control
// characters below 32 too. A name left as "." or ".." has its dots replaced by "_",
// a leading "." becomes "_"; converted to UTF-8 and cut to nameMax bytes like a job's
// name. Empty when nothing remains: the file then goes into the XMLfolder itself,
// where "%s\%s\%s.xml" with an empty folder name leads as well.
std::string SetupFolderName(std::string_view escapedSetup, size_t nameMax = kDefaultNameMax);

struct JobFileLocation {
  std::string folder;  // the subfolder to create first ("%s\%s"); empty: none
  std::string path;    // the file
};

// nameMax: the longest name the XMLfolder's file system takes. A job file that
// would lie beside the status file under its name (a job called RipStatus, in any
// case, since shares of Windows servers do not tell case apart) gets a "_" after
// its name instead.
JobFileLocation LocateJobFile(std::string_view xmlFolder, bool useSetupSubfolders,
                              std::string_view escapedSetup, std::string_view jobName,
                              size_t nameMax = kDefaultNameMax);

}  // namespace vellora::brindlog
