#include "windows/BrowseUnit.h"

#include <winnetwk.h>

#include <algorithm>

#include "platform/FileSearch.h"
#include "platform/Paths.h"
#include "platform/SystemInfo.h"
#include "platform/SystemLibrary.h"
#include "platform/SystemUi.h"

namespace windows {

using platform::ScopedBrush;
using platform::ScopedPen;
using platform::ScopedSelectObject;

namespace {

std::string CurrentFolder() {
    DWORD size = ::GetCurrentDirectoryA(0, nullptr);
    if (size == 0) return {};
    std::string folder(size, '\0');
    DWORD length = ::GetCurrentDirectoryA(size, folder.data());
    folder.resize(length < size ? length : 0);
    return folder;
}

// The current folder of a drive ("D:" resolves to it), or its root when it has none.
std::string DriveCurrentFolder(char letter) {
    const char drive[3] = {letter, ':', '\0'};
    DWORD size = ::GetFullPathNameA(drive, 0, nullptr, nullptr);
    if (size == 0) return std::string(1, letter) + ":\\";
    std::string folder(size, '\0');
    DWORD length = ::GetFullPathNameA(drive, size, folder.data(), nullptr);
    folder.resize(length < size ? length : 0);
    return folder.empty() ? std::string(1, letter) + ":\\" : folder;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

// A 16 x 13 folder as designed, scaled to dpi; an open one shows its front flap tilted.
void DrawFolderGlyph(HDC dc, int x, int y, bool open, int dpi) {
    const auto at = [&](int dx, int dy) { return POINT{x + platform::ScaleForDpi(dx, dpi), y + platform::ScaleForDpi(dy, dpi)}; };
    ScopedPen outline(::CreatePen(PS_SOLID, std::max(1, platform::ScaleForDpi(1, dpi)), RGB(128, 128, 0)));
    ScopedBrush body(::CreateSolidBrush(RGB(255, 255, 128)));
    ScopedBrush front(::CreateSolidBrush(RGB(255, 255, 200)));
    ScopedSelectObject pen(dc, outline.Get());
    ScopedSelectObject brush(dc, body.Get());
    const POINT back[] = {at(1, 1), at(6, 1), at(7, 3), at(14, 3), at(14, 12), at(1, 12)};
    ::Polygon(dc, back, 6);
    if (open) {
        ScopedSelectObject lighter(dc, front.Get());
        const POINT flap[] = {at(3, 6), at(16, 6), at(14, 12), at(1, 12)};
        ::Polygon(dc, flap, 4);
    } else {
        const POINT from = at(1, 5), to = at(14, 5);
        ::MoveToEx(dc, from.x, from.y, nullptr);
        ::LineTo(dc, to.x, to.y);
    }
}

}  // namespace

// ---- TDirectoryListBox ----

TDirectoryListBox::TDirectoryListBox(platform::WinControl* parent)
    : ListBox(parent, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS) {
    OnDoubleClick = [this] { OpenItem(ItemIndex()); };
    directory_ = CurrentFolder();
    Rebuild();
}

bool TDirectoryListBox::SetDirectory(const std::string& folder) {
    if (folder.empty() || !::SetCurrentDirectoryA(folder.c_str())) return false;
    directory_ = CurrentFolder();
    Rebuild();
    if (DriveCombo && !directory_.empty()) DriveCombo->SetDrive(directory_[0]);
    if (OnChange) OnChange();
    return true;
}

void TDirectoryListBox::OpenItem(int index) {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return;
    SetDirectory(entries_[static_cast<size_t>(index)].path);
}

void TDirectoryListBox::Rebuild() {
    entries_.clear();
    // Path components: "C:\" (or "\\server\share\"), then each folder name down to the current one.
    const std::string root = platform::RootOf(directory_);
    if (!root.empty()) entries_.push_back({root, root, 0, true});
    std::string path = root;
    for (const std::string& name : platform::NamesBelowRoot(directory_)) {
        path = platform::WithTrailingBackslash(path) + name;
        entries_.push_back({name, path, static_cast<int>(entries_.size()), true});
    }
    const int current = static_cast<int>(entries_.size()) - 1;

    std::vector<std::string> subfolders;
    const std::string pattern = platform::WithTrailingBackslash(directory_);
    platform::ForEachEntry(pattern, "*", [&](const WIN32_FIND_DATAA& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) subfolders.push_back(found.cFileName);
    });
    std::sort(subfolders.begin(), subfolders.end(), LessIgnoringCase);
    for (const std::string& name : subfolders) entries_.push_back({name, pattern + name, current + 1, false});

