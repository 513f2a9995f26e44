#include "Automation.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/ScopedHandle.h"

namespace automation {
namespace {

std::string WithoutAmpersands(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

struct EnumContext {
    std::vector<Window>* windows;
    DWORD processId;
    bool includeHidden;
};

BOOL CALLBACK CollectTopLevel(HWND handle, LPARAM parameter) {
    auto* context = reinterpret_cast<EnumContext*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(handle, &owner);
    if (context->processId && owner != context->processId) return TRUE;
    bool visible = ::IsWindowVisible(handle) != FALSE;
    if (!visible && !context->includeHidden) return TRUE;
    context->windows->push_back({handle, WindowText(handle), ClassName(handle), owner, visible});
    return TRUE;
}

// Closes what CreateProcess handed back: the thread handle, and the process handle too when
// process is set. A Unix program that Wine starts has no Windows process: the process handle
// comes back null and the thread field holds whatever stood there in Wine, which may be the
// value of one of this program's own handles (a registry key, say). It is then left alone.
void CloseStartedHandles(const PROCESS_INFORMATION& info, bool process) {
    if (!info.hProcess) return;
    ::CloseHandle(info.hThread);
    if (process) ::CloseHandle(info.hProcess);
}

}  // namespace

std::string WindowText(HWND window) {
    // One WM_GETTEXT (it works across processes for any window class), with the buffer grown
    // until the text fits: asking for the length first could cut a text that changes between.
    for (size_t size = 256; size <= (1u << 20); size *= 4) {
        std::string text(size, '\0');
        DWORD_PTR copied = 0;
        if (!::SendMessageTimeoutA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                   2000, &copied))
            return {};
        if (copied + 1 < size) {
            text.resize(copied);
            return text;
        }
    }
    return {};
}

std::string ClassName(HWND window) {
    char name[256] = {};
    int length = ::GetClassNameA(window, name, sizeof(name));
    return std::string(name, static_cast<size_t>(std::max(length, 0)));
}

std::vector<Window> TopLevelWindows(DWORD processId, bool includeHidden) {
    std::vector<Window> windows;
    EnumContext context{&windows, processId, includeHidden};
    ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&context));
    return windows;
}

