#pragma once
// TBrowseFolder: the modal "Choose Folder" dialog in which the user picks the destination.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Forms.h"

namespace windows {

class TDriveComboBox;

// The folders of the current drive from its root down to the current folder (open folder
// glyphs, each one level further in), then the current folder's subfolders (closed
// glyphs). Double-click or Enter on a folder moves there; moving also makes that folder
// the process's current folder.
class TDirectoryListBox : public platform::ListBox {
public:
    explicit TDirectoryListBox(platform::WinControl* parent);

    // The folder shown: no trailing backslash, except a drive's root ("C:\").
    const std::string& Directory() const { return directory_; }
    // Moves to a folder; false (and nothing changes) when the system refuses it.
    bool SetDirectory(const std::string& folder);
    // Moves to the folder of item index, as a double-click on it does.
    void OpenItem(int index);

    // Told after every move, once the list shows the new folder.
    std::function<void()> OnChange;
    // Follows the list's drive.
    TDriveComboBox* DriveCombo = nullptr;

    struct Entry {
        std::string name;  // as shown
        std::string path;  // the folder it opens
        int level = 0;
        bool open = false;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool DrawItem(DRAWITEMSTRUCT& item) override;

private:
    void Rebuild();

    std::string directory_;
    std::vector<Entry> entries_;
};

// The machine's drives; choosing one moves the linked directory list to that drive's
// current folder.
class TDriveComboBox : public platform::ComboBox {
public:
    explicit TDriveComboBox(platform::WinControl* parent);

    TDirectoryListBox* DirList = nullptr;
    // Selects the drive of a letter without moving the list.
    void SetDrive(char letter);
    char Drive() const;
    void CommandNotify(WORD code) override;

private:
    void Fill();
};

class TBrowseFolder : public platform::Form {
public:
    TBrowseFolder();

    std::unique_ptr<platform::Label> ChooseLabel;
    std::unique_ptr<platform::Label> PathLabel;
    std::unique_ptr<platform::Edit> PathEdit;
    std::unique_ptr<platform::Label> DirLabel;
    std::unique_ptr<TDirectoryListBox> DirectoryListBox;
    std::unique_ptr<platform::Button> OKButton;
    std::unique_ptr<platform::Button> CancelButton;
    std::unique_ptr<platform::Label> DriveLabel;
    std::unique_ptr<TDriveComboBox> DriveComboBox;
    std::unique_ptr<platform::Button> Netbutton;

    void FormShow();
    void DirectoryListBoxDblClick();
    void NetbuttonClick();
    void FormCloseQuery(bool& canClose);

protected:
    void BuildControls() override;
};

// The question asked before confirming a folder that does not exist.
std::string MissingFolderQuestion(const std::string& path);

}  // namespace windows
