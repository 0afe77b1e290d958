// The shared run-time state.
#include "core/runtime.h"

#include "core/settings_io.h"

namespace vellora::core {

Runtime::Runtime(Display& displayIn, platform::Pacer& pacerIn, std::string folder)
    : display(displayIn),
      pacer(pacerIn),
      programFolder(std::move(folder)),
      iniPath(IniPathFor(programFolder)),
      errors(settings, displayIn) {}

}  // namespace vellora::core
