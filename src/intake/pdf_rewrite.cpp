// The qpdf side of the PDF scale and trim. The input page becomes a form XObject
// (its visible box as bounding box, its rotation and user unit as matrix), placed on
// a new page of the target size; nothing of the input is decoded except the page's
// contents, which are checked that way, and every other stream is copied as it is.
#include "intake/pdf_rewrite.h"

#include <qpdf/Constants.h>
#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFWriter.hh>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "platform/files.h"
#include "platform/paths.h"

namespace vellora::intake {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

PdfRewriteResult Fail(std::string text) {
  PdfRewriteResult r;
  r.error = std::move(text);
  return r;
}

std::optional<PdfBox> BoxOf(QPDFObjectHandle h) {
  if (!h.isArray() || h.getArrayNItems() != 4) return std::nullopt;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    QPDFObjectHandle item = h.getArrayItem(i);
    if (!item.isNumber()) return std::nullopt;
    v[i] = item.getNumericValue();
  }
  return MakeBox(v[0], v[1], v[2], v[3]);
}

// "1.6" -> 16; 0 when the text is no version.
int VersionTimesTen(const std::string& text) {
  int major = 0, minor = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%d.%d%c", &major, &minor, &extra) != 2) return 0;
  if (major < 1 || major > 9 || minor < 0 || minor > 9) return 0;
  return major * 10 + minor;
}

