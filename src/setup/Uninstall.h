#pragma once
// The uninstall sequence: removes what an install created and ends the program.

namespace setup {

class TMainForm;

[[noreturn]] void Uninstall(TMainForm& form);

}  // namespace setup
