// The scanner's PDF port filled in with the qpdf scale and trim.
#pragma once

#include <string>

#include "intake/pdf_fit.h"
#include "intake/scanner_services.h"

namespace vellora::intake {

class PdfFitRewriter final : public PdfRewriter {
 public:
  explicit PdfFitRewriter(const PdfFitEnvironment& env) : env_(env) {}

  bool Scale(const std::string& path, double width, double height, std::string& error) override {
    return ScalePdfFile(path, width, height, error, env_) == 1;
  }
  bool Trim(const std::string& path, double width, double height, std::string& error) override {
    return TrimPdfFile(path, width, height, error, env_) == 1;
  }

 private:
  PdfFitEnvironment env_;
};

}  // namespace vellora::intake
