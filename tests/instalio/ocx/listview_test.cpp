// The list view of the common controls library, driven by real mouse and key messages to the
// native list: the order of its events, and its items.
#include "imagelist.h"
#include "listview.h"

#include "controls_support.h"
#include "failure.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

const char* const kLanguages[] = {"English", "Espa\361ol", "Portugu\352s", "Italiano",
                                  "Fran\347ais"};

class ListViewEvents : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 5; ++i) {
            list.Add(i + 1, kLanguages[i], i + 1);
        }
        list.Click = [this] { log.emplace_back("Click"); };
        list.KeyDown = [this](std::int16_t& KeyCode, std::int16_t& Shift) {
            log.push_back("KeyDown(" + std::to_string(KeyCode) + "," + std::to_string(Shift) + ")");
        };
        list.ItemClick = [this](const ocx::ListItem& Item) {
            log.push_back("ItemClick(" + std::to_string(Item.Index) + "," + Item.Text + "," +
                          std::to_string(Item.Icon) + ")");
        };
        list.SetFocus();
        Pump();
        log.clear();
    }

    // The middle of item `index` (from 1).
    POINT ItemPoint(int index) const {
        RECT bounds = {};
        bounds.left = LVIR_BOUNDS;
        SendMessageA(list.Hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(index - 1),
                     reinterpret_cast<LPARAM>(&bounds));
        return {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    }
    // The selected item (from 1); 0 when none.
    int Selected() const {
        return static_cast<int>(SendMessageA(list.Hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                             LVNI_SELECTED)) +
               1;
    }
    std::vector<std::string> Taken() {
        std::vector<std::string> taken;
        taken.swap(log);
        return taken;
    }
    static std::string Item(int index) {
        return "ItemClick(" + std::to_string(index) + "," + kLanguages[index - 1] + "," +
               std::to_string(index) + ")";
    }

    TestWindow window;
    ocx::ListView list{window.hwnd(), {10, 10, 210, 200}};
    std::vector<std::string> log;
};

TEST_F(ListViewEvents, AMouseClickRaisesClickThenItemClickAlsoOnTheSelectedItem) {
    Click(list.Hwnd(), ItemPoint(2));
    EXPECT_EQ(Taken(), (std::vector<std::string>{"Click", Item(2)}));
    EXPECT_EQ(Selected(), 2);

    Click(list.Hwnd(), ItemPoint(2));
    EXPECT_EQ(Taken(), (std::vector<std::string>{"Click", Item(2)}));

    Click(list.Hwnd(), ItemPoint(4));
    EXPECT_EQ(Taken(), (std::vector<std::string>{"Click", Item(4)}));
    EXPECT_EQ(Selected(), 4);

    // Below the last item: a click on the list, on no item.
    Click(list.Hwnd(), {20, 190});
    std::vector<std::string> taken = Taken();
    ASSERT_FALSE(taken.empty());
    EXPECT_EQ(taken, std::vector<std::string>{"Click"});
}

TEST_F(ListViewEvents, AKeyRaisesKeyDownThenItemClickOfTheItemItSelects) {
    Click(list.Hwnd(), ItemPoint(2));
    Taken();
    struct Case {
        WORD key;
        int selected;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {VK_DOWN, 3, {"KeyDown(40,0)", Item(3)}},
        {VK_DOWN, 4, {"KeyDown(40,0)", Item(4)}},
        {VK_UP, 3, {"KeyDown(38,0)", Item(3)}},
        {VK_HOME, 1, {"KeyDown(36,0)", Item(1)}},
        {VK_UP, 1, {"KeyDown(38,0)"}}, // at the top already
        {VK_END, 5, {"KeyDown(35,0)", Item(5)}},
        {VK_PRIOR, 1, {"KeyDown(33,0)", Item(1)}},
        {VK_RETURN, 1, {"KeyDown(13,0)"}},
        {VK_ESCAPE, 1, {"KeyDown(27,0)"}},
    };
    for (const Case& c : cases) {
        Press(list.Hwnd(), c.key);
        EXPECT_EQ(Taken(), c.log) << "key " << c.key;
        EXPECT_EQ(Selected(), c.selected) << "key " << c.key;
    }
}

// The same orders when the input comes through the window system.
TEST_F(ListViewEvents, InputFromTheWindowSystemGivesTheSameOrder) {
    ASSERT_EQ(GetForegroundWindow(), window.hwnd());
    InputClick(list.Hwnd(), ItemPoint(3));
    EXPECT_EQ(Taken(), (std::vector<std::string>{"Click", Item(3)}));
    InputPress(VK_DOWN);
    EXPECT_EQ(Taken(), (std::vector<std::string>{"KeyDown(40,0)", Item(4)}));
    InputClick(list.Hwnd(), ItemPoint(1));
    EXPECT_EQ(Taken(), (std::vector<std::string>{"Click", Item(1)}));
    EXPECT_EQ(Selected(), 1);
}

