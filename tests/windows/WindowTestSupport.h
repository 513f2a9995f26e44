#pragma once
// Shared by the window tests: a display check that fails loudly, placement read back from
// the system, and a guard that ends a modal loop a test forgot to end.
#include <windows.h>

#include <string>

namespace testing_support {

// Fails the current test (fatally) when no display is usable.
void AssertDisplay();

// A window's rectangle in its parent's client coordinates (screen for a top-level one).
RECT PlacementInParent(HWND window);

// Posts what a click on the button does: BN_CLICKED from the button to its parent.
void PostClick(HWND button);

// While alive, ends any modal loop that is still running after `ms` by closing `form`.
class ModalGuard {
public:
    ModalGuard(HWND form, UINT ms);
    ~ModalGuard();
    bool Fired() const;

private:
    UINT_PTR timer_;
};

}  // namespace testing_support
