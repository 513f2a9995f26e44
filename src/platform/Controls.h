#pragma once
// The small window toolkit the setup's windows are built on: windowed controls (a native or
// own window each), windowless graphic controls (labels, images) that their parent paints,
// and the common controls the windows use. Every window procedure runs through one router
// that hands escaping exceptions to the application's handler, since a C++ exception must
// never unwind through the system's frames.
#include <windows.h>

#include <functional>
#include <memory>
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

// A text label: caption, font, alignment, layout, word wrap, accelerator prefix, autosize.
class Label : public GraphicControl {
public:
    explicit Label(WinControl* parent, const char* className = "TLabel");
    void SetCaption(const std::string& caption) override;
    void FontChanged() override;
    void Paint(HDC dc) override;

    TextAlignment Alignment = TextAlignment::LeftJustify;
    TextLayout Layout = TextLayout::Top;
    bool WordWrap = false;
    bool ShowAccelChar = true;
    bool Transparent = false;
    bool AutoSize = true;
    // The control the label's mnemonic (Alt and its underlined letter) moves the focus to. The
    // label goes just before it in z-order, where screen readers look for a control's name.
    WinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(WinControl* control);
    // The letter after the single "&" of the caption (lower case), or 0.
    char Mnemonic() const;
    void SetTransparent(bool transparent) { Transparent = transparent; Invalidate(); }
    bool ShowsParentBeneath() const override { return Transparent; }

    // Resizes to the caption's extent when AutoSize is on; runs after every caption change.
    virtual void AdjustBounds();
    // Draws (or with DT_CALCRECT measures) the caption: the standard look.
    virtual void DoDrawText(HDC dc, RECT& rect, UINT flags);
    UINT TextFlags() const;

private:
    WinControl* focusControl_ = nullptr;
};

// A picture; to screen readers a graphic named by its caption.
class Image : public GraphicControl {
public:
    explicit Image(WinControl* parent) : GraphicControl(parent, "TImage", SS_ICON | SS_REALSIZECONTROL) {}
    // An icon of the program's resources, loaded at the image's size in pixels (the frame of
    // the icon nearest to it), and again when the DPI changes.
    void SetIconResource(int id);
    HICON Icon() const { return icon_.Get(); }
    void Paint(HDC dc) override;
    void DpiChanged() override;

private:
    void LoadIconResource();
    int iconId_ = 0;
    ScopedIcon icon_;
};

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

private:
    ScopedBrush brush_;
};

class Panel : public WinControl {
public:
    explicit Panel(WinControl* parent, const char* className = "TPanel");
    // A new caption repaints only where the caption shows; the same caption again does nothing.
    void SetCaption(const std::string& caption) override;
    void FontChanged() override;
    bool PaintsItself() const override { return true; }
    // Inside the border and the bevels.
    RECT AlignRect() const override;
    // Draws the whole panel; the standard look is bevels, border, fill and caption.
    void Paint(HDC dc) override;
    void PaintStandard(HDC dc);

    TextAlignment Alignment = TextAlignment::Center;
    BevelCut BevelOuter = BevelCut::Raised;
    BevelCut BevelInner = BevelCut::None;
    int BevelWidth = 1;
    int BorderWidth = 0;

protected:
    // What a change of caption repaints: the one-line band in the vertical middle inside the
    // border and the bevels, where the standard look draws it.
    virtual RECT CaptionArea();

private:
    int LineHeight();
    int lineHeight_ = -1;  // of the font as last measured; -1: measure again
};

// The system's status bar. It paints its texts over a picture of itself without texts, taken
// once per size and look: the system's own painting of the bar (themed, it scales images) costs
// many times drawing a line of text, and an install changes the text once per file.
class StatusBar : public WinControl {
public:
    explicit StatusBar(WinControl* parent);
    // The designed widths of the panels (the last one reaches the edge).
    void SetPanelWidths(const std::vector<int>& widths);
    void SetPanelText(int index, const std::string& text);
    std::string PanelText(int index) const;
    void PlaceAt(int left, int top, int width, int height) override;
    // The bar keeps the system's font, also when the toolkit's fonts are made anew.
    void FontChanged() override { Invalidate(); }
    // Nothing to do when the bar painted itself since the last text change (the system's bar
    // may paint a new text at once, or leave it for later).
    void Update() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Has the bar paint itself without texts into background_; false when it cannot be had.
    bool TakeBackground();
    bool OwnPaintFits() const;
    // Whether the bar's texts are drawn here, over its picture (taken now if need be).
    bool PaintsOwnTexts();
    // The picture, then the texts over it, within area of dc.
    void DrawOverBackground(HDC dc, const RECT& area);
    // Tells the bar the texts it shows (SetPanelText draws them without telling it).
    void SendTexts();

    std::vector<int> widths_;
    std::vector<std::string> texts_;
    ScopedBitmap background_;
    std::vector<RECT> partRects_;  // where each part's text goes, as the bar placed it
    HFONT barFont_ = nullptr;      // the bar's own font (it owns it)
    bool takingBackground_ = false;
    bool paintedSinceText_ = false;
    bool textsUnsent_ = false;
};

// The messages through which a list box or a combo box is asked about its items.
struct ItemMessages {
    UINT reset, add, setData, getData, count, getSelection, setSelection, textLength, text;
    LRESULT error;
};

// What list boxes and combo boxes share: items with a text and a value, one selected,
// optionally drawn by the owner.
class ItemListControl : public WinControl {
public:
    void Clear();
    int AddItem(const std::string& text, LPARAM data = 0);
    int Count() const;
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::string ItemText(int index) const;
    LPARAM ItemData(int index) const;
    bool MeasureItem(MEASUREITEMSTRUCT& item) override;

    int ItemHeightPixels = 16;  // as designed, at 96 DPI

protected:
    ItemListControl(WinControl* parent, const ItemMessages& messages);

private:
    const ItemMessages& messages_;
};

class ListBox : public ItemListControl {
public:
    explicit ListBox(WinControl* parent, DWORD extraStyle = 0);
    void SetItemHeight(int height);
    void CommandNotify(WORD code) override;
    void DpiChanged() override;

    std::function<void()> OnSelect;
    std::function<void()> OnDoubleClick;
};

class ComboBox : public ItemListControl {
public:
    explicit ComboBox(WinControl* parent, DWORD extraStyle = 0);
    // The height given is the closed box's; the drop-down list gets room below it.
    void PlaceAt(int left, int top, int width, int height) override;
    void CommandNotify(WORD code) override;

    std::function<void()> OnChange;
};

// Draws a text in a rectangle with the control's font and colour (shared by labels and panels).
void DrawTextIn(HDC dc, const Font& font, const std::string& text, RECT& rect, UINT flags, Color color);

}  // namespace platform
