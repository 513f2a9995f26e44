#include "platform/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "platform/Forms.h"

namespace platform {
namespace {

const char kControlProperty[] = "VornaControl";
int g_nextControlId = 1000;

// The toolkit's classes, each with the window procedure of its base class (or none).
std::map<std::string, WNDPROC>& OwnClasses() {
    static std::map<std::string, WNDPROC> classes;
    return classes;
}

// What a base class needs to see so that its windows are of its kind.
bool IsLifecycleMessage(UINT message) {
    return message == WM_NCCREATE || message == WM_CREATE || message == WM_DESTROY || message == WM_NCDESTROY;
}

// Draws the raised or lowered edge of a rectangle, width pixels deep, and shrinks it.
void Frame3D(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width) {
    for (int i = 0; i < width; ++i) {
        FillSolid(dc, {rect.left, rect.top, rect.right - 1, rect.top + 1}, topLeft);
        FillSolid(dc, {rect.left, rect.top, rect.left + 1, rect.bottom - 1}, topLeft);
        FillSolid(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
        FillSolid(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
        ::InflateRect(&rect, -1, -1);
    }
}

}  // namespace

void DrawTextIn(HDC dc, const Font& font, const std::string& text, RECT& rect, UINT flags, Color color) {
    ScopedSelectObject select(dc, font.Handle());
    ::SetTextColor(dc, ResolveColor(color));
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

// ---- Control ----

Control::Control(WinControl* parent) : parent_(parent) {
    if (parent_) {
        font_ = parent_->GetFont();
        color_ = parent_->GetColor();
        parent_->AddChild(this);
    }
}

Control::~Control() {
    if (parent_) parent_->RemoveChild(this);
}

void Control::SetParent(WinControl* parent) {
    if (parent_) parent_->RemoveChild(this);
    parent_ = parent;
    if (parent_) parent_->AddChild(this);
}

void Control::SetBounds(int left, int top, int width, int height) {
    design_ = {left, top, left + width, top + height};
    designed_ = true;
    // The edges are scaled, not the sizes: controls that meet as designed meet at every DPI.
    const int scaledLeft = Scale(left), scaledTop = Scale(top);
    PlaceAt(scaledLeft, scaledTop, Scale(design_.right) - scaledLeft, Scale(design_.bottom) - scaledTop);
}

void Control::PlaceAt(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

int Control::Dpi() const { return parent_ ? parent_->Dpi() : kDesignDpi; }

void Control::DpiChanged() {
    font_.SetDpi(Dpi());
    if (designed_) SetBounds(design_.left, design_.top, design_.right - design_.left, design_.bottom - design_.top);
    FontChanged();
}

void Control::SetCaption(const std::string& caption) {
    caption_ = caption;
    Invalidate();
}

void Control::SetVisible(bool visible) { visible_ = visible; }
void Control::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Invalidate();
}

void Control::SetAlign(Align align) {
    align_ = align;
    if (parent_) parent_->Realign();
}

Form* Control::GetForm() {
    Control* control = this;
    while (control->parent_) control = control->parent_;
    return dynamic_cast<Form*>(control);
}

// ---- WinControl ----

WinControl::WinControl(WinControl* parent)
    : Control(parent), id_(g_nextControlId++), tabOrder_(parent ? static_cast<int>(parent->children_.size()) : 0) {}

WinControl::~WinControl() {
    for (Control* child : children_) child->parent_ = nullptr;  // they may outlive us briefly
    children_.clear();
    DestroyHandle();
}

void WinControl::DestroyHandle() {
    if (handle_) {
        HWND window = handle_;
        ::DestroyWindow(window);
        handle_ = nullptr;
    }
}

WinControl* WinControl::FromHandle(HWND window) {
    if (!window) return nullptr;
    return static_cast<WinControl*>(::GetPropA(window, kControlProperty));
}

void WinControl::RegisterOwnClass(const char* className, UINT classStyle, const char* baseClass) {
    if (OwnClasses().count(className)) return;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    WNDPROC baseProc = nullptr;
    if (baseClass && ::GetClassInfoExA(nullptr, baseClass, &windowClass)) {
        baseProc = windowClass.lpfnWndProc;  // its extra bytes are kept: the base keeps its state there
        windowClass.hbrBackground = nullptr;
        windowClass.lpszMenuName = nullptr;
        windowClass.hIconSm = nullptr;
    }
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = Router;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hIcon = ::LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(1));
    windowClass.lpszClassName = className;
    ::RegisterClassExA(&windowClass);
    OwnClasses().emplace(className, baseProc);
}

void WinControl::Attach(HWND window, WNDPROC original) {
    handle_ = window;
    original_ = original;
    ::SetPropA(window, kControlProperty, this);
}

void WinControl::CreateHandle(const char* className, DWORD style, DWORD exStyle) {
    HWND parentWindow = parent_ ? parent_->Handle() : nullptr;
    if (parent_) style |= WS_CHILD;
    if (visible_ && parent_) style |= WS_VISIBLE;
    if (!enabled_) style |= WS_DISABLED;
    const auto ownClass = OwnClasses().find(className);
    const bool own = ownClass != OwnClasses().end();
    if (own && ownClass->second) {
        original_ = ownClass->second;
        baseForIdentity_ = true;
    }
    HMENU menuOrId = parent_ ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)) : nullptr;
    HWND window = ::CreateWindowExA(exStyle, className, caption_.c_str(), style, left_, top_, width_, height_,
                                    parentWindow, menuOrId, ::GetModuleHandleA(nullptr), own ? this : nullptr);
    if (!window) return;
    if (!own) {
        auto original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinControl::Router)));
        Attach(window, original);
    }
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
}

