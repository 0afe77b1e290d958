// The rewriting step of the PDF scale and trim: one single-page PDF in, the bytes of
// a new one-page PDF of the target size out, with qpdf. The input is only read. Every
// qpdf exception ends here; the caller gets the reason in the system's own texts.
#pragma once

#include <string>

#include "intake/pdf_geometry.h"

namespace vellora::intake {

struct PdfFitRequest {
  FitMethod method = FitMethod::Meet;
  double width = 0;    // points, as PointsFromMm gives them
  double height = 0;   // points
  std::string author;  // document information: "Vellora" scaling, "Sundle" trimming
  std::string title;   // document information: the output file's name
};

struct PdfRewriteResult {
  bool ok = false;
  // The reason of a failure, one of:
  //   "ERROR: Couldn't create PDFlib object (out of memory)!"
  //   "Couldn't open PDF input file '%s'"          (missing, unreadable, no PDF,
  //                                                 encrypted, damaged beyond repair)
  //   "Couldn't not get PDF page count from PDF file '%s'"  (no page found)
  //   "Only single page document can be trimmed '%s'"       (more than one page)
  //   "Couldn't open page 1 of PDF file '%s'"      (no usable page box, contents that
  //                                                 cannot be decoded)
  //   "PDFlib exception occurred: [%d] %s: %s"     (anything else: qpdf's error code,
  //                                                 the qpdf function, its message)
  std::string error;
  // The last form is written to the balancer log as "ERROR %s", the others as
  // "ERROR: %s".
  bool libraryException = false;
  // Set when qpdf had to repair the input to read it: its first warning.
  std::string repairNote;
};

// The last form of the texts above for the exception being handled: qpdf's error
// code (qpdf_e_system for an I/O error or a lack of memory, qpdf_e_internal for
// anything that is no qpdf error), the function and the message. Call it only inside
// a catch block.
std::string LibraryExceptionText(const char* function);

// inputPath is in the system's text form. On success pdf holds the new file.
PdfRewriteResult RewritePdfPage(const std::string& inputPath, const PdfFitRequest& request,
                                std::string& pdf);

}  // namespace vellora::intake
