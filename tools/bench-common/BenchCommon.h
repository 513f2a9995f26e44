#pragma once
// What the benchmark programs share: a wall clock and a check that names the failing call.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

namespace bench {

inline constexpr double kMB = 1024.0 * 1024.0;

// Seconds on the performance counter.
inline double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Throws with the call's name and the system's last error when ok is false.
inline void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what + ": " + platform::LastErrorMessage());
}

// Runs this program again with the arguments, its output going where this program's goes.
inline void RunChild(const std::string& arguments) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::string command = "\"" + platform::ModulePath() + "\" " + arguments;
    PROCESS_INFORMATION process{};
    std::fflush(stdout);
    Check(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process),
          "start " + command);
    platform::ScopedKernelHandle processHandle(process.hProcess), thread(process.hThread);
    ::WaitForSingleObject(process.hProcess, 10 * 60 * 1000);
}

}  // namespace bench