LRESULT CALLBACK WinControl::Router(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WinControl* self = FromHandle(window);
    if (!self && message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<WinControl*>(create->lpCreateParams);
        if (self) self->Attach(window, self->original_ ? self->original_ : ::DefWindowProcA);
    }
    if (!self) return ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WNDPROC original = self->original_;
        ::RemovePropA(window, kControlProperty);
        self->handle_ = nullptr;
        return ::CallWindowProcA(original, window, message, wParam, lParam);
    }
    try {
        return self->WndProc(message, wParam, lParam);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        return 0;
    }
}

LRESULT WinControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC next = original_ ? original_ : ::DefWindowProcA;
    if (baseForIdentity_ && !IsLifecycleMessage(message)) next = ::DefWindowProcA;
    return ::CallWindowProcA(next, handle_, message, wParam, lParam);
}

LRESULT WinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (WinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
            child->CommandNotify(HIWORD(wParam));
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        if (WinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
            if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        }
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (WinControl* child = FromHandle(item->hwndItem)) {
            if (child->DrawItem(*item)) return TRUE;
        }
        break;
    }
    case WM_MEASUREITEM: {
        // Sent while the child is still being created, before it is attached: find it by id.
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        for (Control* child : children_) {
            auto* windowed = dynamic_cast<WinControl*>(child);
            if (windowed && windowed->id_ == static_cast<int>(item->CtlID) && windowed->MeasureItem(*item))
                return TRUE;
        }
        break;
    }
    case WM_SIZE:
        Realign();
        break;
    case WM_CLOSE:
        // Only a form closes: a multi-line edit asks its parent to close on Escape, as if the
        // parent were a dialog, which would take a group box and everything in it away.
        if (parent_) return 0;
        break;
    case WM_NEXTDLGCTL:
        // A control asks its parent to move the focus on (a multi-line edit on Tab): only the
        // form knows the order.
        if (Form* form = GetForm(); form && form != this) return ::SendMessageA(form->Handle(), message, wParam, lParam);
        break;
    case WM_ERASEBKGND:
        if (PaintsItself()) return 1;  // the paint routine covers everything
        break;
    case WM_PAINT:
        if (PaintsItself()) {
            PAINTSTRUCT paint;
            PaintWhole(::BeginPaint(handle_, &paint));
            ::EndPaint(handle_, &paint);
            return 0;
        }
        break;
    case WM_PRINTCLIENT:
        if (PaintsItself()) {
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        }
        break;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

void WinControl::SetParent(WinControl* parent) {
    Control::SetParent(parent);
    if (handle_) {
        ::SetParent(handle_, parent ? parent->Handle() : nullptr);
        ::MoveWindow(handle_, left_, top_, width_, height_, TRUE);
    }
    if (parent_) parent_->Realign();
}

