// The three windows of the setup program under the real window system: the way the Tab key
// takes through each one's controls.
#include "frmdialog.h"
#include "frmfolders.h"
#include "frmmain.h"
#include "test_form.h"
#include "ui_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace instalio::test {
namespace {

// The control of `form` that holds the focus, by name.
std::string Focused(const ui::Form& form) {
    HWND focus = GetFocus();
    for (const ui::Element* element : form.Elements()) {
        HWND window = element->Window();
        if (window != nullptr && (window == focus || IsChild(window, focus))) {
            return element->Name();
        }
    }
    return focus == form.Hwnd() ? "the form" : "elsewhere";
}

// Where `presses` of Tab (or Shift+Tab) take the focus, one name per press.
std::vector<std::string> Tabs(const ui::Form& form, int presses, bool backwards = false) {
    std::vector<std::string> reached;
    for (int i = 0; i < presses; ++i) {
        if (backwards) {
            ShiftKeyPress(VK_TAB);
        } else {
            KeyPress(VK_TAB);
        }
        reached.push_back(Focused(form));
    }
    return reached;
}

using Names = std::vector<std::string>;

class Windows : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CommonControlsRegistered()); }
    // The last window unloaded asks the program to end; the next test's windows go on.
    void TearDown() override {
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    ProgramPump pump;
};

TEST_F(Windows, TheDialogTabsBetweenItsTwoButtons) {
    ui::FrmDialog dialog;
    dialog.Show();
    EXPECT_EQ(Tabs(dialog, 3), (Names{"cmdAceptar", "cmdSalir", "cmdAceptar"}));
    EXPECT_EQ(Tabs(dialog, 2, true), (Names{"cmdSalir", "cmdAceptar"}));
}

TEST_F(Windows, TheFolderChooserTabsFromTheTreeToItsButtons) {
    TestForm host;
    ui::Texto txtPath{host, "txtPath"};
    host.Load();
    ui::FrmFolders folders{txtPath};
    folders.Show();
    ASSERT_EQ(GetFocus(), folders.TreeFolder1.TreeView1->Hwnd()) << "the tree starts with it";
    EXPECT_EQ(Tabs(folders, 3), (Names{"cmdAceptar", "cmdSalir", "TreeFolder1"}));
    EXPECT_EQ(GetFocus(), folders.TreeFolder1.TreeView1->Hwnd()) << "into the tree itself";
    EXPECT_EQ(Tabs(folders, 2, true), (Names{"cmdSalir", "cmdAceptar"}));
}

TEST_F(Windows, TheWizardTabsThroughTheButtonsThenTheSectionsControls) {
    ui::FrmMain wizard;
    wizard.Show();
    // Section 0: Back is disabled.
    EXPECT_EQ(Tabs(wizard, 4), (Names{"cmdSiguiente", "cmdSalir", "cmbLanguages", "cmdSiguiente"}));
    wizard.DibujarSeccion(1);
    EXPECT_EQ(Tabs(wizard, 4, true),
              (Names{"cmdAnterior", "chkUpdate", "cmdSalir", "cmdSiguiente"}));
    wizard.DibujarSeccion(2);
    EXPECT_EQ(Tabs(wizard, 5),
              (Names{"cmdSalir", "txtPath", "cmdRuta", "cmdAnterior", "cmdSiguiente"}));
    KeyPress(VK_TAB);
    KeyPress(VK_TAB);
    EXPECT_EQ(GetFocus(), wizard.txtPath.tbTexto.Window()) << "into the path box's edit field";
    wizard.DibujarSeccion(7);
    SetFocus(wizard.cmdSalir.Hwnd()); // Finish, where a click would have left it
    EXPECT_EQ(Tabs(wizard, 6),
              (Names{"Check1", "Check2", "Check3", "Check4", "cmdSalir", "Check1"}));
}

} // namespace
} // namespace instalio::test
