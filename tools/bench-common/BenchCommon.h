#pragma once
// What the benchmark programs share: a wall clock and a check that names the failing call.
#include <windows.h>

#include <stdexcept>
#include <string>

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

}  // namespace bench