void WinControl::PlaceAt(int left, int top, int width, int height) {
    Control::PlaceAt(left, top, width, height);
    if (handle_) ::MoveWindow(handle_, left, top, width, height, TRUE);
}

void WinControl::DpiChanged() {
    Control::DpiChanged();
    for (Control* child : children_) child->DpiChanged();
    Realign();
    Invalidate();
}

void WinControl::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (handle_) ::SetWindowTextA(handle_, caption.c_str());
}

void WinControl::SetVisible(bool visible) {
    Control::SetVisible(visible);
    if (handle_) ::ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void WinControl::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (handle_) ::EnableWindow(handle_, enabled);
}

void WinControl::FontChanged() {
    if (handle_) ::SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
}

void WinControl::Invalidate() {
    if (handle_) ::InvalidateRect(handle_, nullptr, TRUE);
}

void WinControl::Repaint() {
    if (handle_) ::RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void WinControl::Update() {
    if (handle_) ::RedrawWindow(handle_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void WinControl::PaintWhole(HDC dc) {
    if (!dc) return;
    if (ShowsParentBeneath() && parent_) parent_->PaintBeneathChild(dc, left_, top_);
    Paint(dc);
}

void WinControl::DrawNow(const RECT& area) {
    if (!handle_ || !PaintsItself() || !::IsWindowVisible(handle_)) return;
    ScopedGetDc dc(handle_);
    if (!dc.Get()) return;
    ::IntersectClipRect(dc.Get(), area.left, area.top, area.right, area.bottom);
    PaintWhole(dc.Get());
}

void WinControl::SetFocus() {
    if (handle_) ::SetFocus(handle_);
}

void WinControl::CollectTabStops(std::vector<WinControl*>& stops) const {
    std::vector<WinControl*> ordered;
    for (Control* child : children_)
        if (auto* windowed = dynamic_cast<WinControl*>(child)) ordered.push_back(windowed);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const WinControl* a, const WinControl* b) { return a->tabOrder_ < b->tabOrder_; });
    for (const WinControl* child : ordered) {
        if (!child->handle_) continue;
        const LONG style = ::GetWindowLongA(child->handle_, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) continue;
        if (style & WS_TABSTOP) stops.push_back(const_cast<WinControl*>(child));
        child->CollectTabStops(stops);
    }
}

Label* WinControl::FindMnemonicLabel(char letter) const {
    for (Control* child : children_) {
        auto* windowed = dynamic_cast<WinControl*>(child);
        if (!windowed || !windowed->handle_ || !::IsWindowVisible(windowed->handle_) || !::IsWindowEnabled(windowed->handle_))
            continue;
        auto* label = dynamic_cast<Label*>(windowed);
        if (label && label->FocusControl() && label->Mnemonic() == letter) return label;
        if (Label* inner = windowed->FindMnemonicLabel(letter)) return inner;
    }
    return nullptr;
}

RECT WinControl::ClientRect() const {
    RECT rect{0, 0, width_, height_};
    if (handle_) ::GetClientRect(handle_, &rect);
    return rect;
}

void WinControl::AddChild(Control* child) { children_.push_back(child); }

void WinControl::RemoveChild(Control* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

void WinControl::Realign() {
    RECT area = AlignRect();
    for (Control* child : children_) {
        if (child->GetAlign() == Align::Bottom) {
            child->PlaceAt(area.left, area.bottom - child->Height(), area.right - area.left, child->Height());
            area.bottom -= child->Height();
        }
    }
    for (Control* child : children_) {
        if (child->GetAlign() == Align::Client)
            child->PlaceAt(area.left, area.top, area.right - area.left, area.bottom - area.top);
    }
}

void WinControl::PaintBeneathChild(HDC dc, int childLeft, int childTop) {
    if (!handle_) return;
    int saved = ::SaveDC(dc);
    ::OffsetViewportOrgEx(dc, -childLeft, -childTop, nullptr);
    ::SendMessageA(handle_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    ::RestoreDC(dc, saved);
}

// ---- GraphicControl ----

GraphicControl::GraphicControl(WinControl* parent, const char* className, DWORD style) : WinControl(parent) {
    RegisterOwnClass(className, 0, "Static");
    CreateHandle(className, style, 0);
}

LRESULT GraphicControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCHITTEST) return HTTRANSPARENT;  // takes no mouse input
    return WinControl::WndProc(message, wParam, lParam);
}

// ---- Label ----

Label::Label(WinControl* parent, const char* className) : GraphicControl(parent, className) {}

void Label::SetCaption(const std::string& caption) {
    WinControl::SetCaption(caption);
    AdjustBounds();
    Invalidate();
}

void Label::SetFocusControl(WinControl* control) {
    focusControl_ = control;
    if (!control || !control->Handle() || !handle_ || control->Parent() != parent_) return;
    const HWND above = ::GetWindow(control->Handle(), GW_HWNDPREV);
    if (above == handle_) return;
    ::SetWindowPos(handle_, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

char Label::Mnemonic() const {
    if (!ShowAccelChar) return 0;
    for (size_t i = 0; i + 1 < caption_.size(); ++i) {
        if (caption_[i] != '&') continue;
        if (caption_[i + 1] != '&') {
            char letter = caption_[i + 1];
            ::CharLowerBuffA(&letter, 1);
            return letter;
        }
        ++i;  // "&&" is a plain "&"
    }
    return 0;
}

void Label::FontChanged() {
    AdjustBounds();
    Invalidate();
}

UINT Label::TextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (WordWrap) flags |= DT_WORDBREAK;
    if (Alignment == TextAlignment::RightJustify) flags |= DT_RIGHT;
    if (Alignment == TextAlignment::Center) flags |= DT_CENTER;
    return flags;
}

void Label::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    std::string text = caption_;
    if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar && text == "&"))) text += ' ';
    if (!ShowAccelChar) flags |= DT_NOPREFIX;
    if (!enabled_) {
        ::OffsetRect(&rect, 1, 1);
        DrawTextIn(dc, font_, text, rect, flags, clBtnHighlight);
        ::OffsetRect(&rect, -1, -1);
        DrawTextIn(dc, font_, text, rect, flags, clBtnShadow);
    } else {
        DrawTextIn(dc, font_, text, rect, flags, font_.TextColor());
    }
}

