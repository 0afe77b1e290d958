// brindlog: the RIP log watcher daemon. "-i" installs it as a service, "-d" removes
// it, no argument runs it.
#include "Services/scan_pass.h"
#include "Services/service_host.h"

int main(int argc, char** argv) {
  return vellora::services::RunCommandLine(argc, argv, vellora::services::MakeScanPassRunner);
}
