#pragma once
// Top-level windows (forms) and the application object with its message loop.
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace platform {

enum class BorderStyle { Single, Dialog, Thin };
enum class WindowState { Normal, Maximized };

constexpr int mrNone = 0;
constexpr int mrOk = IDOK;          // 1
constexpr int mrCancel = IDCANCEL;  // 2

// A top-level window. Derived forms build their controls in BuildControls, which runs while
// the window is created, before OnCreate (after it with CreateHandlerFirst).
class Form : public WinControl {
public:
    // className: the window class registered for this form (each form has its own).
    explicit Form(const char* className);
    ~Form() override;

    // Makes the window and its controls, runs OnCreate, and shows the form if designed visible.
    void Create();

    // The designed client size (at 96 DPI); the window's is scaled to its DPI.
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetClientSize(int width, int height);

    // The DPI of the monitor the window is on, as the system last told it.
    int Dpi() const override { return dpi_; }
    // Scales the window and everything on it to dpi; placed at suggested (the system's
    // proposal on a move to another monitor) when given.
    void ChangeDpi(int dpi, const RECT* suggested);

    void Show();
    void Hide();
    void BringToFront();
    // Asks the close query; closes (hides, or ends the loop for the main form) when it agrees.
    void Close();
    bool CloseQuery();

    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    // The default button answers Enter.
    Button* DefaultButton() const { return defaultButton_; }
    void SetDefaultButton(Button* button);
    // Marks the push button that Enter presses: the focused one, or (null) the default.
    void ShowDefaultOn(Button* focused);

    // The keys with which a person moves about the form (Tab, Shift+Tab, Enter); true when
    // the key was handled here. Other dialog keys are left to the system.
    bool HandleDialogKey(const MSG& message);
    // Moves the focus to the next (or previous) tab stop, round from the last to the first.
    void SelectNext(bool forward);
    // Alt and a label's underlined letter (or the letter alone where the focused control
    // takes no typing) move the focus to the label's control; true when a label answered.
    bool HandleMnemonic(const MSG& message);

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Designed properties; set them in the derived constructor, before Create.
    BorderStyle Border = BorderStyle::Single;
    bool SystemMenu = true;
    bool MinimizeBox = true;
    bool MaximizeBox = true;
    bool StayOnTop = false;
    bool CenterOnScreen = true;
    bool VisibleAtCreation = false;
    WindowState State = WindowState::Normal;
    // OnCreate runs before BuildControls instead of after it: for a form whose creation
    // handler may end the program, or asks something first, before its controls are made.
    bool CreateHandlerFirst = false;

    std::function<void()> OnCreate;
    std::function<void()> OnShow;
    std::function<void(bool& canClose)> OnCloseQuery;

protected:
    virtual void BuildControls() {}
    // Called for messages the form does not handle itself (private messages and the like);
    // return true when handled.
    virtual bool HandleMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& /*result*/) {
        return false;
    }

private:
    DWORD Style() const;
    DWORD ExStyle() const;
    // The window rectangle around a client rectangle, with the frame at the window's DPI.
    void AddFrame(RECT& client) const;
    void PlaceWindow(const RECT* suggested = nullptr);
    // Gives the focus back to the control that had it when the form was last active (or to
    // the first tab stop); false when the form has no control to take it.
    bool RestoreFocus();

    std::string className_;
    int clientWidth_ = 300, clientHeight_ = 200;
    int dpi_ = kDesignDpi;
    int modalResult_ = mrNone;
    bool modal_ = false;
    bool showNotified_ = false;  // WM_SHOWWINDOW came during the last Show
    Button* defaultButton_ = nullptr;
    HWND shownDefault_ = nullptr;  // the button that shows itself as the default
    HWND lastFocus_ = nullptr;     // the focused control when the form was last deactivated
};

// Remembers the active window and its focused control, and makes them active and focused
// again when it goes: a modal step (a dialog, a message box) hands the keyboard back.
class ScopedFocusReturn {
public:
    ScopedFocusReturn();
    ~ScopedFocusReturn();
    ScopedFocusReturn(const ScopedFocusReturn&) = delete;
    ScopedFocusReturn& operator=(const ScopedFocusReturn&) = delete;

private:
    HWND window_;
    HWND focus_;
};

class Application {
public:
    static Application& Instance();

    void Initialize();
    // Creates a form; the first one created is the main form: the loop ends when it closes.
    template <class F, class... Args>
    F* CreateForm(Args&&... args) {
        auto form = std::make_unique<F>(std::forward<Args>(args)...);
        F* raw = form.get();
        forms_.push_back(std::move(form));
        if (!mainForm_) mainForm_ = raw;
        raw->Create();
        return raw;
    }
    Form* MainForm() const { return mainForm_; }

    // Shows the main form and runs the message loop until it closes; returns the exit code.
    int Run();
    // Lets every waiting window message run.
    void ProcessMessages();
    bool Terminated() const { return terminated_; }
    void Terminate();

    // The handler for exceptions that escape an event handler.
    std::function<void(std::exception_ptr)> OnException;
    void HandleException(std::exception_ptr error);

    // Dispatches one message, giving dialog navigation (Tab, Enter, Escape) to its form first.
    void Dispatch(MSG& message);
    // Takes the forms down (tests create and destroy forms repeatedly).
    void DestroyForms();

private:
    std::vector<std::unique_ptr<Form>> forms_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    int exitCode_ = 0;
};

}  // namespace platform