void Label::AdjustBounds() {
    if (!AutoSize) return;
    ScopedGetDc screen(nullptr);
    RECT rect{0, 0, WordWrap ? width_ : 0, 0};
    Label::DoDrawText(screen.Get(), rect, TextFlags() | DT_CALCRECT);
    int left = left_;
    if (Alignment == TextAlignment::RightJustify) left = left_ + width_ - rect.right;
    PlaceAt(left, top_, rect.right, rect.bottom);
}

void Label::Paint(HDC dc) {
    RECT rect{0, 0, width_, height_};
    if (!Transparent) FillSolid(dc, rect, ResolveColor(color_));
    UINT flags = TextFlags();
    if (Layout != TextLayout::Top) {
        RECT measured = rect;
        DoDrawText(dc, measured, flags | DT_CALCRECT);
        int offset = height_ - measured.bottom;
        if (Layout == TextLayout::Center) offset /= 2;
        ::OffsetRect(&rect, 0, offset);
    }
    DoDrawText(dc, rect, flags);
}

// ---- Image ----

void Image::SetIconResource(int id) {
    iconId_ = id;
    LoadIconResource();
    Invalidate();
}

void Image::LoadIconResource() {
    if (iconId_ == 0) return;
    icon_.Reset(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId_), IMAGE_ICON,
                                                width_, height_, LR_DEFAULTCOLOR)));
}

void Image::DpiChanged() {
    WinControl::DpiChanged();
    LoadIconResource();
}

void Image::Paint(HDC dc) {
    if (icon_) ::DrawIconEx(dc, 0, 0, icon_.Get(), width_, height_, 0, nullptr, DI_NORMAL);
}

// ---- Button ----

