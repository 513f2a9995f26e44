#include "platform/ControlBase.h"

#include <algorithm>
#include <map>

#include "platform/Forms.h"
#include "platform/StaticControls.h"

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

}  // namespace

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

}  // namespace platform
