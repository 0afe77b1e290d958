// Loaded into vellora-headless with LD_PRELOAD by the crash tests: the process ends
// with SIGKILL the moment it removes a file under the folder that
// VELLORA_TEST_KILL_AT_UNLINK names. That is the crash between putting a delivered
// copy in place and removing its source, made to happen every time instead of once
// in a few hundred random kills.
#include <dlfcn.h>
#include <signal.h>

#include <cstdlib>
#include <cstring>

extern "C" int unlink(const char* path) {
  using Unlink = int (*)(const char*);
  static Unlink real = reinterpret_cast<Unlink>(dlsym(RTLD_NEXT, "unlink"));
  const char* folder = std::getenv("VELLORA_TEST_KILL_AT_UNLINK");
  if (folder != nullptr && *folder != '\0' &&
      std::strncmp(path, folder, std::strlen(folder)) == 0) {
    raise(SIGKILL);
  }
  return real(path);
}