Button::Button(WinControl* parent) : WinControl(parent) {
    CreateHandle("BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0);
}

void Button::SetDefault(bool isDefault) {
    default_ = isDefault;
    if (handle_) ::SendMessageA(handle_, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    if (Form* form = GetForm()) form->SetDefaultButton(isDefault ? this : nullptr);
}

void Button::Click() {
    if (ModalResult != 0) {
        if (Form* form = GetForm()) form->SetModalResult(ModalResult);
    }
    if (OnClick) OnClick();
}

void Button::CommandNotify(WORD code) {
    if (code == BN_CLICKED) Click();
}

LRESULT Button::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        // As in a dialog: a focused push button is the one Enter presses, and looks it.
        if (Form* form = GetForm()) {
            auto* focused = message == WM_SETFOCUS ? this : dynamic_cast<Button*>(FromHandle(reinterpret_cast<HWND>(wParam)));
            form->ShowDefaultOn(focused && focused->GetForm() == form ? focused : nullptr);
        }
    }
    return WinControl::WndProc(message, wParam, lParam);
}

// ---- GroupBox ----

GroupBox::GroupBox(WinControl* parent) : WinControl(parent) {
    CreateHandle("BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

LRESULT GroupBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT rect = ClientRect();
        FillSolid(reinterpret_cast<HDC>(wParam), rect, ResolveColor(color_));
        return 1;
    }
    case WM_PRINTCLIENT: {
        RECT rect = ClientRect();
        FillSolid(reinterpret_cast<HDC>(wParam), rect, ResolveColor(color_));
        return WinControl::WndProc(message, wParam, lParam);
    }
    default:
        return WinControl::WndProc(message, wParam, lParam);
    }
}

HBRUSH GroupBox::ControlColor(HDC dc) {
    ::SetBkColor(dc, ResolveColor(color_));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

// ---- Edit ----

Edit::Edit(WinControl* parent) : WinControl(parent) {
    color_ = SystemColor(COLOR_WINDOW);
    CreateHandle("EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

std::string Edit::Text() const {
    if (!handle_) return caption_;
    int length = ::GetWindowTextLengthA(handle_);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(handle_, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

void Edit::SelectAll() {
    if (handle_) ::SendMessageA(handle_, EM_SETSEL, 0, -1);
}

// ---- Memo ----

Memo::Memo(WinControl* parent) : WinControl(parent) {
    CreateHandle("EDIT",
                 WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                 WS_EX_CLIENTEDGE);
}

void Memo::SetLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    SetCaption(text);
}

void Memo::SetColor(Color color) {
    color_ = color;
    brush_.Reset(::CreateSolidBrush(ResolveColor(color)));
    Invalidate();
}

LRESULT Memo::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETDLGCODE) {
        // Everything but Tab and Escape: Tab moves on to the next control, and Escape is the
        // window's (the edit would close its parent, the group box, on it).
        LRESULT code = WinControl::WndProc(message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && (pending->message == WM_KEYDOWN || pending->message == WM_CHAR) &&
            (pending->wParam == VK_TAB || pending->wParam == VK_ESCAPE))
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
        return code;
    }
    return WinControl::WndProc(message, wParam, lParam);
}

HBRUSH Memo::ControlColor(HDC dc) {
    if (!brush_) brush_.Reset(::CreateSolidBrush(ResolveColor(color_)));
    ::SetBkColor(dc, ResolveColor(color_));
    ::SetTextColor(dc, ResolveColor(font_.TextColor()));
    return brush_.Get();
}

// ---- Panel ----

Panel::Panel(WinControl* parent, const char* className) : WinControl(parent) {
    RegisterOwnClass(className, CS_DBLCLKS, "Static");
    width_ = 185;
    height_ = 41;
    CreateHandle(className, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

RECT Panel::AlignRect() const {
    RECT area = ClientRect();
    int inset = BorderWidth;
    if (BevelOuter != BevelCut::None) inset += BevelWidth;
    if (BevelInner != BevelCut::None) inset += BevelWidth;
    ::InflateRect(&area, -inset, -inset);
    return area;
}

void Panel::SetCaption(const std::string& caption) {
    if (handle_ && caption == caption_) return;
    WinControl::SetCaption(caption);  // the window text too, for automation and screen readers
    if (!handle_) return;
    // Screen readers read the new text (the system does not tell them of every window text).
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, handle_, OBJID_CLIENT, CHILDID_SELF);
    // Drawn at once rather than invalidated and painted through the window system, which under
    // Wine costs many times as much; the install sets a new caption once per file.
    DrawNow(CaptionArea());
}

void Panel::FontChanged() {
    lineHeight_ = -1;
    WinControl::FontChanged();
    Invalidate();
}

int Panel::LineHeight() {
    if (lineHeight_ < 0) {
        ScopedGetDc screen(nullptr);
        ScopedSelectObject select(screen.Get(), font_.Handle());
        TEXTMETRICA metrics{};
        if (::GetTextMetricsA(screen.Get(), &metrics)) lineHeight_ = metrics.tmHeight;
    }
    return std::max(lineHeight_, 0);
}

RECT Panel::CaptionArea() {
    RECT band = AlignRect();
    int lineHeight = LineHeight();
    band.top = (band.bottom + band.top - lineHeight) / 2;
    band.bottom = band.top + lineHeight;
    return band;
}

void Panel::Paint(HDC dc) { PaintStandard(dc); }

void Panel::PaintStandard(HDC dc) {
    RECT rect = ClientRect();
    COLORREF highlight = ResolveColor(clBtnHighlight);
    COLORREF shadow = ResolveColor(clBtnShadow);
    if (BevelOuter != BevelCut::None) {
        bool raised = BevelOuter == BevelCut::Raised;
        Frame3D(dc, rect, raised ? highlight : shadow, raised ? shadow : highlight, BevelWidth);
    }
    Frame3D(dc, rect, ResolveColor(color_), ResolveColor(color_), BorderWidth);
    if (BevelInner != BevelCut::None) {
        bool raised = BevelInner == BevelCut::Raised;
        Frame3D(dc, rect, raised ? highlight : shadow, raised ? shadow : highlight, BevelWidth);
    }
    FillSolid(dc, rect, ResolveColor(color_));
    // One line of text in the vertical middle, placed by Alignment, clipped at the edges.
    RECT band = Panel::CaptionArea();
    UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
    if (Alignment == TextAlignment::Center) flags |= DT_CENTER;
    if (Alignment == TextAlignment::RightJustify) flags |= DT_RIGHT;
    DrawTextIn(dc, font_, caption_, band, flags, font_.TextColor());
}

// ---- StatusBar ----

StatusBar::StatusBar(WinControl* parent) : WinControl(parent) {
    // Keeps the system's status-bar font: no WM_SETFONT after creation.
    HWND parentWindow = parent ? parent->Handle() : nullptr;
    HWND window = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE,
                                    0, 0, 0, 0, parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                                    ::GetModuleHandleA(nullptr), nullptr);
    if (window) {
        auto original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinControl::Router)));
        Attach(window, original);
    }
}

