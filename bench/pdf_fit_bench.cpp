// Speed of the PDF scale: one rewrite in place of a one-page PDF of about 5 MB with
// images (ScalePdfFile: the rewrite, the temporary file flushed to disk, the replace
// of the input), beside the qpdf command copying the same file, in the same run, as
// a ratio; and, to show where the time goes, the rewrite alone in memory and a copy
// of the file through the qpdf library in this process. A plain program: it prints
// its figures (medians of the runs).
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/logs.h"
#include "platform/pacing.h"
#include "intake/pdf_fit.h"
#include "intake/pdf_rewrite.h"
#include "bench_support.h"

extern char** environ;

namespace {

using vellora::bench::Median;

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Image data as a scanned photo gives it: noise over a gradient, compressed with
// Flate the way a prepress system would store it; barely smaller than raw.
std::string PhotoData(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  std::string raw(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, '\0');
  for (size_t i = 0; i < raw.size(); ++i) {
    raw[i] = static_cast<char>((i / 3 % static_cast<size_t>(width)) / 3 + rng() % 96);
  }
  Pl_Buffer out("image");
  Pl_Flate flate("flate", &out, Pl_Flate::a_deflate);
  flate.write(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
  flate.finish();
  auto b = out.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(b->getBuffer()), b->getSize());
}

// A newspaper page: 4 photos and a page of text-like vector content.
void WriteSourcePdf(const std::string& path) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
  std::string content;
  for (int i = 0; i < 4; ++i) {
    const int w = 640, h = 620;
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf);
    image.replaceStreamData(PhotoData(w, h, 17u + static_cast<unsigned>(i)),
                            QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
    QPDFObjectHandle d = image.getDict();
    d.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    d.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    d.replaceKey("/Width", QPDFObjectHandle::newInteger(w));
    d.replaceKey("/Height", QPDFObjectHandle::newInteger(h));
    d.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceRGB"));
    d.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    const std::string name = "/Im" + std::to_string(i);
    xobjects.replaceKey(name, image);
    content += "q 300 0 0 290 " + std::to_string(20 + (i % 2) * 320) + " " +
               std::to_string(100 + (i / 2) * 300) + " cm " + name + " Do Q\n";
  }
  for (int line = 0; line < 2000; ++line) {
    content += "0 0 0 rg " + std::to_string(20 + line % 7 * 80) + " " +
               std::to_string(20 + line % 100 * 7) + " 70 2 re f\n";
  }
  QPDFObjectHandle page =
      QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 680 1000] /Resources << >> >>");
  page.getKey("/Resources").replaceKey("/XObject", xobjects);
  page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
}

int Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main() {
  using namespace vellora;
  const fs::path root = fs::temp_directory_path() / ("pdf-fit-bench-" + std::to_string(getpid()));
  fs::create_directories(root / "prog");
  fs::create_directories(root / "in");
  const std::string source = (root / "source.pdf").string();
  WriteSourcePdf(source);
  const auto size = fs::file_size(source);

  core::LogWriters logs;
  logs.Configure((root / "prog").string(), true, true);
  platform::Pacer pacer(0);
  const intake::PdfFitEnvironment env{(root / "prog").string(), logs, pacer};
  const std::string input = (root / "in" / "ABC-310105-12.pdf").string();
  const std::string copy = (root / "copy.pdf").string();

  const int runs = 15;
  std::vector<double> scale, command, rewrite, library;
  for (int run = 0; run < runs; ++run) {
    fs::copy_file(source, input, fs::copy_options::overwrite_existing);
    std::string error;
    auto t0 = Clock::now();
    if (intake::ScalePdfFile(input, 297, 420, error, env) != 1) {
      std::fprintf(stderr, "ScalePdfFile failed: %s\n", error.c_str());
      return 1;
    }
    scale.push_back(Ms(Clock::now() - t0));

    t0 = Clock::now();
    if (Spawn({"qpdf", source, copy}) != 0) {
      std::fprintf(stderr, "qpdf failed\n");
      return 1;
    }
    command.push_back(Ms(Clock::now() - t0));

    intake::PdfFitRequest request{intake::FitMethod::Meet, 841.890, 1190.551, "Vellora", "x"};
    std::string bytes;
    t0 = Clock::now();
    if (!intake::RewritePdfPage(source, request, bytes).ok) return 1;
    rewrite.push_back(Ms(Clock::now() - t0));

    t0 = Clock::now();
    {
      QPDF in;
      in.processFile(source.c_str());
      QPDFWriter w(in, copy.c_str());
      w.write();
    }
    library.push_back(Ms(Clock::now() - t0));
  }
  const double s = Median(scale), c = Median(command);
  std::printf("one-page PDF of %.2f MB with 4 images, %d runs, medians:\n", size / 1e6, runs);
  std::printf("  ScalePdfFile in place (rewrite, flush, replace)  %8.2f ms\n", s);
  std::printf("  qpdf command copying the file                    %8.2f ms\n", c);
  std::printf("  ratio ScalePdfFile / qpdf command                %8.2f\n", s / c);
  std::printf("  the rewrite alone, in memory                     %8.2f ms\n", Median(rewrite));
  std::printf("  a copy through the qpdf library, in process      %8.2f ms\n", Median(library));
  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