    ::SendMessageA(handle_, WM_SETREDRAW, FALSE, 0);
    Clear();
    for (size_t i = 0; i < entries_.size(); ++i) AddItem(entries_[i].name, static_cast<LPARAM>(i));
    SetItemIndex(current);
    ::SendMessageA(handle_, WM_SETREDRAW, TRUE, 0);
    Invalidate();
}

LRESULT TDirectoryListBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE: {
        // Enter opens the selected folder here rather than pressing the dialog's OK.
        auto* pending = reinterpret_cast<MSG*>(lParam);
        LRESULT code = ListBox::WndProc(message, wParam, lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            OpenItem(ItemIndex());
            return 0;
        }
        break;
    default:
        break;
    }
    return ListBox::WndProc(message, wParam, lParam);
}

bool TDirectoryListBox::DrawItem(DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    ScopedBrush window(::CreateSolidBrush(::GetSysColor(COLOR_WINDOW)));
    ::FillRect(dc, &r, window.Get());
    if (item.itemID == static_cast<UINT>(-1) || item.itemData >= entries_.size()) return true;
    const Entry& entry = entries_[item.itemData];
    const int x = r.left + Scale(2) + entry.level * Scale(7);
    DrawFolderGlyph(dc, x, r.top + (r.bottom - r.top - Scale(13)) / 2, entry.open, Dpi());

    SIZE extent{};
    ::GetTextExtentPoint32A(dc, entry.name.c_str(), static_cast<int>(entry.name.size()), &extent);
    RECT text{x + Scale(19), r.top, x + Scale(19) + extent.cx + Scale(4), r.bottom};
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected) {
        ScopedBrush highlight(::CreateSolidBrush(::GetSysColor(COLOR_HIGHLIGHT)));
        ::FillRect(dc, &text, highlight.Get());
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT inner{text.left + Scale(2), text.top, text.right, text.bottom};
    ::DrawTextA(dc, entry.name.c_str(), static_cast<int>(entry.name.size()), &inner,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &text);
    return true;
}

// ---- TDriveComboBox ----

TDriveComboBox::TDriveComboBox(platform::WinControl* parent) : ComboBox(parent) { Fill(); }

void TDriveComboBox::Fill() {
    Clear();
    // No "insert a disk" box for empty removable drives while their labels are read.
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const DWORD drives = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(drives & (1u << i))) continue;
        const char letter = static_cast<char>('a' + i);
        const char root[4] = {static_cast<char>('A' + i), ':', '\\', '\0'};
        std::string text = std::string(1, letter) + ":";
        const UINT type = ::GetDriveTypeA(root);
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
            char label[MAX_PATH + 1] = {};
            if (::GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) && label[0])
                text += std::string(" [") + label + "]";
        } else if (type == DRIVE_REMOTE) {
            const char local[3] = {static_cast<char>('A' + i), ':', '\0'};
            char remote[MAX_PATH + 1] = {};
            DWORD size = sizeof remote;
            static const auto getConnection =
                platform::SystemFunctionAs<DWORD(APIENTRY*)(LPCSTR, LPSTR, LPDWORD)>("mpr.dll", "WNetGetConnectionA");
            if (getConnection && getConnection(local, remote, &size) == NO_ERROR) text += std::string(" ") + remote;
        }
        AddItem(text, static_cast<LPARAM>('A' + i));
    }
    ::SetErrorMode(previousMode);
    const std::string current = CurrentFolder();
    if (!current.empty()) SetDrive(current[0]);
}

void TDriveComboBox::SetDrive(char letter) {
    const char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
    for (int i = 0; i < Count(); ++i) {
        if (ItemData(i) == upper) {
            SetItemIndex(i);
            return;
        }
    }
}

char TDriveComboBox::Drive() const {
    const int index = ItemIndex();
    return index < 0 ? '\0' : static_cast<char>(ItemData(index));
}

void TDriveComboBox::CommandNotify(WORD code) {
    if (code != CBN_SELCHANGE || !DirList) return;
    const char letter = Drive();
    // A drive that cannot be entered (no disk, no connection) leaves the list where it was.
    if (!letter || !DirList->SetDirectory(DriveCurrentFolder(letter))) {
        if (!DirList->Directory().empty()) SetDrive(DirList->Directory()[0]);
    }
}