void StatusBar::PlaceAt(int left, int top, int width, int height) {
    WinControl::PlaceAt(left, top, width, height);
    SetPanelWidths(widths_);
}

void StatusBar::SetPanelWidths(const std::vector<int>& widths) {
    widths_ = widths;
    texts_.resize(widths.size());
    if (!handle_ || widths.empty()) return;
    std::vector<int> edges;
    int right = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        right += Scale(widths[i]);
        edges.push_back(i + 1 == widths.size() ? -1 : right);  // the last panel reaches the edge
    }
    ::SendMessageA(handle_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < texts_.size(); ++i)
        ::SendMessageA(handle_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts_[i].c_str()));
}

void StatusBar::SetPanelText(int index, const std::string& text) {
    if (index < 0 || static_cast<size_t>(index) >= texts_.size()) return;
    texts_[static_cast<size_t>(index)] = text;
    paintedSinceText_ = false;
    if (!handle_) return;
    if (PaintsOwnTexts()) {
        // The bar's own handling of a new text costs many times drawing it (under Wine it
        // repaints through the window system): the text is drawn at once, and the bar is told
        // only when a message reaches it that may need its texts (SendTexts).
        textsUnsent_ = true;
        if (::IsWindowVisible(handle_)) {
            ScopedGetDc dc(handle_);
            DrawOverBackground(dc.Get(), ClientRect());
            paintedSinceText_ = dc.Get() != nullptr;
        }
        return;
    }
    ::SendMessageA(handle_, SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusBar::Update() {
    if (!paintedSinceText_) WinControl::Update();
}

void StatusBar::SendTexts() {
    textsUnsent_ = false;
    for (size_t i = 0; i < texts_.size(); ++i)
        WinControl::WndProc(SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts_[i].c_str()));
}

std::string StatusBar::PanelText(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= texts_.size()) return {};
    return texts_[static_cast<size_t>(index)];
}

