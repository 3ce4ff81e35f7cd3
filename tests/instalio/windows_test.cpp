// The three windows of the setup program under the real window system: the way the Tab key
// takes through each one's controls, their outlines and dragging, and what the wizard's sections
// set when they show.
#include "frmdialog.h"
#include "frmfolders.h"
#include "frmmain.h"
#include "language.h"
#include "shapedform.h"
#include "test_form.h"
#include "ui_support.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
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

// Each window takes the outline of its picture when it loads, and a press on its background
// moves it.
TEST_F(Windows, EachWindowIsShapedFromItsPictureAndDraggedByItsBackground) {
    TestForm host;
    ui::Texto txtPath{host, "txtPath"};
    host.Load();
    ui::FrmMain wizard;
    ui::FrmFolders folders{txtPath};
    ui::FrmDialog dialog;
    for (ui::Form* form : std::vector<ui::Form*>{&wizard, &folders, &dialog}) {
        SCOPED_TRACE(form->Caption());
        form->Show();
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(form->Hwnd(), shape), ERROR);
        HRGN expected = ui::RegionFromPicture(*form->Picture()).release();
        EXPECT_TRUE(EqualRgn(shape, expected));
        DeleteObject(shape);
        DeleteObject(expected);

        // Near the top left corner, inside the outline, lies only the picture.
        RECT before = WindowRect(form->Hwnd());
        DragFrom(form->Hwnd(), 12, 12, 30, 20);
        RECT after = WindowRect(form->Hwnd());
        EXPECT_EQ(after.left - before.left, 30);
        EXPECT_EQ(after.top - before.top, 20);
        form->Hide();
    }
}

// The captions of the wizard's labels and the texts of its buttons, by element name.
std::map<std::string, std::string> Texts(const ui::FrmMain& wizard) {
    std::map<std::string, std::string> texts;
    for (const ui::Element* element : wizard.Elements()) {
        if (const auto* label = dynamic_cast<const ui::Label*>(element)) {
            texts[element->Name()] = label->Caption();
        } else if (const auto* button = dynamic_cast<const ui::Boton*>(element)) {
            texts[element->Name()] = button->Text();
        }
    }
    return texts;
}

// Every text a section writes is written in the language chosen last, and no other; Back and
// Next are set, Close is set in sections 7 and 8 and keeps its state in sections 0-2. (Sections 5
// and 6 run the engine steps: the installation and end-to-end tests show them.)
TEST_F(Windows, EachSectionSetsItsButtonsAndItsTextsInTheLanguageChosenLast) {
    using Keys = std::map<std::string, std::string>; // element: language key
    struct Case {
        std::int16_t section;
        bool back;
        bool next;
        std::optional<bool> close; // none: unchanged
        Keys texts;
    };
    // clang-format off
    const std::vector<Case> cases = {
        // section Back   Next   Close  texts (element: language key)
        {0,        false, true,  {},    {{"lblTooltip", "tooltip_next"}, {"lblSeccion0", "section_0"}}},
        {1,        true,  true,  {},    {{"lblTooltip", "tooltip_next"}, {"lblSeccion1", "section_1"}, {"lblUpdateCheck", "update_check"}}},
        {2,        true,  true,  {},    {{"lblTooltip", "tooltip_next"}, {"lblSeccion2", "section_2"}, {"cmdRuta", "button_path"}}},
        {7,        false, false, true,  {{"lblSeccion7", "section_7"}, {"lblTooltip", "tooltip_finish"}, {"lblCreate1", "create_programs_link"}, {"lblCreate2", "create_desktop_link"}, {"lblCreate3", "create_quick_link"}, {"lblRun", "run_application"}, {"cmdSalir", "button_finish"}}},
        {8,        false, false, true,  {{"cmdSalir", "button_finish"}, {"lblSeccion8", "section_8"}, {"lblTooltip", "tooltip_finish"}}},
    };
    // clang-format on
    // A language whose every text is its key after `prefix`.
    auto language = [&cases](const std::string& prefix) {
        LanguageTexts.clear();
        for (const Case& c : cases) {
            for (const auto& [element, key] : c.texts) {
                LanguageTexts.push_back({key, prefix + key});
            }
        }
        LanguageTexts.push_back({});
    };
    ui::FrmMain wizard;
    wizard.Show();
    const std::vector<LanguageEntry> started = LanguageTexts;
    for (const Case& c : cases) {
        for (bool before : {false, true}) {
            // Every text any section writes stands in the first language, the buttons the other
            // way round from where the section puts them.
            language("first ");
            for (const Case& other : cases) {
                wizard.DibujarSeccion(other.section);
            }
            wizard.cmdAnterior.SetEnabled(!c.back);
            wizard.cmdSiguiente.SetEnabled(!c.next);
            wizard.cmdSalir.SetEnabled(c.close.has_value() ? !*c.close : before);
            const std::map<std::string, std::string> earlier = Texts(wizard);
            language("second ");

            wizard.DibujarSeccion(c.section);

            EXPECT_EQ(SeccionActual, c.section);
            EXPECT_EQ(wizard.cmdAnterior.Enabled(), c.back) << c.section;
            EXPECT_EQ(wizard.cmdSiguiente.Enabled(), c.next) << c.section;
            EXPECT_EQ(wizard.cmdSalir.Enabled(), c.close.value_or(before)) << c.section;
            Keys written;
            for (const auto& [element, text] : Texts(wizard)) {
                if (text != earlier.at(element)) {
                    written[element] = text;
                }
            }
            Keys expected;
            for (const auto& [element, key] : c.texts) {
                expected[element] = "second " + key;
            }
            EXPECT_EQ(written, expected) << c.section;
        }
    }
    LanguageTexts = started;
}

} // namespace
} // namespace instalio::test
