#pragma once
// The base classes of the toolkit: a control (place, size, caption, font, colour), a windowed
// control (a native or own window, its children, the one router every window procedure runs
// through) and a graphic control (draws itself, takes no input).
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace platform {

class WinControl;
class Form;
class Label;

enum class Align { None, Bottom, Client };
enum class TextAlignment { LeftJustify = 0, RightJustify = 1, Center = 2 };
enum class TextLayout { Top, Center, Bottom };
enum class BevelCut { None = 0, Lowered = 1, Raised = 2, Space = 3 };

class Control {
public:
    explicit Control(WinControl* parent);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    WinControl* Parent() const { return parent_; }
    // Moves the control to another parent (keeps its position in the new parent's client area).
    virtual void SetParent(WinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    // The designed place and size (at 96 DPI), kept and scaled to the window's DPI.
    void SetBounds(int left, int top, int width, int height);
    // Places the control in pixels, as the layout (alignment, autosize) computes them.
    virtual void PlaceAt(int left, int top, int width, int height);

    // The DPI of the window the control is on: what its designed numbers are scaled to.
    virtual int Dpi() const;
    int Scale(int designed) const { return ScaleForDpi(designed, Dpi()); }
    // Scales the control again from its designed numbers after its window's DPI changed.
    virtual void DpiChanged();

    const std::string& Caption() const { return caption_; }
    virtual void SetCaption(const std::string& caption);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    Align GetAlign() const { return align_; }
    void SetAlign(Align align);

    Font& GetFont() { return font_; }
    const Font& GetFont() const { return font_; }
    // Call after changing the font so the control shows it.
    virtual void FontChanged() { Invalidate(); }

    Color GetColor() const { return color_; }
    virtual void SetColor(Color color) { color_ = color; Invalidate(); }

    virtual void Invalidate() = 0;
    // Invalidates and paints before returning.
    virtual void Repaint() = 0;

    // The form this control is on (itself for a form).
    Form* GetForm();

protected:
    std::string caption_;
    Font font_;
    Color color_ = clBtnFace;
    WinControl* parent_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // pixels
    RECT design_{0, 0, 0, 0};  // designed edges; empty: placed by the layout only
    bool designed_ = false;
    friend class WinControl;  // detaches its children when it goes first
    bool visible_ = true;
    bool enabled_ = true;
    Align align_ = Align::None;
};

class WinControl : public Control {
public:
    explicit WinControl(WinControl* parent);
    ~WinControl() override;

    HWND Handle() const { return handle_; }
    static WinControl* FromHandle(HWND window);

    void SetParent(WinControl* parent) override;
    void PlaceAt(int left, int top, int width, int height) override;
    void DpiChanged() override;
    void SetCaption(const std::string& caption) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void FontChanged() override;
    void Invalidate() override;
    void Repaint() override;
    // Paints what is already invalid, in this control and its children, before returning.
    virtual void Update();
    void SetFocus();
    int ControlId() const { return id_; }
    // The place among the parent's controls that Tab follows (by default, the creation order).
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    // The visible, enabled tab stops inside this control, in tab order, going into the
    // controls that hold others (group boxes, panels).
    void CollectTabStops(std::vector<WinControl*>& stops) const;
    // The shown, enabled label inside this control whose mnemonic is letter (lower case) and
    // that has a control to focus; null when there is none.
    Label* FindMnemonicLabel(char letter) const;

    RECT ClientRect() const;
    // The part of the client area that aligned children share.
    virtual RECT AlignRect() const { return ClientRect(); }
    void AddChild(Control* child);
    void RemoveChild(Control* child);
    // Lays out children aligned to the bottom or the whole client area.
    void Realign();
    // Paints what this control shows at the given client-area origin into dc, for a child
    // that draws over it (WM_PRINTCLIENT).
    void PaintBeneathChild(HDC dc, int childLeft, int childTop);

    // The control's window procedure; the default passes on to the window's original one.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A control that draws itself says so here and draws everything in Paint.
    virtual bool PaintsItself() const { return false; }
    virtual void Paint(HDC /*dc*/) {}
    // Whether the parent's picture shows where the control does not draw.
    virtual bool ShowsParentBeneath() const { return false; }
    // The parent's picture where it shows through, then Paint.
    void PaintWhole(HDC dc);
    // Draws area of a control that paints itself at once, through a window DC, as its paint
    // message would: what is hidden or covered draws nothing (and is painted when it shows),
    // what is pending stays pending.
    void DrawNow(const RECT& area);
    // Notifications that the parent reflects back to the control that sent them.
    virtual void CommandNotify(WORD /*code*/) {}
    virtual HBRUSH ControlColor(HDC /*dc*/) { return nullptr; }
    virtual bool DrawItem(DRAWITEMSTRUCT& /*item*/) { return false; }
    virtual bool MeasureItem(MEASUREITEMSTRUCT& /*item*/) { return false; }

protected:
    // Makes the window: a native class (which is subclassed) or one of the toolkit's own.
    void CreateHandle(const char* className, DWORD style, DWORD exStyle);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Registers a toolkit window class routed to WndProc (once per name). Given a system class
    // as base, its windows are of that kind to the system (a superclass): screen readers give
    // a window based on "Static" the role of static text, with its window text as name. The
    // base sees only their creation and destruction; everything else is the toolkit's own.
    static void RegisterOwnClass(const char* className, UINT classStyle = CS_DBLCLKS, const char* baseClass = nullptr);
    static LRESULT CALLBACK Router(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window, WNDPROC original);
    virtual void DestroyHandle();

    HWND handle_ = nullptr;
    WNDPROC original_ = nullptr;
    bool baseForIdentity_ = false;  // original_ is a base class that sees creation and destruction only
    std::vector<Control*> children_;
    int id_;
    int tabOrder_ = 0;
};

// A control that draws itself and takes no input (labels, images): a window of its own, so
// its caption is a window text that screen readers and automation can read, painted over
// whatever its parent shows beneath it.
class GraphicControl : public WinControl {
public:
    // style: of the system's static control, which the control is to screen readers.
    GraphicControl(WinControl* parent, const char* className, DWORD style = SS_LEFT);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PaintsItself() const override { return true; }
    // Draws the control onto dc (the control's own client area).
    void Paint(HDC dc) override = 0;
    bool ShowsParentBeneath() const override { return true; }
};

}  // namespace platform