// Document information is a PDF text string: PDFDocEncoding or UTF-16, which qpdf
// chooses for UTF-8 names. A name in a single-byte code page (no valid UTF-8) is
// written as it is; its letters above 127 read the same in PDFDocEncoding.
bool IsUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
    } else if (c >= 0x80) {
      return false;
    }
    if (s.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

QPDFObjectHandle TextString(const std::string& text) {
  return IsUtf8(text) ? QPDFObjectHandle::newUnicodeString(text)
                      : QPDFObjectHandle::newString(text);
}

std::string MatrixText(const PdfMatrix& m) {
  return FormatPdfNumber(m.a) + " " + FormatPdfNumber(m.b) + " " + FormatPdfNumber(m.c) + " " +
         FormatPdfNumber(m.d) + " " + FormatPdfNumber(m.e) + " " + FormatPdfNumber(m.f);
}

QPDFObjectHandle ArrayOf(std::initializer_list<double> values) {
  QPDFObjectHandle a = QPDFObjectHandle::newArray();
  for (double v : values) a.appendItem(QPDFObjectHandle::newReal(FormatPdfNumber(v)));
  return a;
}

// What is read from the input's one page before anything is written.
struct PageSource {
  PdfBox visible;
  PdfMatrix view;
  QPDFObjectHandle form;  // in the input's document
};

// The page as a form XObject of the input document. False when the page cannot be
// used: no media box with an area, a crop box that leaves nothing, or contents that
// cannot be read or decoded (a damaged stream qpdf could not recover).
bool ReadPage(QPDF& in, QPDFPageObjectHelper page, PageSource& src) {
  const std::optional<PdfBox> media = BoxOf(page.getAttribute("/MediaBox", false));
  if (!media) return false;
  QPDFObjectHandle cropObject = page.getAttribute("/CropBox", false);
  std::optional<PdfBox> crop;
  if (!cropObject.isNull()) {
    crop = BoxOf(cropObject);
    // A crop box that is no box is ignored, as viewers ignore it.
  }
  const std::optional<PdfBox> visible = VisibleBox(*media, crop);
  if (!visible) return false;

  long long rotate = 0;
  QPDFObjectHandle rotateObject = page.getAttribute("/Rotate", false);
  if (rotateObject.isNumber()) {
    const double r = rotateObject.getNumericValue();
    if (std::isfinite(r) && std::fabs(r) < 1e9 && r == std::floor(r)) {
      rotate = static_cast<long long>(r);
    }
  }
  double userUnit = 1.0;
  QPDFObjectHandle unitObject = page.getObjectHandle().getKey("/UserUnit");
  if (unitObject.isNumber()) userUnit = unitObject.getNumericValue();
  const PdfMatrix view = ViewMatrix(NormalizedRotation(rotate), userUnit);
  // The seen page must have a size that can be written and scaled.
  const PdfBox seen = Transform(view, *visible);
  if (!(seen.Width() >= 1e-3 && seen.Height() >= 1e-3 && seen.Width() <= 1e9 &&
        seen.Height() <= 1e9)) {
    return false;
  }

  // The contents are decoded here, so that a page whose contents cannot be read is
  // refused now and not written as an empty page.
  std::string content;
  QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
  if (!contents.isNull()) {
    if (!contents.isStream() && !contents.isArray()) return false;
    // qpdf throws when a stream cannot be decoded; a length it had to recover is a
    // repair, and the page is kept.
    Pl_Buffer buffer("page contents");
    page.pipeContents(&buffer);
    std::shared_ptr<Buffer> data = buffer.getBufferSharedPointer();
    if (data && data->getSize() > 0) {
      content.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    }
  }

  QPDFObjectHandle form = QPDFObjectHandle::newStream(&in, content);
  QPDFObjectHandle dict = form.getDict();
  dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
  dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
  dict.replaceKey("/FormType", QPDFObjectHandle::newInteger(1));
  dict.replaceKey("/BBox", ArrayOf({visible->llx, visible->lly, visible->urx, visible->ury}));
  dict.replaceKey("/Matrix", ArrayOf({view.a, view.b, view.c, view.d, view.e, view.f}));
  QPDFObjectHandle resources = page.getAttribute("/Resources", false);
  dict.replaceKey("/Resources",
                  resources.isDictionary() ? resources : QPDFObjectHandle::newDictionary());
  // A page with a transparency group keeps it on the form, so it blends as before.
  QPDFObjectHandle group = page.getObjectHandle().getKey("/Group");
  if (group.isDictionary()) dict.replaceKey("/Group", group);

  src.visible = *visible;
  src.view = view;
  src.form = form;
  return true;
}

PdfRewriteResult Rewrite(const std::string& inputPath, const PdfFitRequest& req, std::string& pdf,
                         const char*& function) {
  const std::string osPath = platform::ToOsPath(inputPath);
  std::unique_ptr<QPDF> in;
  std::unique_ptr<QPDF> out;
  try {
    in = std::make_unique<QPDF>();
    out = std::make_unique<QPDF>();
  } catch (const std::bad_alloc&) {
    return Fail("ERROR: Couldn't create PDFlib object (out of memory)!");
  }
  // qpdf would print its warnings on standard error; they are counted instead.
  in->setSuppressWarnings(true);
  out->setSuppressWarnings(true);

  // A file that cannot be read as a PDF even after qpdf's repair, and an encrypted
  // one: its author restricted it, and a rewrite would drop the protection.
  bool opened = false;
  try {
    function = "QPDF::processFile";
    in->processFile(osPath.c_str());
    opened = !in->isEncrypted();
  } catch (...) {
    opened = false;
  }
  if (!opened) return Fail(Format("Couldn't open PDF input file '%s'", inputPath.c_str()));

  // The pages as the page tree really holds them, not the count it declares: a
  // wrong /Count must neither hide a second page nor refuse a good file.
  std::vector<QPDFPageObjectHelper> pages;
  try {
    function = "QPDFPageDocumentHelper::getAllPages";
    pages = QPDFPageDocumentHelper(*in).getAllPages();
  } catch (...) {
    pages.clear();
  }
  if (pages.empty()) {
    return Fail(Format("Couldn't not get PDF page count from PDF file '%s'", inputPath.c_str()));
  }
  if (pages.size() != 1) {
    return Fail(Format("Only single page document can be trimmed '%s'", inputPath.c_str()));
  }

  // The output keeps the input's version (a catalog /Version may raise the
  // header's), at least 1.3.
  function = "QPDF::getPDFVersion";
  int version = VersionTimesTen(in->getPDFVersion());
  QPDFObjectHandle catalogVersion = in->getRoot().getKey("/Version");
  if (catalogVersion.isName()) {
    version = std::max(version, VersionTimesTen(catalogVersion.getName().substr(1)));
  }
  version = std::max(version, 13);

  function = "QPDF::emptyPDF";
  out->emptyPDF();
  QPDFObjectHandle info = out->makeIndirectObject(QPDFObjectHandle::newDictionary());
  info.replaceKey("/Creator", TextString("Korvath"));
  info.replaceKey("/Author", TextString(req.author));
  info.replaceKey("/Title", TextString(req.title));
  out->getTrailer().replaceKey("/Info", info);

  PageSource src;
  bool pageRead = false;
  try {
    function = "QPDFPageObjectHelper::pipeContents";
    pageRead = ReadPage(*in, pages.front(), src);
  } catch (...) {
    pageRead = false;
  }
  if (!pageRead) {
    return Fail(Format("Couldn't open page 1 of PDF file '%s'", inputPath.c_str()));
  }

  function = "QPDF::copyForeignObject";
  QPDFObjectHandle form = out->copyForeignObject(src.form);
  const PdfMatrix place = FitPlacement(src.visible, src.view, req.width, req.height, req.method);
  const std::string w = FormatThreeDecimals(req.width);
  const std::string h = FormatThreeDecimals(req.height);
  // The clip to the target box is also the page's edge; it is drawn explicitly so
  // that whatever reads another box of the page still sees the page cut there.
  const std::string ops =
      "q\n0 0 " + w + " " + h + " re W n\n" + MatrixText(place) + " cm\n/Fx1 Do\nQ\n";

  function = "QPDFPageDocumentHelper::addPage";
  QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
  page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
  QPDFObjectHandle mediaBox = QPDFObjectHandle::newArray();
  mediaBox.appendItem(QPDFObjectHandle::newInteger(0));
  mediaBox.appendItem(QPDFObjectHandle::newInteger(0));
  mediaBox.appendItem(QPDFObjectHandle::newReal(w));
  mediaBox.appendItem(QPDFObjectHandle::newReal(h));
  page.replaceKey("/MediaBox", mediaBox);
  QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
  xobjects.replaceKey("/Fx1", form);
  QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/XObject", xobjects);
  page.replaceKey("/Resources", resources);
  page.replaceKey("/Contents", QPDFObjectHandle::newStream(out.get(), ops));
  QPDFPageDocumentHelper(*out).addPage(QPDFPageObjectHelper(out->makeIndirectObject(page)), false);

  function = "QPDFWriter::write";
  // Written straight into the caller's text, sized for about the input's bytes: the
  // output is the input's streams with a new page around them.
  pdf.reserve(static_cast<size_t>(platform::StatPath(inputPath).size) + 65536);
  Pl_String sink("rewritten PDF", nullptr, pdf);
  QPDFWriter writer(*out);
  writer.setOutputPipeline(&sink);
  // Streams are copied as they are: images keep their bytes and nothing is decoded
  // and compressed again.
  writer.setDecodeLevel(qpdf_dl_none);
  writer.setMinimumPDFVersion(Format("%d.%d", version / 10, version % 10));
  writer.write();
  PdfRewriteResult result;
  result.ok = true;
  // qpdf repairs as it reads, so its warnings are complete only now.
  if (in->anyWarnings()) result.repairNote = in->getWarnings().front().what();
  return result;
}

}  // namespace

std::string LibraryExceptionText(const char* function) {
  int code = qpdf_e_internal;
  std::string message = "unknown error";
  try {
    throw;
  } catch (const QPDFExc& e) {
    code = e.getErrorCode();
    message = e.what();
  } catch (const QPDFSystemError& e) {
    code = qpdf_e_system;
    message = e.what();
  } catch (const std::bad_alloc&) {
    code = qpdf_e_system;
    message = "out of memory";
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
  }
  return Format("PDFlib exception occurred: [%d] %s: %s", code, function, message.c_str());
}

PdfRewriteResult RewritePdfPage(const std::string& inputPath, const PdfFitRequest& request,
                                std::string& pdf) {
  pdf.clear();
  const char* function = "QPDF::QPDF";
  try {
    PdfRewriteResult r = Rewrite(inputPath, request, pdf, function);
    if (!r.ok) pdf.clear();
    return r;
  } catch (...) {
    pdf.clear();
    PdfRewriteResult r = Fail(LibraryExceptionText(function));
    r.libraryException = true;
    return r;
  }
}

}  // namespace vellora::intake
