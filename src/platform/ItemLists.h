#pragma once
// List boxes and combo boxes (the folder chooser's directory and drive lists are built on them).
#include <windows.h>

#include <functional>
#include <string>

#include "platform/ControlBase.h"

namespace platform {

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

}  // namespace platform
