// The frame of the PDF scale and trim: the temporary file, the rewrite, the log lines
// and the move into the input's place with one retry.
#include "intake/pdf_fit.h"

#include <cmath>
#include <cstdio>

#include "intake/pdf_rewrite.h"
#include "platform/files.h"

namespace vellora::intake {
namespace {

// Far beyond any real page (353 km), and still written without loss in three decimals.
constexpr double kMaxPoints = 1e9;

// The final part of a path, after its last "\" or "/": paths come as Windows texts
// from the settings and as POSIX paths from the command line.
std::string NameOf(const std::string& path) {
  const size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::string Format(const char* format, const std::string& a, const std::string& b = "") {
  const int n = std::snprintf(nullptr, 0, format, a.c_str(), b.c_str());
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::snprintf(text.data(), text.size() + 1, format, a.c_str(), b.c_str());
  return text;
}

// One attempt at putting the rewritten file in the input's place. It is refused, as
// the delete of the input would be refused on Windows, while another program holds
// the input open or the input is read-only; and when the input changed since it was
// read, because the rewrite of the older file must not replace a newer one. The
// replace itself is one rename (or a complete copy renamed into place across file
// systems): the input is never missing, even when both attempts fail.
bool ReplaceInput(const std::string& temp, const std::string& input,
                  const platform::FileStat& before) {
  platform::FileStat now;
  if (!platform::OpenExclusiveAndRead(input, &now)) return false;
  if (now.size != before.size || now.mtimeSec != before.mtimeSec ||
      now.mtimeNsec != before.mtimeNsec) {
    return false;
  }
  return platform::MoveFileReplace(temp, input);
}

int FitPdfFile(const std::string& path, double widthMm, double heightMm, FitMethod method,
               const char* author, std::string& error, const PdfFitEnvironment& env) {
  error.clear();
  const std::string temp = PdfFitTemporaryPath(env.programFolder, path);
  platform::DeleteFile(temp);

  PdfFitRequest request;
  request.method = method;
  request.width = PointsFromMm(widthMm);
  request.height = PointsFromMm(heightMm);
  request.author = author;
  // The file's name as it will stand once the rewrite has replaced the input.
  request.title = NameOf(path);
  // The scanner asks only for sizes above 0; anything else is no page to fit.
  if (!(request.width > 0 && request.width <= kMaxPoints) ||
      !(request.height > 0 && request.height <= kMaxPoints)) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "PDFlib exception occurred: [1] %s: the target size %g x %g mm is no page size",
                  method == FitMethod::Meet ? "ScalePdfFile" : "TrimPdfFile", widthMm, heightMm);
    error = buf;
    env.logs.LogBalancerMessage("ERROR %s", error.c_str());
    return 0;
  }

  const platform::FileStat before = platform::StatOpenedFile(path);
  std::string pdf;
  const PdfRewriteResult result = RewritePdfPage(path, request, pdf);
  if (!result.ok) {
    error = result.error;
    if (result.libraryException) {
      env.logs.LogBalancerMessage("ERROR %s", error.c_str());
    } else {
      env.logs.LogBalancerMessage("ERROR: %s", error.c_str());
    }
    return 0;
  }
  if (!result.repairNote.empty()) {
    env.logs.LogBalancerMessage("WARNING: PDF file '%s' was damaged and has been repaired (%s)",
                                path.c_str(), result.repairNote.c_str());
  }

  // Written and flushed to disk before it replaces the input.
  switch (platform::ReplaceFileAtomically(temp, pdf)) {
    case platform::ReplaceOutcome::Replaced:
      break;
    case platform::ReplaceOutcome::CreateFailed:
      error = Format("Couldn't create PDF output file '%s'", temp);
      env.logs.LogBalancerMessage("ERROR: %s", error.c_str());
      return 0;
    case platform::ReplaceOutcome::WriteFailed:
      error =
          Format("PDFlib exception occurred: [2] write: Couldn't write PDF output file '%s'", temp);
      env.logs.LogBalancerMessage("ERROR %s", error.c_str());
      return 0;
  }

  std::string().swap(pdf);  // on disk now; not held through the wait below

  if (ReplaceInput(temp, path, before)) return 1;
  env.pacer.Wait(1000);
  if (ReplaceInput(temp, path, before)) return 1;
  error = Format("Error moving temp file from %s to %s", temp, path);
  return 0;
}

}  // namespace

std::string PdfFitTemporaryPath(const std::string& programFolder, const std::string& inputPath) {
  return programFolder + "\\.fit-" + NameOf(inputPath);
}

int ScalePdfFile(const std::string& path, double widthMm, double heightMm, std::string& error,
                 const PdfFitEnvironment& env) {
  return FitPdfFile(path, widthMm, heightMm, FitMethod::Meet, "Vellora", error, env);
}

int TrimPdfFile(const std::string& path, double widthMm, double heightMm, std::string& error,
                const PdfFitEnvironment& env) {
  return FitPdfFile(path, widthMm, heightMm, FitMethod::Clip, "Sundle", error, env);
}

}  // namespace vellora::intake
