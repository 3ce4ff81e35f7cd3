// The image combo box on a form under the real window system: mouse clicks on its strip and on
// the entries of its list, keys in the open list, and what a host sees through its members.
#include "imagecombo.h"
#include "support.h"
#include "test_form.h"
#include "texto.h"
#include "ui_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace instalio::test {
namespace {

using Log = std::vector<std::string>;

constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kCaptionBack = RGB(0xCF, 0xCF, 0xCF);

// Points of the closed strip, in pixels of the control's window (2655 twips wide): the left cap,
// the icon, the caption and the drop arrow.
constexpr POINT kLeftCap = {2, 8};
constexpr POINT kIcon = {11, 8};
constexpr POINT kCaption = {80, 8};
constexpr POINT kArrow = {168, 8};
// The icon's left edge (115 twips) and a pixel of each half of it.
constexpr int kIconLeft = 8;
constexpr POINT kIconColour = {kIconLeft + 3, 8};
constexpr POINT kIconMask = {kIconLeft + 12, 8};

// A 16 x 16 image: the left half `colour`, the right half magenta (the mask colour).
ui::PicturePtr Flag(COLORREF colour) {
    return MakePicture(16, 16, colour,
                       [](int x, int, COLORREF c) { return x < 8 ? c : RGB(255, 0, 255); });
}

// Three lines that every selection writes into the log, in this order.
Log Selected(const std::string& index) {
    return {"notify Text", "IndexChanged " + index, "notify SelectedIndex"};
}

class ImageComboTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CommonControlsRegistered());
        form.SetPicture(MakePicture(400, 300, RGB(238, 238, 238)));
        form.Move(0, 0, ui::Twips(400), ui::Twips(300));
        // clang-format off
        form.rows = {
            {"cmbTest", "", 150, 150, 2655, 255, {}},
            {"txtOther", "", 150, 3000, 2400, 255, {}},
            {"cmbStored", "", 150, 3750, 2655, 255, {.Properties = {{"text", "       Hola"}, {"ENABLED", "0"}, {"selectedindex", "2"}}}},
        };
        // clang-format on
        cmbTest.IndexChanged = [this] { log.push_back("IndexChanged " + cmbTest.SelectedIndex()); };
        cmbTest.PropertyChangedNotify = [this](const std::string& key) {
            log.push_back("notify " + key);
        };
        cmbStored.IndexChanged = [this] { log.push_back("cmbStored.IndexChanged"); };
        form.Show();

        // As the language list is filled: the pictures of another image list, then the entries.
        ocx::ImageList flags;
        for (COLORREF colour : {kRed, kGreen, kBlue}) {
            flags.Add(Flag(colour)->Bitmap());
        }
        cmbTest.SetImageList(flags);
        cmbTest.AddItem("Uno", 1, 1);
        cmbTest.AddItem("Dos", 2, 2);
        cmbTest.AddItem("Tres", 3, 3);
    }

    void ClickStrip(POINT at) { MouseClick(ScreenPoint(cmbTest.Hwnd(), at.x, at.y)); }
    // A click on the text of the entry at `position` (from 1) of the open list.
    void ClickEntry(int position) {
        RECT text{};
        ListView_GetItemRect(cmbTest.Lista->Hwnd(), position - 1, &text, LVIR_LABEL);
        MouseClick(ScreenCentre(cmbTest.Lista->Hwnd(), text));
    }
    // A pixel of the control as it is on the screen.
    COLORREF PixelAt(POINT at) {
        Pump();
        return ScreenPicture::Capture(WindowRect(cmbTest.Hwnd())).At(at.x, at.y);
    }
    Log Taken() {
        Log taken;
        taken.swap(log);
        return taken;
    }
    bool Highlighted(int position) const {
        return ListView_GetItemState(cmbTest.Lista->Hwnd(), position - 1, LVIS_SELECTED) != 0;
    }

    TestForm form;
    ui::ImageCombo cmbTest{form, "cmbTest"};
    ui::Texto txtOther{form, "txtOther"};
    ui::ImageCombo cmbStored{form, "cmbStored"};
    Log log;
};