TEST_F(ListViewEvents, AKeyDownHandlerThatClearsTheKeyCodeKeepsTheKeyFromTheList) {
    Click(list.Hwnd(), ItemPoint(2));
    list.KeyDown = [this](std::int16_t& KeyCode, std::int16_t&) {
        log.push_back("KeyDown(" + std::to_string(KeyCode) + ")");
        KeyCode = 0;
    };
    Taken();
    Press(list.Hwnd(), VK_DOWN);
    EXPECT_EQ(Taken(), std::vector<std::string>{"KeyDown(40)"});
    EXPECT_EQ(Selected(), 2);
}

TEST_F(ListViewEvents, ChangesMadeThroughTheInterfaceRaiseNothing) {
    Click(list.Hwnd(), ItemPoint(2));
    Taken();
    list.Remove(2);
    list.Add(1, "first", 0);
    list.Remove(1);
    EXPECT_TRUE(Taken().empty());
}

TEST(ListView, ItemsCountFromOneAndAnIndexOutOfRangeFails) {
    TestWindow window;
    ocx::ListView list(window.hwnd(), {0, 0, 200, 200});
    list.Add(1, "b", 2);
    list.Add(1, "a", 1);
    list.Add(3, "d", 4);
    list.Add(3, "c", 3);
    list.Add(5, std::string(300, 'e'), 0); // longer than the first read of a text
    ASSERT_EQ(list.Count(), 5);
    for (int i = 1; i <= 4; ++i) {
        ocx::ListItem item = list.Item(i);
        EXPECT_EQ(item.Index, i);
        EXPECT_EQ(item.Text, std::string(1, static_cast<char>('a' + i - 1)));
        EXPECT_EQ(item.Icon, i);
    }
    EXPECT_EQ(list.Item(5).Text, std::string(300, 'e'));
    list.Remove(2);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Item(2).Text, "c");

    const std::function<void()> outOfBounds[] = {
        [&] { list.Add(0, "x", 1); }, [&] { list.Add(6, "x", 1); }, [&] { list.Remove(0); },
        [&] { list.Remove(5); },      [&] { list.Item(5); },        [&] { list.Item(-1); },
    };
    for (const auto& call : outOfBounds) {
        try {
            call();
            ADD_FAILURE() << "no failure";
        } catch (const RunTimeFailure& failure) {
            EXPECT_EQ(failure.number, 35600);
            EXPECT_EQ(failure.description, "Index out of bounds");
        }
    }
    EXPECT_EQ(list.Count(), 4);
}

TEST(ListView, ColoursCursorAndImages) {
    TestWindow window;
    ocx::ListView list(window.hwnd(), {0, 0, 200, 200});
    list.SetColours(RGB(0xCF, 0xCF, 0xCF), RGB(1, 2, 3));
    EXPECT_EQ(SendMessageA(list.Hwnd(), LVM_GETBKCOLOR, 0, 0), RGB(0xCF, 0xCF, 0xCF));
    EXPECT_EQ(SendMessageA(list.Hwnd(), LVM_GETTEXTCOLOR, 0, 0), RGB(1, 2, 3));

    HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)); // IDC_HAND
    list.SetCursor(hand);
    SendMessageA(list.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(list.Hwnd()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), hand);

    // An image list that goes first is taken away from the list, which goes on working.
    auto images = std::make_unique<ocx::ImageList>();
    list.SetImageList(images.get());
    EXPECT_NE(SendMessageA(list.Hwnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
    images.reset();
    EXPECT_EQ(SendMessageA(list.Hwnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
    list.Add(1, "still", 1);
    UpdateWindow(list.Hwnd());
    EXPECT_EQ(list.Count(), 1);
}

TEST(ListView, AListWhoseWindowWentWithItsParentFailsClearly) {
    auto window = std::make_unique<TestWindow>();
    ocx::ListView list(window->hwnd(), {0, 0, 100, 100});
    list.Add(1, "a", 0);
    window.reset();
    EXPECT_EQ(list.Hwnd(), nullptr);
    EXPECT_EQ(FailureNumber([&] { list.Add(1, "b", 0); }), ERROR_INVALID_WINDOW_HANDLE);
}

} // namespace
