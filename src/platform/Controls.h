#pragma once
// The small window toolkit the setup's windows are built on: windowed controls (a native or
// own window each), windowless graphic controls (labels, images) that their parent paints,
// and the common controls the windows use. Every window procedure runs through one router
// that hands escaping exceptions to the application's handler, since a C++ exception must
// never unwind through the system's frames.
#include "platform/Buttons.h"
#include "platform/ControlBase.h"
#include "platform/EditControls.h"
#include "platform/ItemLists.h"
#include "platform/StaticControls.h"
#include "platform/StatusBar.h"
