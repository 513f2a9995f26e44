#include "setup/Uninstall.h"

#include "platform/SystemUi.h"

namespace setup {

[[noreturn]] void Uninstall(TMainForm&) {
    // Not yet able to remove anything: end quietly rather than claim a removal.
    platform::EndProgram(0);
}

}  // namespace setup
