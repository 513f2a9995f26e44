#pragma once
// The suite's services and server processes as the machine holds them, read back and cleaned
// by the tests that install, start or remove them.
#include <windows.h>

#include <optional>
#include <string>

namespace testing_support {

bool ServiceExists(const std::string& name);
// Waits for the state; the service's process id once it is reached, nothing on timeout or
// when the service cannot be read.
std::optional<DWORD> WaitForServiceState(const std::string& name, DWORD state, DWORD timeoutMs = 15000);
// Stops (waiting for the stop) and deletes the suite's services, waiting until they are gone.
// Returns a description of what could not be cleaned, empty when all went well.
std::string RemoveSuiteServices();

struct ServiceConfig {
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::string binaryPath;
    std::string displayName;
    std::string account;
    std::string loadOrderGroup;
    std::string dependencies;
};
// Nothing when the service is missing or its configuration cannot be read.
std::optional<ServiceConfig> ReadServiceConfig(const std::string& name);

// Ends every process whose program lies in the folder (politely by window first) and waits
// for it, so that the folder can be removed.
void EndProgramsIn(const std::string& folder);

}  // namespace testing_support
