#include "ServerTestSupport.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "setup/ServiceControl.h"

namespace testing_support {

std::string BinFolder() {
    const char* bin = std::getenv("VORNA_BIN");
    if (!bin || !*bin) throw std::runtime_error("VORNA_BIN is not set: the stand-in servers cannot be found");
    std::string folder = std::string("Z:") + bin;
    for (char& c : folder) {
        if (c == '/') c = '\\';
    }
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

void CopyStandIns(const std::string& folder) {
    for (const auto& row : setup::ServerTable) {
        std::string from = BinFolder() + row.executable;
        std::string to = folder + row.executable;
        if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) throw std::runtime_error("cannot copy " + from + " to " + to);
    }
}

std::string MakeFolderOfLength(const std::string& parent, size_t length) {
    std::string name = "long folder ";
    if (parent.size() + name.size() + 1 > length) throw std::runtime_error("parent folder too long");
    name.append(length - parent.size() - name.size() - 1, 'x');
    std::string folder = parent + name + '\\';
    if (!::CreateDirectoryA(folder.c_str(), nullptr)) throw std::runtime_error("cannot create " + folder);
    return folder;
}

HWND WaitForWindow(const char* windowClass, const char* caption, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND window = ::FindWindowA(windowClass, caption)) return window;
        if (::GetTickCount() - start > timeoutMs) return nullptr;
        ::Sleep(50);
    }
}

StandInReport ReadStandInReport(HWND window) {
    StandInReport report;
    // The window can be found before the stand-in has made its label: wait for the text.
    std::string text;
    DWORD start = ::GetTickCount();
    while (text.empty() && ::GetTickCount() - start < 10000) {
        if (HWND label = ::FindWindowExA(window, nullptr, "Static", nullptr)) {
            char buffer[2048] = {};
            ::GetWindowTextA(label, buffer, sizeof(buffer));
            text = buffer;
        }
        if (text.empty()) ::Sleep(50);
    }
    auto line = [&text](const std::string& key) {
        size_t at = text.find(key);
        if (at == std::string::npos) return std::string();
        at += key.size();
        return text.substr(at, text.find("\r\n", at) - at);
    };
    report.program = line("\r\nProgram: ");
    report.workingFolder = line("\r\nWorking folder: ");
    return report;
}

}  // namespace testing_support
