// The folder chooser: the close question, Escape, and the linked folder and drive lists.
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "ScratchFolder.h"
#include "WindowTestSupport.h"
#include "windows/BrowseUnit.h"
#include "windows/SetupWindow.h"

using testing_support::AssertDisplay;
using testing_support::ModalGuard;
using testing_support::PostClick;
using testing_support::RecordingUi;
using testing_support::ScratchFolder;

namespace {

std::string WithoutSlash(std::string path) {
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

class ChooseFolder : public ::testing::Test {
protected:
    void SetUp() override {
        AssertDisplay();
        dialog_.Create();
        ASSERT_NE(dialog_.Handle(), nullptr);
    }
    // The lists move the process into the scratch folder; step out so it can be removed.
    void TearDown() override { ::SetCurrentDirectoryA("C:\\"); }
    // Opens the dialog with path, after queuing what the user does; returns the result.
    int Open(const std::string& path) {
        dialog_.PathEdit->SetText(path);
        ModalGuard guard(dialog_.Handle(), 10000);
        const int result = dialog_.ShowModal();
        EXPECT_FALSE(guard.Fired()) << "the dialog had to be closed by the guard";
        return result;
    }
    HWND Ok() const { return dialog_.OKButton->Handle(); }
    HWND Cancel() const { return dialog_.CancelButton->Handle(); }

    RecordingUi ui_;
    ScratchFolder scratch_{"browse"};
    windows::TBrowseFolder dialog_;
};

}  // namespace

TEST_F(ChooseFolder, OkOnAnExistingFolderClosesWithoutAQuestion) {
    PostClick(Ok());
    EXPECT_EQ(Open(WithoutSlash(scratch_.Path())), platform::mrOk);
    EXPECT_TRUE(ui_.Boxes().empty());
    EXPECT_FALSE(::IsWindowVisible(dialog_.Handle()));
}

TEST_F(ChooseFolder, MissingFolderAsksAndNoKeepsTheDialogOpenWithThePath) {
    const std::string missing = scratch_.Path() + "new folder";
    ui_.Answer(IDNO);
    PostClick(Ok());
    PostClick(Cancel());  // only reached if No kept the dialog open
    EXPECT_EQ(Open(missing), platform::mrCancel);
    ASSERT_EQ(ui_.Boxes().size(), 1u);
    EXPECT_EQ(ui_.Boxes()[0].caption, "Setup");
    EXPECT_EQ(ui_.Boxes()[0].flags, 0x2024u);
    EXPECT_EQ(ui_.Boxes()[0].text,
              "The Folder:\r\n\r\n'" + missing + "'\r\n\r\ndoes not exist. Do you want the folder to be created?");
    EXPECT_EQ(dialog_.PathEdit->Text(), missing);
}

TEST_F(ChooseFolder, YesConfirmsAMissingFolderWithoutCreatingIt) {
    const std::string missing = scratch_.Path() + "later";
    ui_.Answer(IDYES);
    PostClick(Ok());
    EXPECT_EQ(Open(missing), platform::mrOk);
    EXPECT_EQ(ui_.Boxes().size(), 1u);
    EXPECT_EQ(dialog_.PathEdit->Text(), missing);
    EXPECT_EQ(::GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ChooseFolder, CancelAndTheCloseButtonNeverAsk) {
    const std::string missing = scratch_.Path() + "nowhere";
    PostClick(Cancel());
    EXPECT_EQ(Open(missing), platform::mrCancel);
    ::PostMessageA(dialog_.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Open(missing), platform::mrCancel);
    EXPECT_TRUE(ui_.Boxes().empty());
}

TEST_F(ChooseFolder, EscapeDoesNotCloseTheDialog) {
    HWND edit = dialog_.PathEdit->Handle();
    ::PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageA(edit, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    PostClick(Ok());  // an existing folder: OK closes at once, if the dialog is still there
    EXPECT_EQ(Open(WithoutSlash(scratch_.Path())), platform::mrOk);
}

TEST_F(ChooseFolder, DirectoryListShowsTheWayDownThenSortedSubfolders) {
    for (const char* name : {"b", "A", "c"}) ::CreateDirectoryA((scratch_.Path() + name).c_str(), nullptr);
    testing_support::WriteFileBytes(scratch_.Path() + "file.txt", "x");
    windows::TDirectoryListBox& list = *dialog_.DirectoryListBox;
    const std::string folder = WithoutSlash(scratch_.Path());
    ASSERT_TRUE(list.SetDirectory(folder));
    EXPECT_EQ(list.Directory(), folder);

    const auto& entries = list.Entries();
    ASSERT_GE(entries.size(), 5u);
    EXPECT_EQ(entries[0].path, folder.substr(0, 3));  // the drive's root, "C:\"
    const size_t current = entries.size() - 4;
    for (size_t i = 0; i <= current; ++i) {
        EXPECT_TRUE(entries[i].open) << i;
        EXPECT_EQ(entries[i].level, static_cast<int>(i));
    }
    EXPECT_EQ(entries[current].path, folder);
    const char* sorted[] = {"A", "b", "c"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(entries[current + 1 + i].name, sorted[i]);
        EXPECT_FALSE(entries[current + 1 + i].open);
        EXPECT_EQ(entries[current + 1 + i].level, static_cast<int>(current) + 1);
    }
    EXPECT_EQ(list.ItemIndex(), static_cast<int>(current));
    EXPECT_EQ(list.Count(), static_cast<int>(entries.size()));
}

TEST_F(ChooseFolder, OpeningAFolderMovesTheProcessAndReplacesTheTypedPath) {
    ::CreateDirectoryA((scratch_.Path() + "sub").c_str(), nullptr);
    windows::TDirectoryListBox& list = *dialog_.DirectoryListBox;
    ASSERT_TRUE(list.SetDirectory(WithoutSlash(scratch_.Path())));
    dialog_.PathEdit->SetText("typed by hand");
    // Enter on the selected subfolder, as the user would press it in the list.
    list.SetItemIndex(list.Count() - 1);
    ::SendMessageA(list.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    const std::string sub = scratch_.Path() + "sub";
    EXPECT_EQ(list.Directory(), sub);
    EXPECT_EQ(dialog_.PathEdit->Text(), sub);
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(std::string(current), sub);
    ::SetCurrentDirectoryA("C:\\");  // let the scratch folder go
}

TEST_F(ChooseFolder, ListsKeepTheirPlaceBetweenOpeningsAndIgnoreTheGivenPath) {
    windows::TDirectoryListBox& list = *dialog_.DirectoryListBox;
    const std::string folder = WithoutSlash(scratch_.Path());
    ASSERT_TRUE(list.SetDirectory(folder));
    PostClick(Cancel());
    Open("C:\\windows");
    PostClick(Cancel());
    Open("C:\\windows");
    EXPECT_EQ(list.Directory(), folder);
    EXPECT_EQ(dialog_.DriveComboBox->Drive(), folder[0]);
    ::SetCurrentDirectoryA("C:\\");
}

TEST_F(ChooseFolder, ChoosingADriveMovesTheListToThatDrive) {
    windows::TDriveComboBox& drives = *dialog_.DriveComboBox;
    int z = -1;
    for (int i = 0; i < drives.Count(); ++i)
        if (drives.ItemData(i) == 'Z') z = i;
    ASSERT_GE(z, 0) << "Wine's Z: drive is missing";
    ASSERT_TRUE(dialog_.DirectoryListBox->SetDirectory("C:\\windows"));
    drives.SetItemIndex(z);
    drives.CommandNotify(CBN_SELCHANGE);
    EXPECT_EQ(dialog_.DirectoryListBox->Directory()[0], 'Z');
    EXPECT_EQ(dialog_.PathEdit->Text(), dialog_.DirectoryListBox->Directory());
    ::SetCurrentDirectoryA("C:\\");
}

TEST_F(ChooseFolder, TabOrder) {
    const HWND order[] = {dialog_.PathEdit->Handle(), Ok(), Cancel(), dialog_.DirectoryListBox->Handle(),
                          dialog_.DriveComboBox->Handle(), dialog_.Netbutton->Handle()};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(::GetNextDlgTabItem(dialog_.Handle(), order[i], FALSE), order[(i + 1) % 6]) << "after " << i;
}

namespace {
HWND g_dialog = nullptr;
HWND g_cancel = nullptr;
LONG g_exStyleWhileOpen = 0;
void CALLBACK LookAndCancel(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_exStyleWhileOpen = ::GetWindowLongA(g_dialog, GWL_EXSTYLE);
    PostClick(g_cancel);
}
}  // namespace

TEST_F(ChooseFolder, OpensAboveTheAlwaysOnTopSetupWindowAndStepsBackAfter) {
    windows::TSetupWindow setup;
    setup.Create();
    ASSERT_TRUE(::GetWindowLongA(setup.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    g_dialog = dialog_.Handle();
    g_cancel = Cancel();
    g_exStyleWhileOpen = 0;
    ::SetTimer(nullptr, 0, 100, LookAndCancel);
    EXPECT_EQ(Open("C:\\"), platform::mrCancel);
    EXPECT_TRUE(g_exStyleWhileOpen & WS_EX_TOPMOST);
    EXPECT_FALSE(::GetWindowLongA(dialog_.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(::IsWindowEnabled(setup.Handle()));
}
