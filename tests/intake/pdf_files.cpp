// Hand-written PDFs and the external checks of the PDF tests.
#include "intake/pdf_files.h"

#include <cstdio>
#include <stdexcept>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vellora::test {

int PdfBuilder::Add(const std::string& body) {
  bodies_.push_back(body);
  return static_cast<int>(bodies_.size());
}

int PdfBuilder::AddStream(const std::string& dictEntries, const std::string& data) {
  return Add("<< " + dictEntries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
             data + "\nendstream");
}

int PdfBuilder::Reserve() {
  return Add("null");
}

void PdfBuilder::Set(int number, const std::string& body) {
  bodies_.at(static_cast<size_t>(number - 1)) = body;
}

std::string PdfBuilder::Build(const std::string& version, int root,
                              const std::string& trailerExtra) const {
  std::string out = "%PDF-" + version + "\n%\xe2\xe3\xcf\xd3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < bodies_.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + bodies_[i] + "\nendobj\n";
  }
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(bodies_.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t at : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", at);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(bodies_.size() + 1) + " /Root " +
         std::to_string(root) + " 0 R " + trailerExtra + " >>\nstartxref\n" + std::to_string(xref) +
         "\n%%EOF\n";
  return out;
}

namespace {

std::string Num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

std::string Rect(double x, double y, double w, double h, const char* rgb) {
  return std::string(rgb) + " rg " + Num(x) + " " + Num(y) + " " + Num(w) + " " + Num(h) +
         " re f\n";
}

}  // namespace

std::string MarksContent(double llx, double lly, double width, double height) {
  const double w = width / 10, h = height / 5;
  return Rect(llx, lly, width, height, "1 1 0") + Rect(llx, lly, w, h, "1 0 0") +
         Rect(llx + width - w, lly + height - h, w, h, "0 1 0") +
         Rect(llx + (width - w) / 2, lly + (height - h) / 2, w, h, "0 0 1");
}

std::string MakePdf(const std::vector<TestPage>& pages, const std::string& version,
                    const std::string& catalogExtra) {
  PdfBuilder b;
  const int catalog = b.Reserve();
  const int tree = b.Reserve();
  std::string kids;
  for (const TestPage& p : pages) {
    std::string contents = p.contents;
    if (contents.empty()) {
      double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
      std::sscanf(p.mediaBox.c_str(), "%lf %lf %lf %lf", &x1, &y1, &x2, &y2);
      contents = MarksContent(x1, y1, x2 - x1, y2 - y1);
    }
    const int stream = b.AddStream("", contents);
    std::string dict = "<< /Type /Page /Parent " + std::to_string(tree) + " 0 R /MediaBox [" +
                       p.mediaBox + "] /Contents " + std::to_string(stream) + " 0 R";
    if (!p.cropBox.empty()) dict += " /CropBox [" + p.cropBox + "]";
    if (p.rotate != 0) dict += " /Rotate " + std::to_string(p.rotate);
    dict += " " + p.extra + " >>";
    kids += std::to_string(b.Add(dict)) + " 0 R ";
  }
  b.Set(tree,
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
  b.Set(catalog,
        "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R " + catalogExtra + " >>");
  return b.Build(version, catalog);
}

char Raster::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return '?';
  const size_t at =
      (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  auto level = [](unsigned char v) { return v > 200 ? 1 : v < 60 ? 0 : -1; };
  const int r = level(rgb[at]), g = level(rgb[at + 1]), b = level(rgb[at + 2]);
  if (r < 0 || g < 0 || b < 0) return '?';
  if (r && g && b) return 'W';
  if (r && g && !b) return 'Y';
  if (r && !g && !b) return 'R';
  if (!r && g && !b) return 'G';
  if (!r && !g && b) return 'B';
  return '?';
}

char Raster::At(double fx, double fy) const {
  return Pixel(static_cast<int>(fx * width), static_cast<int>(fy * height));
}

int Raster::Count(char colour) const {
  int n = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) n += Pixel(x, y) == colour ? 1 : 0;
  }
  return n;
}

bool Render(const std::string& pdfPath, int dpi, Raster& out, std::string* why) {
  TempDir dir;
  std::string output;
  const int rc = RunProgram(
      "/usr/bin/pdftoppm",
      {"-r", std::to_string(dpi), "-cropbox", "-singlefile", pdfPath, dir / "page"}, &output);
  if (rc != 0) {
    if (why) *why = "pdftoppm exited with " + std::to_string(rc) + ": " + output;
    return false;
  }
  const std::string ppm = ReadFile(dir / "page.ppm");
  int w = 0, h = 0, max = 0, used = 0;
  if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || max != 255) {
    if (why) *why = "no P6 picture from pdftoppm";
    return false;
  }
  const size_t start = static_cast<size_t>(used) + 1;  // one blank after the maximum
  const size_t size = static_cast<size_t>(w) * static_cast<size_t>(h) * 3;
  if (ppm.size() < start + size) {
    if (why) *why = "short picture from pdftoppm";
    return false;
  }
  out.width = w;
  out.height = h;
  out.rgb.assign(ppm.begin() + static_cast<long>(start),
                 ppm.begin() + static_cast<long>(start + size));
  return true;
}

std::string PdfInfo(const std::string& pdfPath, const std::string& field) {
  std::string output;
  if (RunProgram("/usr/bin/pdfinfo", {pdfPath}, &output) != 0) return "(pdfinfo failed)";
  const std::string key = "\n" + field + ":";
  const size_t at = ("\n" + output).find(key);
  if (at == std::string::npos) return "";
  size_t begin = at + key.size() - 1;
  size_t end = output.find('\n', begin);
  std::string value =
      output.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
  const size_t first = value.find_first_not_of(' ');
  return first == std::string::npos ? "" : value.substr(first);
}

std::string QpdfCheckProblems(const std::string& pdfPath) {
  std::string output;
  const int rc = RunProgram("/usr/bin/qpdf", {"--check", pdfPath}, &output);
  return rc == 0 ? "" : "qpdf --check exited with " + std::to_string(rc) + ":\n" + output;
}

}  // namespace vellora::test