Window WaitForWindow(const std::string& caption, DWORD timeoutMs, DWORD processId, const std::string& className) {
    Window found;
    WaitUntil(
        [&] {
            for (const Window& window : TopLevelWindows(processId)) {
                if (window.caption == caption && (className.empty() || window.className == className)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool IsMessageBox(HWND window) {
    return ClassName(window) == "#32770" && ::GetDlgItem(window, 0xFFFF) != nullptr;
}

Window WaitForMessageBox(const std::string& caption, DWORD timeoutMs, DWORD processId) {
    Window found;
    WaitUntil(
        [&] {
            for (const Window& window : TopLevelWindows(processId)) {
                if (window.caption == caption && IsMessageBox(window.handle)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::string MessageBoxText(HWND box) {
    HWND text = ::GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

LPCSTR MessageBoxIcon(HWND box) {
    HWND iconControl = ::GetDlgItem(box, 0x440);
    if (!iconControl) return nullptr;
    RECT rect;
    ::GetWindowRect(iconControl, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return nullptr;
    // The icon belongs to the other process: compare what the screen shows with each
    // candidate drawn on the same background.
    using namespace platform;
    ScopedGetDc screen(nullptr);
    ScopedMemoryDc shown(::CreateCompatibleDC(screen.Get()));
    ScopedBitmap shownBitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
    ScopedSelectObject selectShown(shown.Get(), shownBitmap.Get());
    ::BitBlt(shown.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
    ScopedMemoryDc drawn(::CreateCompatibleDC(screen.Get()));
    ScopedBitmap drawnBitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
    ScopedSelectObject selectDrawn(drawn.Get(), drawnBitmap.Get());
    COLORREF background = ::GetPixel(shown.Get(), width - 1, height - 1);
    ScopedBrush brush(::CreateSolidBrush(background));
    LPCSTR best = nullptr;
    int bestDifferences = width * height / 20 + 1;  // a little noise, never a different icon
    for (LPCSTR candidate : {IDI_ERROR, IDI_QUESTION, IDI_INFORMATION, IDI_WARNING}) {
        RECT all{0, 0, width, height};
        ::FillRect(drawn.Get(), &all, brush.Get());
        ::DrawIconEx(drawn.Get(), 0, 0, ::LoadIconA(nullptr, candidate), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
        int differences = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (::GetPixel(shown.Get(), x, y) != ::GetPixel(drawn.Get(), x, y)) ++differences;
        if (differences < bestDifferences) {
            bestDifferences = differences;
            best = candidate;
        }
    }
    return best;
}

static BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent, const std::string& className) {
    std::vector<HWND> all;
    ::EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
    if (className.empty()) return all;
    std::vector<HWND> matching;
    for (HWND child : all)
        if (ClassName(child) == className) matching.push_back(child);
    return matching;
}

HWND FindChildByText(HWND parent, const std::string& text, const std::string& className) {
    for (HWND child : Children(parent, className))
        if (WithoutAmpersands(WindowText(child)) == WithoutAmpersands(text)) return child;
    return nullptr;
}

std::vector<std::string> ButtonTexts(HWND window) {
    std::vector<std::string> texts;
    for (HWND button : Children(window, "Button")) {
        LONG style = ::GetWindowLongA(button, GWL_STYLE) & 0x0F;
        if (style == BS_GROUPBOX) continue;
        if (::IsWindowVisible(button)) texts.push_back(WithoutAmpersands(WindowText(button)));
    }
    return texts;
}

bool PressButton(HWND window, const std::string& text) {
    HWND button = FindChildByText(window, text, "Button");
    if (!button) return false;
    // What a click does: the button's parent hears BN_CLICKED from it.
    HWND parent = ::GetParent(button);
    int id = ::GetDlgCtrlID(button);
    return ::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != FALSE;
}

void RequestClose(HWND window) { ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::string StatusBarText(HWND statusBar) { return WindowText(statusBar); }

bool TypeKeys(const std::string& keys, std::string* error) {
    auto fail = [error](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    // Wine maps drive Z: to the Unix root and starts a Unix program given by its Unix path,
    // but its handle cannot be waited on: the shell leaves xdotool's exit status in a file.
    if (::GetFileAttributesA("Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES)
        return fail("xdotool is not installed (/usr/bin/xdotool; Debian package xdotool)");
    static int sent = 0;
    const std::string marker =
        "/tmp/vorna-keys-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++sent);
    std::string windowsMarker = "Z:" + marker;
    std::replace(windowsMarker.begin(), windowsMarker.end(), '/', '\\');
    std::string command = "/bin/sh -c \"/usr/bin/xdotool key --delay 100 " + keys + "; echo $? >" + marker +
                          ".part; mv " + marker + ".part " + marker + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return fail("cannot start /bin/sh, error " + std::to_string(::GetLastError()));
    CloseStartedHandles(info, true);
    std::string status;
    WaitUntil(
        [&] {
            platform::ScopedFile file(::CreateFileA(windowsMarker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
            if (!file) return false;
            char text[16] = {};
            DWORD read = 0;
            ::ReadFile(file.Get(), text, sizeof text - 1, &read, nullptr);
            status.assign(text, read);
            return true;
        },
        10000);
    ::DeleteFileA(windowsMarker.c_str());
    if (status.empty()) return fail("xdotool did not finish within 10 s");
    if (status[0] != '0') return fail("xdotool key " + keys + " failed with status " + status);
    return true;
}

HWND FocusedControl(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// ---- Process ----

bool Process::Start(const std::string& commandLine, const std::string& folder) {
    Kill();
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::string mutableLine = commandLine;
    if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    CloseStartedHandles(info, false);
    process_.Reset(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

bool Process::Attach(DWORD id) {
    Kill();
    process_.Reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id));
    if (!process_) return false;
    id_ = id;
    return true;
}

Process::~Process() { Kill(); }

std::optional<DWORD> Process::WaitForExit(DWORD timeoutMs) {
    if (!process_) return std::nullopt;
    if (::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.Get(), &code);
    return code;
}

bool Process::Running() const { return process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

void Process::Kill() {
    if (!process_) return;
    if (Running()) {
        ::TerminateProcess(process_.Get(), 1);
        ::WaitForSingleObject(process_.Get(), 5000);
    }
    process_.Close();
    id_ = 0;
}

}  // namespace automation
