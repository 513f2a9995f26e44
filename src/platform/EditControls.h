#pragma once
// The system's edit control: a one-line field and a read-only multi-line memo.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/ControlBase.h"

namespace platform {

class Edit : public WinControl {
public:
    explicit Edit(WinControl* parent);
    std::string Text() const;
    void SetText(const std::string& text) { SetCaption(text); }
    void SelectAll();
};

// A read-only multi-line text box with both scroll bars and its own background colour.
class Memo : public WinControl {
public:
    explicit Memo(WinControl* parent);
    void SetLines(const std::vector<std::string>& lines);
    void SetColor(Color color) override;
    HBRUSH ControlColor(HDC dc) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The lines are fitted to the box again in the new font.
    void FontChanged() override;

private:
    // Under a double-byte code page, lines wider than the box in its font (a stand-in face with
    // the system's characters, wider than the designed one) are broken to fit it.
    void ShowLines();

    std::vector<std::string> lines_;
    ScopedBrush brush_;
};

}  // namespace platform
