// brindlog: the RIP log watcher daemon. "-i" installs it as a service, "-d" removes
// it, no argument runs it.
#include "brindlog/scan_pass.h"
#include "brindlog/service_host.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  vellora::platform::InitialiseProcess();
  return vellora::brindlog::RunCommandLine(argc, argv, vellora::brindlog::MakeScanPassRunner);
}
