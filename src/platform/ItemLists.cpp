#include "platform/ItemLists.h"

namespace platform {

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
