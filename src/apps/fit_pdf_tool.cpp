// The --fit-pdf tool of vellora-headless.
#include "apps/fit_pdf_tool.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

#include "core/logs.h"
#include "core/settings_io.h"
#include "core/worker_threads.h"
#include "intake/pdf_fit.h"
#include "intake/pdf_geometry.h"
#include "platform/pacing.h"
#include "platform/paths.h"

namespace vellora::apps {
namespace {

constexpr char kUsage[] =
    "usage: vellora-headless [--dir FOLDER] --fit-pdf scale|trim FILE "
    "WIDTH_MM HEIGHT_MM\n";

// A size in millimetres: a plain number above 0, up to a kilometre.
bool ParseMm(const std::string& text, double& mm) {
  if (text.empty()) return false;
  char* end = nullptr;
  mm = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(mm) && mm > 0 && mm <= 1e6;
}

int Refuse(FILE* err, const std::string& why) {
  std::fprintf(err, "vellora-headless: %s\n%s", why.c_str(), kUsage);
  return 2;
}

}  // namespace

int RunFitPdf(const std::string& programFolder, const std::vector<std::string>& args, FILE* out,
              FILE* err) {
  if (args.size() != 4) return Refuse(err, "--fit-pdf takes a method, a file and two sizes");
  const std::string& method = args[0];
  const std::string& file = args[1];
  if (method != "scale" && method != "trim") {
    return Refuse(err, "the method is scale or trim, not '" + method + "'");
  }
  if (file.empty()) return Refuse(err, "the file name is empty");
  double width = 0, height = 0;
  if (!ParseMm(args[2], width) || !ParseMm(args[3], height)) {
    return Refuse(err, "the width and height are millimetres above 0, not '" + args[2] + "' and '" +
                           args[3] + "'");
  }

  platform::SetPathRoots(core::ReadPlatformRoots(core::IniPathFor(programFolder)));
  // The log lines of the run are shown, not written into the program folder's logs.
  core::LogWriters logs;
  logs.Configure(programFolder, true, true);
  logs.RedirectTo([err](std::string_view line) {
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
    std::fprintf(err, "log: %.*s\n", static_cast<int>(line.size()), line.data());
  });
  platform::Pacer pacer(platform::Pacer::ScaleFromEnvironment());
  const intake::PdfFitEnvironment env{programFolder, logs, pacer};

  std::string error;
  const bool scale = method == "scale";
  const int done = scale ? intake::ScalePdfFile(file, width, height, error, env)
                         : intake::TrimPdfFile(file, width, height, error, env);
  std::fflush(err);
  if (done != 1) {
    std::fprintf(err, "%s\n", error.c_str());
    return 1;
  }
  std::fprintf(out, "%s: %s to %s x %s points\n", file.c_str(), scale ? "scaled" : "trimmed",
               intake::FormatThreeDecimals(intake::PointsFromMm(width)).c_str(),
               intake::FormatThreeDecimals(intake::PointsFromMm(height)).c_str());
  return 0;
}

}  // namespace vellora::apps
