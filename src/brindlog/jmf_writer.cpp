// The JMF files on disk.
#include "brindlog/jmf_writer.h"

#include "brindlog/jmf_file_name.h"
#include "brindlog/jmf_text.h"
#include "brindlog/xml_text.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::brindlog {
namespace {

constexpr size_t kComputerNameLimit = 199;

const char* StatusWord(riplog::JobStatus s) {
  switch (s) {
    case riplog::JobStatus::Error:
      return "Error";
    case riplog::JobStatus::Warning:
      return "Warning";
    default:
      return "Success";
  }
}

// An attribute value as it goes into the file.
std::string Attribute(std::string_view text, Apostrophe apostrophe = Apostrophe::Entity) {
  return ToXmlCharacters(TrimBlanks(EscapeXml(text, apostrophe)));
}

}  // namespace

JmfWriter::JmfWriter(std::string xmlFolder, bool useSetupSubfolders, DebugLog& log,
                     std::string computerName)
    : xmlFolder_(std::move(xmlFolder)),
      useSetupSubfolders_(useSetupSubfolders),
      log_(log),
      sender_(Attribute(std::string_view(computerName).substr(0, kComputerNameLimit))) {}

bool JmfWriter::IsUsableFolder(std::string_view xmlFolder) {
  return !xmlFolder.empty() && platform::ToOsPath(xmlFolder).starts_with('/') &&
         platform::IsEnterableDirectory(xmlFolder);
}

bool JmfWriter::WriteJobJmf(std::string_view name, riplog::JobStatus status,
                            std::string_view message, std::string_view setup,
                            std::string_view jobTime) {
  std::string escapedSetup(TrimBlanks(EscapeXml(setup)));
  std::string xmlName = Attribute(TrimBlanks(name));
  std::string xmlSetup = ToXmlCharacters(escapedSetup);
  std::string xmlJobTime = Attribute(jobTime);
  std::string xmlMessage = Attribute(message, Apostrophe::Hash);
  std::string content = JobJmfText(JmfTimeStamp(now_()), sender_,
                                   {StatusWord(status), xmlName, xmlSetup, xmlJobTime, xmlMessage});

  // The name goes into the path untrimmed, as it was passed.
  JobFileLocation at = LocateJobFile(xmlFolder_, useSetupSubfolders_, escapedSetup, name,
                                     platform::MaxNameLength(xmlFolder_));
  if (!at.folder.empty()) platform::CreateFolder(at.folder);  // an existing one is fine
  return WriteFile(at.path, content);
}

bool JmfWriter::WriteStatusJmf(int flag) {
  std::string content =
      StatusJmfText(JmfTimeStamp(now_()), sender_, flag == 0 ? "Running" : "Not running");
  return WriteFile(xmlFolder_ + "\\" + kStatusFileName, content);
}

bool JmfWriter::WriteFile(const std::string& path, const std::string& content) {
  switch (platform::ReplaceFileAtomically(path, content)) {
    case platform::ReplaceOutcome::Replaced:
      return true;
    case platform::ReplaceOutcome::CreateFailed:
      log_.Write("ERROR: Cannot create %s file\r\n", path.c_str());
      return false;
    case platform::ReplaceOutcome::WriteFailed:
      log_.Write("ERROR: Cannot write to %s file\r\n", path.c_str());
      return false;
  }
  return false;
}

}  // namespace vellora::brindlog