LRESULT StatusBar::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && wParam == 0) {
        if (takingBackground_) {
            // The texts change only to take the picture; the whole bar is painted after it.
            ::ValidateRect(handle_, nullptr);
            return 0;
        }
        if (PaintsOwnTexts()) {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(handle_, &paint);
            DrawOverBackground(dc, paint.rcPaint);
            paintedSinceText_ = true;
            ::EndPaint(handle_, &paint);
            return 0;
        }
    }
    // Whatever else reaches the bar (a request for its text, a paint into a given DC) finds
    // the texts it shows; the pointer passing over it and the erasing under a paint need none.
    const bool needsNoTexts = message == SB_SETTEXTA || message == WM_ERASEBKGND || message == WM_NCPAINT ||
                              message == WM_NCHITTEST || message == WM_SETCURSOR || message == WM_MOUSEMOVE;
    if (textsUnsent_ && !needsNoTexts) SendTexts();
    switch (message) {
    case SB_SETTEXTA: {
        // Whoever sets a text, the bar paints what it holds.
        size_t part = LOBYTE(LOWORD(wParam));
        if (!takingBackground_ && part < texts_.size()) texts_[part] = lParam ? reinterpret_cast<const char*>(lParam) : "";
        break;
    }
    case WM_SIZE:
    case WM_SETFONT:
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_STYLECHANGED:
    case SB_SETPARTS:
    case SB_SETBKCOLOR:
    case SB_SETMINHEIGHT:
    case SB_SIMPLE:
    case SB_SETICON:
    case SB_SETTEXTW:
        background_.Reset();  // the picture no longer shows the bar as it looks now
        break;
    default:
        break;
    }
    return WinControl::WndProc(message, wParam, lParam);
}

bool StatusBar::PaintsOwnTexts() { return OwnPaintFits() && (background_ || TakeBackground()); }

bool StatusBar::OwnPaintFits() const {
    // A tab places the text after it in the middle or at the right: the bar's own painting.
    return std::none_of(texts_.begin(), texts_.end(),
                        [](const std::string& text) { return text.find('\t') != std::string::npos; });
}

bool StatusBar::TakeBackground() {
    RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0 || texts_.empty()) return false;
    takingBackground_ = true;
    for (size_t i = 0; i < texts_.size(); ++i) ::SendMessageA(handle_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(""));
    ScopedBitmap picture;
    {
        ScopedGetDc screen(handle_);
        ScopedMemoryDc memory(::CreateCompatibleDC(screen.Get()));
        // Kept in this process's memory, not the display's: drawing it costs a copy, where a
        // display bitmap under Wine costs a round trip to the X server each time.
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = client.right;
        format.bmiHeader.biHeight = -client.bottom;  // top-down
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        picture.Reset(::CreateDIBSection(screen.Get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (memory && picture) {
            ScopedSelectObject select(memory.Get(), picture.Get());
            ::SendMessageA(handle_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT | PRF_ERASEBKGND);
        }
    }
    partRects_.assign(texts_.size(), RECT{});
    for (size_t i = 0; i < texts_.size(); ++i) {
        ::SendMessageA(handle_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts_[i].c_str()));
        ::SendMessageA(handle_, SB_GETRECT, i, reinterpret_cast<LPARAM>(&partRects_[i]));
    }
    barFont_ = reinterpret_cast<HFONT>(::SendMessageA(handle_, WM_GETFONT, 0, 0));
    takingBackground_ = false;
    ::InvalidateRect(handle_, nullptr, FALSE);
    if (barFont_ && picture) background_ = std::move(picture);
    return static_cast<bool>(background_);
}