TEST_F(ImageComboTest, SelectedIndexWritesCaptionAndExtractedIconEveryTime) {
    cmbTest.SetSelectedIndex("1");
    EXPECT_EQ(Taken(), Selected("1"));
    EXPECT_EQ(cmbTest.Text(), "       Dos") << "seven blanks for the icon to lie over";
    const ui::PicturePtr first = cmbTest.Icono.Picture();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->Icon(), nullptr) << "an icon made from the image";
    EXPECT_EQ(cmbTest.Icono.Width(), 240);
    EXPECT_EQ(PixelAt(kIconColour), kGreen);
    EXPECT_EQ(PixelAt(kIconMask), kCaptionBack) << "transparent where the image is magenta";

    // The same index again is written, raised and notified again, with a new icon.
    cmbTest.SetSelectedIndex("1");
    EXPECT_EQ(Taken(), Selected("1"));
    EXPECT_NE(cmbTest.Icono.Picture(), first);

    // Minus one: the caption empties, the last icon stays.
    const ui::PicturePtr kept = cmbTest.Icono.Picture();
    cmbTest.SetSelectedIndex("-1");
    EXPECT_EQ(Taken(), Selected("-1"));
    EXPECT_EQ(cmbTest.Text(), "");
    EXPECT_EQ(cmbTest.SelectedIndex(), "-1");
    EXPECT_EQ(cmbTest.Icono.Picture(), kept);
    EXPECT_EQ(PixelAt(kIconColour), kGreen);
}

TEST_F(ImageComboTest, MouseChoiceShowsTheImageItselfAndClosesTheList) {
    ClickStrip(kArrow);
    ASSERT_TRUE(cmbTest.ListOpen());
    EXPECT_EQ(cmbTest.Height(), 2300);
    EXPECT_TRUE(cmbTest.Borde2.Visible());
    EXPECT_EQ(GetFocus(), cmbTest.Lista->Hwnd());
    EXPECT_TRUE(Taken().empty()) << "opening selects nothing";

    ClickEntry(3);
    EXPECT_EQ(Taken(), Selected("2")) << "the caption is then set again without a notification";
    EXPECT_FALSE(cmbTest.ListOpen());
    EXPECT_EQ(cmbTest.Height(), 255);
    EXPECT_FALSE(cmbTest.Borde2.Visible());
    EXPECT_EQ(cmbTest.Text(), "       Tres");
    ui::PicturePtr shown = cmbTest.Icono.Picture();
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(shown->Bitmap(), nullptr) << "the image's own picture";
    EXPECT_EQ(shown->Icon(), nullptr);
    EXPECT_EQ(PixelAt(kIconColour), kBlue);

    // The same entry chosen through SelectedIndex: an icon made from the image again.
    cmbTest.SetSelectedIndex("2");
    EXPECT_NE(cmbTest.Icono.Picture()->Icon(), nullptr);
    EXPECT_EQ(PixelAt(kIconColour), kBlue);
}

TEST_F(ImageComboTest, UpAndDownSelectEntryAfterEntryAndKeepTheListOpen) {
    ClickStrip(kArrow);
    ClickEntry(1);
    ClickStrip(kArrow);
    ASSERT_TRUE(cmbTest.ListOpen());
    Taken();

    // Each arrow key raises IndexChanged once; the list stays open.
    KeyPress(VK_DOWN);
    EXPECT_EQ(Taken(), Selected("1"));
    KeyPress(VK_DOWN);
    EXPECT_EQ(Taken(), Selected("2"));
    KeyPress(VK_UP);
    EXPECT_EQ(Taken(), Selected("1"));
    EXPECT_TRUE(cmbTest.ListOpen());
    EXPECT_EQ(cmbTest.Text(), "       Dos");
    EXPECT_NE(cmbTest.Icono.Picture()->Bitmap(), nullptr) << "the image itself, as for a click";
    EXPECT_EQ(PixelAt(kIconColour), kGreen);

    // Enter and Escape do nothing to the list; Home moves the highlight and selects nothing.
    KeyPress(VK_RETURN);
    KeyPress(VK_ESCAPE);
    KeyPress(VK_HOME);
    EXPECT_TRUE(Taken().empty());
    EXPECT_TRUE(cmbTest.ListOpen());
    EXPECT_TRUE(Highlighted(1));
    EXPECT_EQ(cmbTest.SelectedIndex(), "1");
    EXPECT_EQ(cmbTest.Text(), "       Dos");
    KeyPress(VK_DOWN);
    EXPECT_EQ(Taken(), Selected("1"));
    EXPECT_TRUE(cmbTest.ListOpen());
}

TEST_F(ImageComboTest, EachStripClickTurnsTheListOverWithoutSelecting) {
    cmbTest.SetSelectedIndex("1");
    Taken();
    struct Case {
        const char* part;
        POINT at;
        bool enabled;
        bool opens;
    };
    // Enabled False disables only the caption: the other parts still open and close the list.
    const Case cases[] = {
        {"arrow", kArrow, true, true},       {"icon", kIcon, true, true},
        {"left cap", kLeftCap, true, true},  {"caption", kCaption, true, true},
        {"arrow", kArrow, false, true},      {"icon", kIcon, false, true},
        {"left cap", kLeftCap, false, true}, {"caption", kCaption, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.part) + (c.enabled ? ", enabled" : ", disabled"));
        cmbTest.SetEnabled(c.enabled);
        EXPECT_EQ(cmbTest.Enabled(), c.enabled);
        EXPECT_EQ(Taken(), Log{"notify Enabled"});
        ClickStrip(c.at);
        EXPECT_EQ(cmbTest.ListOpen(), c.opens);
        EXPECT_EQ(cmbTest.Height(), c.opens ? 2300 : 255);
        ClickStrip(c.at);
        EXPECT_FALSE(cmbTest.ListOpen());
        EXPECT_EQ(cmbTest.Height(), 255);
        EXPECT_TRUE(Taken().empty());
        EXPECT_EQ(cmbTest.SelectedIndex(), "1");
        EXPECT_EQ(cmbTest.Text(), "       Dos");
    }
}

