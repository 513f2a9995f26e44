#pragma once
// The one seam between the setup logic and what a person sees at the very end of a path:
// message boxes and the end of the program. The shipped program uses the real calls;
// tests install a recorder that answers boxes from a script and turns the end of the
// program into an exception they can catch.
#include <windows.h>
#include <string>

namespace platform {

class SystemUi {
public:
    virtual ~SystemUi() = default;
    // A message box with no owner window; returns the button pressed (IDYES, IDOK, ...).
    virtual int MessageBox(const std::string& text, const std::string& caption, UINT flags) = 0;
    // Ends the process at once with the given exit code.
    [[noreturn]] virtual void EndProgram(UINT exitCode) = 0;
};

// The seam in force: the real one unless a test has installed its own.
SystemUi& Ui();
// Installs a replacement (tests only); nullptr puts the real one back.
void SetUi(SystemUi* ui);

inline int ShowMessage(const std::string& text, const std::string& caption, UINT flags) {
    return Ui().MessageBox(text, caption, flags);
}
[[noreturn]] void EndProgram(UINT exitCode = 0);
// The same through a given seam (one that wraps another ends through the inner one).
[[noreturn]] void EndProgram(SystemUi& ui, UINT exitCode);

// Flags of the boxes the setup shows.
constexpr UINT kErrorBox = MB_OK | MB_ICONERROR | MB_TASKMODAL;           // 0x2010
constexpr UINT kQuestionBox = MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL;  // 0x2024
constexpr UINT kInformationBox = MB_OK | MB_ICONINFORMATION | MB_TASKMODAL;  // 0x2040

}  // namespace platform
