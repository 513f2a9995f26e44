#pragma once
// Push buttons and the group boxes that frame other controls.
#include <windows.h>

#include <functional>

#include "platform/ControlBase.h"

namespace platform {

class Button : public WinControl {
public:
    explicit Button(WinControl* parent);
    void SetDefault(bool isDefault);
    bool IsDefault() const { return default_; }
    void Click();
    void CommandNotify(WORD code) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int ModalResult = 0;
    std::function<void()> OnClick;

private:
    bool default_ = false;
};

class GroupBox : public WinControl {
public:
    explicit GroupBox(WinControl* parent);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH ControlColor(HDC dc) override;
};

}  // namespace platform
