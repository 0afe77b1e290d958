// Where a job's JMF file goes: "%s\%s.xml" of the XMLfolder and the job's name, or,
// with UsePageSetupNameAsSubDirectory, "%s\%s\%s.xml" with a subfolder named after
// the job's setup. Both names come from the RIP's log, so they are made safe to stand
// as one name each: nothing a log line holds can put a file outside the XMLfolder.
#pragma once

#include <string>
#include <string_view>

namespace vellora::brindlog {

// The job's name as the last part of a file name. Every character that a file name
// may not hold on Windows or here ("\", "/", ":", "*", "?", the double quote, "<",
// ">", "|" and the control characters below 32, the zero byte among them) becomes
// "_"; so do the names ".", ".." and the empty name ("_", "__", "_"). Everything else
// stays as it was passed, blanks included.
std::string JobFileName(std::string_view jobName);

// The subfolder for a setup, from the setup as already escaped for XML: every "<",
// ">", ":", "'", "\", "/", "?", "*", double quote and "|" removed, and the control
// characters below 32 too. A name left as "." or ".." has its dots replaced by "_".
// Empty when nothing remains: the file then goes into the XMLfolder itself, where
// "%s\%s\%s.xml" with an empty folder name leads as well.
std::string SetupFolderName(std::string_view escapedSetup);

struct JobFileLocation {
  std::string folder;  // the subfolder to create first ("%s\%s"); empty: none
  std::string path;    // the file
};

JobFileLocation LocateJobFile(std::string_view xmlFolder, bool useSetupSubfolders,
                              std::string_view escapedSetup, std::string_view jobName);

}  // namespace vellora::brindlog