TEST_F(ImageComboTest, LayoutFollowsTheWidthAndTheClosedHeightIs255) {
    cmbTest.SetHeight(1200);
    EXPECT_EQ(cmbTest.Height(), 255);
    cmbTest.SetWidth(3000);
    EXPECT_EQ(cmbTest.Height(), 255);
    EXPECT_EQ(cmbTest.Boton.Left(), 3000 - 255);
    EXPECT_EQ(cmbTest.Borde1.Width(), 3000 - 240);
    EXPECT_EQ(cmbTest.lblTexto.Width(), 3000 - 330);

    ClickStrip({ui::Px(3000 - 255) + 8, 8});
    ASSERT_TRUE(cmbTest.ListOpen());
    EXPECT_EQ(cmbTest.Borde2.Left(), 45);
    EXPECT_EQ(cmbTest.Borde2.Top(), 240);
    EXPECT_EQ(cmbTest.Borde2.Width(), 3000 - 285);
    EXPECT_EQ(cmbTest.Borde2.Height(), 2300 - 240);
    RECT list = WindowRect(cmbTest.Lista->Hwnd());
    MapWindowPoints(nullptr, cmbTest.Hwnd(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(list.left, ui::Px(60));
    EXPECT_EQ(list.top, ui::Px(255));
    EXPECT_EQ(list.right - list.left, ui::Px(3000 - 315));
    EXPECT_EQ(list.bottom - list.top, ui::Px(2030)) << "the list keeps its own height";
}

TEST_F(ImageComboTest, ImageListsAreCopiedAndEntriesKeepTheirIconNumbers) {
    ocx::ImageList empty;
    cmbTest.SetImageList(empty);
    EXPECT_EQ(cmbTest.ListaImagenes->Count(), 0);
    EXPECT_EQ(cmbTest.Lista->Item(3).Icon, 3);
    // Selecting an entry then fails at its icon, after the caption was written.
    EXPECT_EQ(FailureNumber([&] { cmbTest.SetSelectedIndex("2"); }), 35600);
    EXPECT_EQ(Taken(), Log{"notify Text"});

    {
        ocx::ImageList flags;
        for (COLORREF colour : {kBlue, kGreen, kRed}) {
            flags.Add(Flag(colour)->Bitmap());
        }
        cmbTest.SetImageList(flags);
    } // the copies outlive the list they came from
    EXPECT_EQ(cmbTest.ListaImagenes->Count(), 3);
    cmbTest.SetSelectedIndex("0");
    EXPECT_EQ(PixelAt(kIconColour), kBlue);
    cmbTest.SetSelectedIndex("2");
    EXPECT_EQ(PixelAt(kIconColour), kRed);
}

TEST_F(ImageComboTest, SelectedIndexReadsNumbersAsTheFormSystemDoes) {
    struct Case {
        const char* given;
        const char* index;
        const char* caption;
    };
    const Case cases[] = {
        {"&H2", "2", "       Tres"}, {" +1 ", "1", "       Dos"},
        {"0.5", "0", "       Uno"}, // half to even
        {"1.5", "2", "       Tres"}, {"&O1", "1", "       Dos"},
        {"&HFFFF", "-1", ""}, // the 16-bit pattern of -1: nothing selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        Taken();
        cmbTest.SetSelectedIndex(c.given);
        EXPECT_EQ(cmbTest.SelectedIndex(), c.index);
        EXPECT_EQ(cmbTest.Text(), c.caption);
        EXPECT_EQ(Taken(), Selected(c.index));
    }
}

TEST_F(ImageComboTest, FailuresLeaveCaptionIconAndEntries) {
    struct Case {
        const char* call;
        std::function<void()> run;
        std::int32_t number;
        const char* indexAfter;
    };
    const Case cases[] = {
        {"SelectedIndex \"two\"", [&] { cmbTest.SetSelectedIndex("two"); }, 13, "1"},
        {"SelectedIndex \"\"", [&] { cmbTest.SetSelectedIndex(""); }, 13, "1"},
        {"SelectedIndex \"40000\"", [&] { cmbTest.SetSelectedIndex("40000"); }, 6, "1"},
        {"SelectedIndex \"-32769\"", [&] { cmbTest.SetSelectedIndex("-32769"); }, 6, "1"},
        {"SelectedIndex \"0x2\"", [&] { cmbTest.SetSelectedIndex("0x2"); }, 13, "1"},
        {"SelectedIndex \"inf\"", [&] { cmbTest.SetSelectedIndex("inf"); }, 13, "1"},
        {"SelectedIndex \"1e0\"", [&] { cmbTest.SetSelectedIndex("1e0"); }, 13, "1"},
        {"SelectedIndex \"&H10000\"", [&] { cmbTest.SetSelectedIndex("&H10000"); }, 6, "1"},
        // Past the entries: the index is taken before the list fails.
        {"SelectedIndex \"3\"", [&] { cmbTest.SetSelectedIndex("3"); }, 35600, "3"},
        {"AddItem at 5", [&] { cmbTest.AddItem("Cinco", 5, 1); }, 35600, "1"},
        {"DeleteItem 4", [&] { cmbTest.DeleteItem(4); }, 35600, "1"},
        {"DeleteItem 0", [&] { cmbTest.DeleteItem(0); }, 35600, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        cmbTest.SetSelectedIndex("1");
        const ui::PicturePtr icon = cmbTest.Icono.Picture();
        Taken();
        EXPECT_EQ(FailureNumber(c.run), c.number);
        EXPECT_TRUE(Taken().empty()) << "no IndexChanged, nothing notified";
        EXPECT_EQ(cmbTest.SelectedIndex(), c.indexAfter);
        EXPECT_EQ(cmbTest.Text(), "       Dos");
        EXPECT_EQ(cmbTest.Icono.Picture(), icon);
        EXPECT_EQ(cmbTest.Lista->Count(), 3);
    }

    // Positions count from 1 and run to one past the last entry.
    cmbTest.AddItem("Cuatro", 4, 1);
    cmbTest.DeleteItem(1);
    ASSERT_EQ(cmbTest.Lista->Count(), 3);
    EXPECT_EQ(cmbTest.Lista->Item(1).Text, "Dos");
    EXPECT_EQ(cmbTest.Lista->Item(3).Text, "Cuatro");
    cmbTest.SetSelectedIndex("2");
    EXPECT_EQ(cmbTest.Text(), "       Cuatro");
    EXPECT_EQ(PixelAt(kIconColour), kRed);
}

TEST_F(ImageComboTest, PropertiesFromTheBagAndBack) {
    // Read: keys without regard to case, and no IndexChanged, no icon.
    EXPECT_EQ(cmbStored.Text(), "       Hola");
    EXPECT_FALSE(cmbStored.Enabled());
    EXPECT_EQ(cmbStored.SelectedIndex(), "2");
    EXPECT_EQ(cmbStored.Icono.Picture(), nullptr);
    EXPECT_TRUE(Taken().empty());
    ui::PropertyBag stored = cmbStored.SaveProperties();
    EXPECT_EQ(stored.Entries().size(), 3u);
    EXPECT_EQ(stored.ReadString("Text", ""), "       Hola");
    EXPECT_FALSE(stored.ReadBool("Enabled", true));
    EXPECT_EQ(stored.ReadLong("SelectedIndex", -1), 2);

    // A bag without the keys: empty text, enabled, nothing selected; nothing is written back.
    EXPECT_EQ(cmbTest.Text(), "");
    EXPECT_TRUE(cmbTest.Enabled());
    EXPECT_EQ(cmbTest.SelectedIndex(), "-1");
    EXPECT_TRUE(cmbTest.SaveProperties().Entries().empty());
    cmbTest.SetSelectedIndex("0");
    ui::PropertyBag saved = cmbTest.SaveProperties();
    EXPECT_EQ(saved.ReadString("SelectedIndex", ""), "0");
    EXPECT_EQ(saved.ReadString("Text", ""), "       Uno");
    EXPECT_FALSE(saved.Contains("Enabled"));
}

TEST_F(ImageComboTest, ListClosesWhenTheFocusLeaves) {
    cmbTest.SetSelectedIndex("1");
    Taken();
    ClickStrip(kArrow);
    ASSERT_TRUE(cmbTest.ListOpen());
    MouseClick(ScreenPoint(txtOther.Hwnd(), 20, 8));
    EXPECT_FALSE(cmbTest.ListOpen());
    EXPECT_EQ(cmbTest.Height(), 255);
    EXPECT_FALSE(cmbTest.Borde2.Visible());
    EXPECT_TRUE(Taken().empty());
    EXPECT_EQ(cmbTest.SelectedIndex(), "1");
}

} // namespace
} // namespace instalio::test
