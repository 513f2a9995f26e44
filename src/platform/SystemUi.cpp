#include "platform/SystemUi.h"

namespace platform {
namespace {

class RealSystemUi final : public SystemUi {
public:
    int MessageBox(const std::string& text, const std::string& caption, UINT flags) override {
        return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
    }
    [[noreturn]] void EndProgram(UINT exitCode) override { ::ExitProcess(exitCode); }
};

RealSystemUi g_realUi;
SystemUi* g_ui = &g_realUi;

}  // namespace

SystemUi& Ui() { return *g_ui; }
void SetUi(SystemUi* ui) { g_ui = ui ? ui : &g_realUi; }

void EndProgram(UINT exitCode) {
    Ui().EndProgram(exitCode);
    ::ExitProcess(exitCode);  // a seam that came back must not let the program run on
}

}  // namespace platform
