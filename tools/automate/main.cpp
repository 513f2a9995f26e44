// automate: drives another program's windows from the command line, for the run and
// screenshot scripts.
//   automate wait <caption> [ms] [class]         waits for a visible window or box
//   automate text <caption>                      prints a message box's text
//   automate press <caption> <button> [ms]       presses a button of that window
//   automate close <caption>                     asks the window to close
//   automate post <caption> <message>            posts a window message (no parameters)
//   automate list                                lists visible top-level windows, top first
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Automation.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: automate wait <caption> [ms] | text <caption> | press <caption> <button> [ms] |"
                 " close <caption> | list\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "list") {
        // In z-order, top first: class, caption, rectangle, styles, and whether maximised.
        for (const automation::Window& window : automation::TopLevelWindows()) {
            RECT r{};
            ::GetWindowRect(window.handle, &r);
            std::printf("%s\t%s\t(%ld,%ld)-(%ld,%ld)\tstyle=%08lx ex=%08lx%s\n", window.className.c_str(),
                        window.caption.c_str(), r.left, r.top, r.right, r.bottom,
                        static_cast<unsigned long>(::GetWindowLongA(window.handle, GWL_STYLE)),
                        static_cast<unsigned long>(::GetWindowLongA(window.handle, GWL_EXSTYLE)),
                        ::IsZoomed(window.handle) ? " maximised" : "");
        }
        return 0;
    }
    if (argc < 3) return Usage();
    std::string caption = argv[2];
    if (command == "wait") {
        DWORD timeout = argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 10000;
        return automation::WaitForWindow(caption, timeout, 0, argc > 4 ? argv[4] : "") ? 0 : 1;
    }
    if (command == "press" && argc > 3) {
        // Several windows may share the caption (a question box and the setup window): the
        // button is looked for in each of them.
        DWORD timeout = argc > 4 ? static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) : 10000;
        bool pressed = automation::WaitUntil(
            [&] {
                for (const automation::Window& window : automation::TopLevelWindows())
                    if (window.caption == caption && automation::PressButton(window.handle, argv[3])) return true;
                return false;
            },
            timeout);
        if (!pressed) std::fprintf(stderr, "automate: no button \"%s\" in \"%s\"\n", argv[3], caption.c_str());
        return pressed ? 0 : 1;
    }
    automation::Window window = automation::WaitForWindow(caption, 10000);
    if (!window) {
        std::fprintf(stderr, "automate: no window \"%s\"\n", caption.c_str());
        return 1;
    }
    if (command == "text") {
        std::printf("%s\n", automation::MessageBoxText(window.handle).c_str());
        return 0;
    }
    if (command == "post" && argc > 3) {
        UINT message = static_cast<UINT>(std::strtoul(argv[3], nullptr, 0));
        return ::PostMessageA(window.handle, message, 0, 0) ? 0 : 1;
    }
    if (command == "close") {
        automation::RequestClose(window.handle);
        return 0;
    }
    return Usage();
}