void StatusBar::DrawOverBackground(HDC dc, const RECT& area) {
    if (!dc || !background_) return;
    {
        ScopedMemoryDc memory(::CreateCompatibleDC(dc));
        ScopedSelectObject select(memory.Get(), background_.Get());
        ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory.Get(), area.left,
                 area.top, SRCCOPY);
    }
    // As the bar places a text without tabs: three pixels in, in the vertical middle.
    ScopedSelectObject font(dc, barFont_);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < texts_.size() && i < partRects_.size(); ++i) {
        RECT rect = partRects_[i];
        rect.left += 3;
        ::DrawTextA(dc, texts_[i].c_str(), static_cast<int>(texts_[i].size()), &rect,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// ---- ItemListControl ----

namespace {
const ItemMessages kListBoxMessages{LB_RESETCONTENT, LB_ADDSTRING,   LB_SETITEMDATA, LB_GETITEMDATA, LB_GETCOUNT,
                                    LB_GETCURSEL,    LB_SETCURSEL,   LB_GETTEXTLEN,  LB_GETTEXT,     LB_ERR};
const ItemMessages kComboBoxMessages{CB_RESETCONTENT, CB_ADDSTRING, CB_SETITEMDATA,  CB_GETITEMDATA, CB_GETCOUNT,
                                     CB_GETCURSEL,    CB_SETCURSEL, CB_GETLBTEXTLEN, CB_GETLBTEXT,   CB_ERR};
}  // namespace

ItemListControl::ItemListControl(WinControl* parent, const ItemMessages& messages)
    : WinControl(parent), messages_(messages) {
    color_ = SystemColor(COLOR_WINDOW);
}

void ItemListControl::Clear() { ::SendMessageA(handle_, messages_.reset, 0, 0); }

int ItemListControl::AddItem(const std::string& text, LPARAM data) {
    auto index = static_cast<int>(::SendMessageA(handle_, messages_.add, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0) ::SendMessageA(handle_, messages_.setData, static_cast<WPARAM>(index), data);
    return index;
}

int ItemListControl::Count() const { return static_cast<int>(::SendMessageA(handle_, messages_.count, 0, 0)); }

int ItemListControl::ItemIndex() const {
    return static_cast<int>(::SendMessageA(handle_, messages_.getSelection, 0, 0));
}

void ItemListControl::SetItemIndex(int index) {
    ::SendMessageA(handle_, messages_.setSelection, static_cast<WPARAM>(index), 0);
}

std::string ItemListControl::ItemText(int index) const {
    LRESULT length = ::SendMessageA(handle_, messages_.textLength, static_cast<WPARAM>(index), 0);
    if (length == messages_.error || length < 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    ::SendMessageA(handle_, messages_.text, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

LPARAM ItemListControl::ItemData(int index) const {
    return ::SendMessageA(handle_, messages_.getData, static_cast<WPARAM>(index), 0);
}

bool ItemListControl::MeasureItem(MEASUREITEMSTRUCT& item) {
    item.itemHeight = static_cast<UINT>(Scale(ItemHeightPixels));
    return true;
}

// ---- ListBox ----

ListBox::ListBox(WinControl* parent, DWORD extraStyle) : ItemListControl(parent, kListBoxMessages) {
    CreateHandle("LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | extraStyle, WS_EX_CLIENTEDGE);
}

void ListBox::SetItemHeight(int height) {
    ItemHeightPixels = height;
    ::SendMessageA(handle_, LB_SETITEMHEIGHT, 0, Scale(height));
}

void ListBox::DpiChanged() {
    ItemListControl::DpiChanged();
    // A list drawn by its owner keeps the item height it was given; others follow the font.
    if (::GetWindowLongA(handle_, GWL_STYLE) & LBS_OWNERDRAWFIXED) SetItemHeight(ItemHeightPixels);
}

void ListBox::CommandNotify(WORD code) {
    if (code == LBN_SELCHANGE && OnSelect) OnSelect();
    if (code == LBN_DBLCLK && OnDoubleClick) OnDoubleClick();
}

// ---- ComboBox ----

ComboBox::ComboBox(WinControl* parent, DWORD extraStyle) : ItemListControl(parent, kComboBoxMessages) {
    CreateHandle("COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | extraStyle, 0);
}

void ComboBox::PlaceAt(int left, int top, int width, int height) {
    Control::PlaceAt(left, top, width, height);
    if (handle_) ::MoveWindow(handle_, left, top, width, height + Scale(200), TRUE);
}

void ComboBox::CommandNotify(WORD code) {
    if (code == CBN_SELCHANGE && OnChange) OnChange();
}

}  // namespace platform
