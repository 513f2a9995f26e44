// What a screen reader gets from the windows: each control's accessible name and role, the
// chooser's label mnemonics, and the event that announces a new progress text.
#include <gtest/gtest.h>
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RecordingUi.h"
#include "WindowTestSupport.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedHandle.h"
#include "setup/Main.h"
#include "windows/BrowseUnit.h"

using testing_support::AssertDisplay;

namespace {

// IID_IAccessible; MinGW's import library symbol is refused by Wine's oleacc.
const GUID kIAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

struct AccessibleFacts {
    std::string name;
    long role = 0;
};

AccessibleFacts ReadAccessible(HWND window) {
    AccessibleFacts facts;
    platform::ComPtr<IAccessible> object;
    const HRESULT made = ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIAccessible, object.ReceiveVoid());
    EXPECT_EQ(made, S_OK);
    if (FAILED(made) || !object) return facts;
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK && name) {
        char text[256] = {};
        ::WideCharToMultiByte(CP_ACP, 0, name, -1, text, sizeof text - 1, nullptr, nullptr);
        facts.name = text;
        ::SysFreeString(name);
    }
    VARIANT role;
    ::VariantInit(&role);
    if (object->get_accRole(self, &role) == S_OK && role.vt == VT_I4) facts.role = role.lVal;
    return facts;
}

// Windows names the base class of a superclass as its real class; Wine names the class itself,
// whose window extra bytes then show that it was made from "Static" (a class of the program's
// own has none).
bool OfStaticKind(HWND window) {
    char real[64] = {}, name[64] = {};
    ::RealGetWindowClassA(window, real, sizeof real);
    if (::lstrcmpiA(real, "Static") == 0) return true;
    ::GetClassNameA(window, name, sizeof name);
    WNDCLASSEXA own{}, base{};
    own.cbSize = base.cbSize = sizeof(WNDCLASSEXA);
    return ::GetClassInfoExA(::GetModuleHandleA(nullptr), name, &own) && ::GetClassInfoExA(nullptr, "Static", &base) &&
           base.cbWndExtra > 0 && own.cbWndExtra == base.cbWndExtra;
}

std::string WithoutMnemonic(std::string text) {
    const size_t at = text.find('&');
    if (at != std::string::npos) text.erase(at, 1);
    return text;
}

void Pump(DWORD ms) {
    const DWORD until = ::GetTickCount() + ms;
    while (static_cast<LONG>(until - ::GetTickCount()) > 0) {
        platform::Application::Instance().ProcessMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Alt and a letter, typed as a person does.
void PressAlt(char letter) {
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_MENU, static_cast<WORD>(letter), static_cast<WORD>(letter), VK_MENU};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    ::SendInput(4, keys, sizeof(INPUT));
    Pump(300);
}

std::vector<HWND> g_nameChanges;
void CALLBACK RecordNameChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) g_nameChanges.push_back(window);
}

class ScreenReader : public ::testing::Test {
protected:
    void SetUp() override { AssertDisplay(); }
    void TearDown() override { ::SetCurrentDirectoryA("C:\\"); }
    testing_support::RecordingUi ui_;
};

TEST_F(ScreenReader, LabelsAndPanelsAreStaticTextTheLogoAGraphicAndANewProgressTextIsAnnounced) {
    windows::TRunForm runForm;
    runForm.Create();
    setup::TMainForm main{std::vector<std::string>{}};
    main.OnCreate = nullptr;
    main.Create();

    // Static text on Windows; Wine's proxy gives any static the client role, so the class the
    // system knows them by is checked as well.
    for (const platform::WinControl* control :
         std::vector<const platform::WinControl*>{main.AboutLabel.get(), main.CopyrightLabel.get(), main.VersionLabel.get(),
                                                  main.TextLabel.get(), main.PathEdit.get(), runForm.BackPanel.get()}) {
        SCOPED_TRACE(control->Caption());
        EXPECT_TRUE(OfStaticKind(control->Handle()));
        const AccessibleFacts facts = ReadAccessible(control->Handle());
        EXPECT_EQ(facts.name, control->Caption());
        EXPECT_TRUE(facts.role == ROLE_SYSTEM_STATICTEXT || facts.role == ROLE_SYSTEM_CLIENT) << facts.role;
    }
    const HWND logo = main.LogoImage->Handle();
    EXPECT_TRUE(OfStaticKind(logo));
    EXPECT_EQ(::GetWindowLongA(logo, GWL_STYLE) & SS_TYPEMASK, SS_ICON) << "a graphic to screen readers";
    EXPECT_EQ(ReadAccessible(logo).name, "VORNA Mail Server logo");

    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, RecordNameChange,
                                           ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    platform::ScopeExit unhook([hook] { ::UnhookWinEvent(hook); });
    g_nameChanges.clear();
    setup::RunForm = &runForm;
    main.ShowProgress("Creating Icons...");
    main.ShowProgress("Starting Services...");
    setup::RunForm = nullptr;
    Pump(300);
    const HWND panel = runForm.BackPanel->Handle();
    EXPECT_EQ(std::count(g_nameChanges.begin(), g_nameChanges.end(), panel), 2) << "once per new progress text";
    EXPECT_EQ(ReadAccessible(panel).name, "Starting Services...");
}

TEST_F(ScreenReader, ChooserFieldsAreNamedByTheirLabelsWhoseMnemonicsMoveTheFocusThere) {
    windows::TBrowseFolder chooser;
    chooser.Create();
    const struct {
        platform::Label* label;
        platform::WinControl* control;
        char mnemonic;
    } pairs[] = {{chooser.PathLabel.get(), chooser.PathEdit.get(), 'P'},
                 {chooser.DirLabel.get(), chooser.DirectoryListBox.get(), 'D'},
                 {chooser.DriveLabel.get(), chooser.DriveComboBox.get(), 'I'}};
    // Windows names a field after the static text just before it in z-order (Wine only an
    // edit, and only after a window of the class "Static" itself).
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair.label->Caption());
        EXPECT_EQ(::GetWindow(pair.control->Handle(), GW_HWNDPREV), pair.label->Handle());
        EXPECT_TRUE(OfStaticKind(pair.label->Handle()));
        EXPECT_EQ(ReadAccessible(pair.label->Handle()).name, WithoutMnemonic(pair.label->Caption()));
    }

    chooser.Show();
    ::SetForegroundWindow(chooser.Handle());
    Pump(300);
    for (const auto& pair : pairs) {
        chooser.OKButton->SetFocus();
        PressAlt(pair.mnemonic);
        EXPECT_EQ(::GetFocus(), pair.control->Handle()) << "Alt+" << pair.mnemonic;
    }
    chooser.Hide();
}

}  // namespace
