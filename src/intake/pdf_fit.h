// Scaling and trimming a single-page PDF in place to the planned page size, before
// the scanner delivers it. The new file is written under a temporary name in the
// program folder and then put in the input's place in one step, so that the input
// is, at every moment, either the old file or the whole new one.
#pragma once

#include <string>

#include "core/logs.h"
#include "platform/pacing.h"

namespace vellora::intake {

// What the rewriting needs from the program.
struct PdfFitEnvironment {
  std::string programFolder;  // where the temporary file is written
  core::LogWriters& logs;     // the balancer log: every failure except a failed move
  platform::Pacer& pacer;         // the one-second wait before the second attempt to move
};

// Rewrites the PDF at path (the system's text form) to a page of widthMm x heightMm:
// the page scaled with its proportions kept until it just fits, centred. Returns 1,
// or 0 with the reason in error: the texts of the rewriting (see pdf_rewrite.h), all
// written to the balancer log, or "Error moving temp file from %s to %s" (temporary
// path, input path), which is not logged. On every failure the input is as it was;
// after a failed move the rewritten file stays under the temporary path until the
// next call for a file of the same name.
int ScalePdfFile(const std::string& path, double widthMm, double heightMm, std::string& error,
                 const PdfFitEnvironment& env);
// The same with the page at its own size, centred, cut at the edges of the new page.
int TrimPdfFile(const std::string& path, double widthMm, double heightMm, std::string& error,
                const PdfFitEnvironment& env);

// The temporary file of an input: in the program folder, hidden (so that a program
// folder that is also an input folder never lists it as a job), and named after the
// input with a prefix, so that it is never the input itself, whatever the folders.
std::string PdfFitTemporaryPath(const std::string& programFolder, const std::string& inputPath);

}  // namespace vellora::intake