// ---- TBrowseFolder ----

std::string MissingFolderQuestion(const std::string& path) {
    return "The Folder:\r\n\r\n'" + path + "'" + "\r\n\r\n" + "does not exist. Do you want the folder to be created?";
}

TBrowseFolder::TBrowseFolder() : Form("TBrowseFolder") {
    caption_ = "Choose Folder";
    SetClientSize(250, 266);
    Border = platform::BorderStyle::Dialog;
    VisibleAtCreation = false;
    OnShow = [this] { FormShow(); };
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
}

void TBrowseFolder::BuildControls() {
    using namespace platform;
    auto label = [this](int left, int top, int width, const char* caption) {
        auto made = std::make_unique<Label>(this);
        made->SetBounds(left, top, width, 13);
        made->SetCaption(caption);
        return made;
    };
    ChooseLabel = label(17, 11, 172, "Please choose the installation folder.");
    PathLabel = label(16, 32, 28, "&Path: ");
    DirLabel = label(17, 79, 50, "&Directories");
    DriveLabel = label(16, 224, 33, "Dr&ives:");

    // Windowed controls in tab order.
    PathEdit = std::make_unique<Edit>(this);
    PathEdit->SetBounds(16, 48, 216, 21);
    PathEdit->SetTabOrder(0);

    OKButton = std::make_unique<Button>(this);
    OKButton->SetCaption("&OK");
    OKButton->SetBounds(162, 96, 75, 23);
    OKButton->ModalResult = mrOk;
    OKButton->SetDefault(true);
    OKButton->SetTabOrder(1);

    CancelButton = std::make_unique<Button>(this);
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetBounds(162, 126, 75, 25);
    CancelButton->ModalResult = mrCancel;  // not bound to Escape
    CancelButton->SetTabOrder(2);

    DirectoryListBox = std::make_unique<TDirectoryListBox>(this);
    DirectoryListBox->SetBounds(16, 96, 137, 105);
    DirectoryListBox->SetItemHeight(16);
    DirectoryListBox->SetTabOrder(3);
    DirectoryListBox->OnChange = [this] { DirectoryListBoxDblClick(); };

    DriveComboBox = std::make_unique<TDriveComboBox>(this);
    DriveComboBox->SetBounds(16, 240, 137, 19);
    DriveComboBox->SetTabOrder(4);
    DriveComboBox->DirList = DirectoryListBox.get();
    DirectoryListBox->DriveCombo = DriveComboBox.get();

    Netbutton = std::make_unique<Button>(this);
    Netbutton->SetCaption("&Network...");
    Netbutton->SetBounds(162, 238, 75, 23);
    Netbutton->SetTabOrder(5);
    Netbutton->OnClick = [this] { NetbuttonClick(); };

    // Each label names its control to screen readers, and its mnemonic moves the focus there.
    PathLabel->SetFocusControl(PathEdit.get());
    DirLabel->SetFocusControl(DirectoryListBox.get());
    DriveLabel->SetFocusControl(DriveComboBox.get());
}

void TBrowseFolder::FormShow() {
    PathEdit->SelectAll();
    PathEdit->SetFocus();
}

void TBrowseFolder::DirectoryListBoxDblClick() { PathEdit->SetText(DirectoryListBox->Directory()); }

void TBrowseFolder::NetbuttonClick() {
    // Whatever the user maps shows up in the drive list at the next program start.
    // mpr.dll is loaded from the system folder only when the dialog is asked for.
    static const auto connectionDialog =
        platform::SystemFunctionAs<DWORD(APIENTRY*)(HWND, DWORD)>("mpr.dll", "WNetConnectionDialog");
    if (connectionDialog) connectionDialog(handle_, RESOURCETYPE_DISK);
}

void TBrowseFolder::FormCloseQuery(bool& canClose) {
    canClose = false;
    if (ModalResult() != platform::mrOk) {
        canClose = true;
        return;
    }
    const std::string path = PathEdit->Text();
    if (platform::FolderExists(path)) {
        canClose = true;
        return;
    }
    // The folder is only asked about here; the install creates it.
    if (platform::ShowMessage(MissingFolderQuestion(path), "Setup", platform::kQuestionBox) == IDYES) {
        canClose = true;
        return;
    }
    SetModalResult(platform::mrNone);
}

}  // namespace windows
