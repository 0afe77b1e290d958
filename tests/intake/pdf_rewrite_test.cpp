// How qpdf's exceptions become the "PDFlib exception occurred" text.
#include "intake/pdf_rewrite.h"

#include <gtest/gtest.h>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

#include <new>

namespace vellora::intake {
namespace {

template <typename E>
std::string TextFor(const E& e, const char* function) {
  try {
    throw e;
  } catch (...) {
    return LibraryExceptionText(function);
  }
}

TEST(PdfRewrite, QpdfErrorsCarryTheirCodeFunctionAndMessage) {
  EXPECT_EQ(TextFor(QPDFExc(qpdf_e_damaged_pdf, "in.pdf", "object 5 0", 1234, "expected endstream"),
                    "QPDFWriter::write"),
            "PDFlib exception occurred: [5] QPDFWriter::write: in.pdf (object 5 0, offset 1234): "
            "expected endstream");
  EXPECT_EQ(TextFor(QPDFExc(qpdf_e_pages, "in.pdf", "", 0, "pages tree loops"),
                    "QPDF::copyForeignObject"),
            "PDFlib exception occurred: [6] QPDF::copyForeignObject: in.pdf: pages tree loops");
  EXPECT_EQ(TextFor(QPDFSystemError("read in.pdf", 5), "QPDFWriter::write"),
            "PDFlib exception occurred: [2] QPDFWriter::write: read in.pdf: "
            "Input/output error");
  EXPECT_EQ(TextFor(std::bad_alloc(), "QPDFWriter::write"),
            "PDFlib exception occurred: [2] QPDFWriter::write: out of memory");
  EXPECT_EQ(TextFor(std::logic_error("operation on a null object"), "QPDF::emptyPDF"),
            "PDFlib exception occurred: [1] QPDF::emptyPDF: operation on a null object");
  EXPECT_EQ(TextFor(42, "QPDF::emptyPDF"),
            "PDFlib exception occurred: [1] QPDF::emptyPDF: unknown error");
}

}  // namespace
}  // namespace vellora::intake
