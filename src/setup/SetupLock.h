#pragma once
// One install or uninstall at a time. Two runs at once would share the extraction folder and
// delete each other's services, so a run holds a named mutex from its start to its end; a
// second run finds it held, brings the first one's window to the front and ends.
//
// Anyone may create a named object first. So that an unelevated process cannot block every
// future install by making an object of that name beforehand, the mutex is made with
// Administrators as its owner and a list that admits only SYSTEM and Administrators; an object
// of the name with another owner (or one the program may not open) is passed over for the next
// of a few names. Only a process with administrator rights can make an object that stops a run.
#include <windows.h>

#include "platform/ScopedHandle.h"

namespace setup {

class SetupLock {
public:
    // False when another run holds the lock.
    bool Acquire();

private:
    platform::ScopedKernelHandle mutex_;
};

// Brings the running setup's foremost window (its question, window or message) to the front.
void BringRunningSetupToFront();

}  // namespace setup
