// The folder tree on a form under the real window system, over the prefix's drives and a folder
// tree the test makes on C:, driven by clicks on its nodes and expand buttons and by keys. What
// Wine cannot present (labelled drives, a drive without a medium, a folder that cannot be
// listed) comes through the replaceable listing.
#include "failure.h"
#include "folderlisting.h"
#include "reported_failures.h"
#include "support.h"
#include "test_form.h"
#include "treefolder.h"
#include "ui_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace instalio::test {
namespace {

const std::string kScratch = "C:\\InstalioTreeTest";

// What the native tree shows of a node.
struct Shown {
    std::string text;
    int picture = 0; // image number from 1; 0 = none
    bool expanded = false;
    int children = 0;
    bool operator==(const Shown&) const = default;
};
void PrintTo(const Shown& shown, std::ostream* out) {
    *out << "{\"" << shown.text << "\", " << shown.picture << (shown.expanded ? ", open, " : ", ")
         << shown.children << " children}";
}
const Shown kPlaceholder = {"", 0, false, 0};

// The replaced listing: fixed answers by text, the calls it took, and one folder that fails
// with a run-time failure of its number, or with what `fail` throws.
struct FakeListing {
    std::vector<std::string> drives;
    std::map<std::string, UINT> types;
    std::vector<std::string> typesAsked;
    std::map<std::string, std::vector<std::string>> folders; // others go to the platform
    std::string failing;
    std::int32_t failure = 0;
    std::function<void()> fail;
};
FakeListing fake;

std::vector<std::string> FakeDrives() {
    return fake.drives;
}
UINT FakeDriveType(const std::string& entry) {
    fake.typesAsked.push_back(entry);
    auto found = fake.types.find(entry);
    return found != fake.types.end() ? found->second : DRIVE_UNKNOWN;
}
std::vector<std::string> FakeSubFolders(const std::string& folder) {
    if (folder == fake.failing) {
        if (fake.fail) {
            fake.fail();
        }
        throw RunTimeFailure{fake.failure, "listing failed"};
    }
    auto found = fake.folders.find(folder);
    return found != fake.folders.end() ? found->second : ui::PlatformListing().SubFolders(folder);
}

void MakeFolder(const std::string& path) {
    std::filesystem::create_directories(path);
}

// The text of an item of a native tree.
std::string TextOf(HWND tree, HTREEITEM item) {
    char buffer[MAX_PATH] = {};
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = sizeof buffer;
    TreeView_GetItem(tree, &data);
    return buffer;
}

// The texts from the top level down to the selected node; empty when none is selected.
std::vector<std::string> SelectedPath(HWND tree) {
    std::vector<std::string> path;
    for (HTREEITEM item = TreeView_GetSelection(tree); item != nullptr;
         item = TreeView_GetParent(tree, item)) {
        path.insert(path.begin(), TextOf(tree, item));
    }
    return path;
}

class TreeFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CommonControlsRegistered());
        fake = {};
        std::filesystem::remove_all(kScratch);
        MakeFolder(kScratch + "\\Alpha\\Inner");
        MakeFolder(kScratch + "\\Beta");
        MakeFolder(kScratch + "\\gamma\\Deep");
    }
    void TearDown() override {
        ui::Listing = ui::PlatformListing();
        std::error_code ignored;
        std::filesystem::remove_all(kScratch, ignored);
    }

    // Shows `tree` on `form`, large enough for every node the tests open.
    static void Load(TestForm& form) {
        form.SetPicture(MakePicture(480, 600, RGB(238, 238, 238)));
        form.Move(0, 0, ui::Twips(480), ui::Twips(600));
        form.rows = {{"TreeFolder1", "", 150, 150, 6600, 8400, {}}};
        form.Show();
    }
    void Load() { Load(form); }

    HWND Native() const { return TreeFolder1.TreeView1->Hwnd(); }
    std::string TextOf(HTREEITEM item) const { return test::TextOf(Native(), item); }
    // The native item reached from the top level through the node texts of `path`.
    HTREEITEM ItemAt(const std::vector<std::string>& path) const {
        HTREEITEM item = nullptr;
        HTREEITEM child = TreeView_GetRoot(Native());
        for (const std::string& text : path) {
            while (child != nullptr && TextOf(child) != text) {
                child = TreeView_GetNextSibling(Native(), child);
            }
            if (child == nullptr) {
                ADD_FAILURE() << "no node \"" << text << "\" shown";
                return nullptr;
            }
            item = child;
            child = TreeView_GetChild(Native(), item);
        }
        return item;
    }
    Shown ShownOf(HTREEITEM item) const {
        TVITEMA data = {};
        data.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_STATE;
        data.hItem = item;
        data.stateMask = TVIS_EXPANDED;
        TreeView_GetItem(Native(), &data);
        int children = 0;
        for (HTREEITEM c = TreeView_GetChild(Native(), item); c != nullptr;
             c = TreeView_GetNextSibling(Native(), c)) {
            ++children;
        }
        const int picture = data.iImage >= 0 ? data.iImage + 1 : 0;
        return {TextOf(item), picture, (data.state & TVIS_EXPANDED) != 0, children};
    }
    Shown ShownAt(const std::vector<std::string>& path) const { return ShownOf(ItemAt(path)); }
    // The nodes shown below the node at `path` (the top level for an empty path).
    std::vector<Shown> ChildrenAt(const std::vector<std::string>& path) const {
        std::vector<Shown> shown;
        HTREEITEM child =
            path.empty() ? TreeView_GetRoot(Native()) : TreeView_GetChild(Native(), ItemAt(path));
        for (; child != nullptr; child = TreeView_GetNextSibling(Native(), child)) {
            shown.push_back(ShownOf(child));
        }
        return shown;
    }
    // A user's click on the text of the node at `path`, scrolled into view first.
    void ClickText(const std::vector<std::string>& path) {
        HTREEITEM item = ItemAt(path);
        TreeView_EnsureVisible(Native(), item);
        RECT text{};
        TreeView_GetItemRect(Native(), item, &text, TRUE);
        // Pressed and released at once: the tree watches for a drag until the button comes up.
        MouseMove(ScreenCentre(Native(), text));
        SendMouseButton(true);
        SendMouseButton(false);
        Pump(100);
    }
    // A user's click on the expand button of the node at `path`.
    void ClickButton(const std::vector<std::string>& path) {
        HTREEITEM item = ItemAt(path);
        TreeView_EnsureVisible(Native(), item);
        RECT text{};
        TreeView_GetItemRect(Native(), item, &text, TRUE);
        const int y = (text.top + text.bottom) / 2;
        for (int x = 0; x < text.left; ++x) {
            TVHITTESTINFO hit = {};
            hit.pt = {x, y};
            if (TreeView_HitTest(Native(), &hit) == item && (hit.flags & TVHT_ONITEMBUTTON) != 0) {
                MouseClick(ScreenPoint(Native(), x + 1, y));
                return;
            }
        }
        ADD_FAILURE() << path.back() << " shows no expand button";
    }

    // The drive node's text (a label may follow the letter) and the path to the scratch folder.
    std::string Drive() const { return TreeFolder1.TreeView1->Node("C:").Text(); }
    std::vector<std::string> Scratch() const { return {Drive(), "InstalioTreeTest"}; }
    std::vector<std::string> Below(const std::string& name) const {
        std::vector<std::string> path = Scratch();
        path.push_back(name);
        return path;
    }

    TestForm form;
    ui::TreeFolder TreeFolder1{form, "TreeFolder1"};
};

TEST_F(TreeFolderTest, DrivesComeAsTheListShowsThemEachWithAPlaceholder) {
    // The type is asked with the entry text exactly: a labelled entry is no root path, so the
    // platform answers 1 for it, and it gets the hard disk like a fixed drive.
    fake.drives = {"a:", "c: [System]", "d:", "e:", "r:", "x:"};
    fake.types = {{"a:", DRIVE_REMOVABLE}, {"c: [System]", DRIVE_NO_ROOT_DIR},
                  {"d:", DRIVE_CDROM},     {"e:", DRIVE_FIXED},
                  {"r:", DRIVE_REMOTE},    {"x:", DRIVE_UNKNOWN}};
    ui::Listing.Drives = FakeDrives;
    ui::Listing.DriveType = FakeDriveType;
    Load();
    EXPECT_EQ(fake.typesAsked, fake.drives);
    EXPECT_EQ(ChildrenAt({}), (std::vector<Shown>{{"A:", 1, false, 1},
                                                  {"C: [System]", 2, false, 1},
                                                  {"D:", 3, false, 1},
                                                  {"E:", 2, false, 1},
                                                  {"R:", 3, false, 1},
                                                  {"X:", 3, false, 1}}));
    EXPECT_EQ(TreeFolder1.TreeView1->Node(3).Key(), "C:");
    EXPECT_EQ(TreeFolder1.TreeView1->Node("c:").Text(), "C: [System]");
    EXPECT_EQ(ChildrenAt({"C: [System]"}), std::vector<Shown>{kPlaceholder});
    EXPECT_EQ(TreeFolder1.Path(), "");
}

TEST_F(TreeFolderTest, TheRealDrivesIncludeTheFixedDriveC) {
    Load();
    const std::vector<std::string> entries = ui::PlatformListing().Drives();
    ASSERT_EQ(TreeFolder1.TreeView1->Count(), 2 * static_cast<std::int32_t>(entries.size()));
    const std::string text = Drive();
    EXPECT_EQ(text.substr(0, 2), "C:");
    EXPECT_EQ(ShownAt({text}), (Shown{text, 2, false, 1}));
}

TEST_F(TreeFolderTest, NodesAreReadFromTheDiskWhenTheyExpand) {
    Load();
    EXPECT_EQ(ChildrenAt({Drive()}), std::vector<Shown>{kPlaceholder});

    ClickButton({Drive()});
    EXPECT_TRUE(ShownAt({Drive()}).expanded);
    EXPECT_EQ(TreeFolder1.Path(), "C:");
    EXPECT_EQ(ShownAt(Scratch()), (Shown{"InstalioTreeTest", 4, false, 1}));
    EXPECT_EQ(ChildrenAt(Scratch()), std::vector<Shown>{kPlaceholder});

    ClickButton(Scratch());
    EXPECT_EQ(TreeFolder1.Path(), kScratch);
    // Sorted by name; only folders with sub-folders get a placeholder and the open picture.
    EXPECT_EQ(ChildrenAt(Scratch()),
              (std::vector<Shown>{
                  {"Alpha", 4, false, 1}, {"Beta", 4, false, 0}, {"gamma", 4, false, 1}}));
    // Keys are the full paths as the listing gives them, found without regard to case.
    ocx::TreeNode gamma = TreeFolder1.TreeView1->Node("c:\\instaliotreetest\\GAMMA");
    EXPECT_EQ(gamma.Key(), kScratch + "\\gamma");
    EXPECT_EQ(gamma.Text(), "gamma");

    ClickButton(Below("Alpha"));
    EXPECT_EQ(ShownAt(Below("Alpha")), (Shown{"Alpha", 5, true, 1}));
    EXPECT_EQ(ChildrenAt(Below("Alpha")), (std::vector<Shown>{{"Inner", 4, false, 0}}));
    EXPECT_EQ(TreeFolder1.TreeView1->Node(kScratch + "\\Alpha\\Inner").Text(), "Inner");

    // A click on a node makes it the current folder, without a final backslash.
    ClickText(Below("Beta"));
    EXPECT_EQ(TreeFolder1.Path(), kScratch + "\\Beta");
    ClickText({Drive()});
    EXPECT_EQ(TreeFolder1.Path(), "C:");
}

TEST_F(TreeFolderTest, CollapsingThrowsTheNodesAwaySoTheNextExpansionReadsAgain) {
    Load();
    ClickButton({Drive()});
    ClickButton(Scratch());
    ClickButton(Below("Alpha"));
    ClickButton(Scratch());
    EXPECT_EQ(ShownAt(Scratch()), (Shown{"InstalioTreeTest", 4, false, 1}));
    EXPECT_EQ(ChildrenAt(Scratch()), std::vector<Shown>{kPlaceholder});
    EXPECT_EQ(TreeFolder1.Path(), kScratch);
    EXPECT_EQ(FailureNumber([&] { TreeFolder1.TreeView1->Node(kScratch + "\\Alpha\\Inner"); }),
              35601);

    // Changed on the disk in between: the keys open it again.
    MakeFolder(kScratch + "\\Delta");
    std::filesystem::remove(kScratch + "\\Beta");
    ClickText({Drive()});
    ClickText(Scratch());
    KeyPress(VK_RIGHT);
    EXPECT_EQ(ChildrenAt(Scratch()),
              (std::vector<Shown>{
                  {"Alpha", 4, false, 1}, {"Delta", 4, false, 0}, {"gamma", 4, false, 1}}));
    EXPECT_EQ(TreeFolder1.Path(), kScratch);
    ClickText({Drive()});
    ClickText(Scratch());
    KeyPress(VK_LEFT);
    EXPECT_EQ(ChildrenAt(Scratch()), std::vector<Shown>{kPlaceholder});
}

TEST_F(TreeFolderTest, AFolderThatCannotBeListedEndsTheExpansionThere) {
    ReportedFailures reported;
    struct Case {
        const char* failure;
        std::function<void()> fail; // none: run-time failure 75
    };
    const Case cases[] = {
        {"path access error", {}},
        {"a C++ error", [] { throw std::runtime_error("listing broke"); }},
        {"no memory", [] { throw std::bad_alloc(); }},
        {"an unknown object", [] { throw 7; }},
    };
    ui::Listing.SubFolders = FakeSubFolders;
    Load();
    ClickButton({Drive()});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failure);
        fake.failing = kScratch + "\\Alpha\\";
        fake.failure = 75;
        fake.fail = c.fail;
        const std::string before = TreeFolder1.Path();
        ClickButton(Scratch());
        // Alpha is added, without its placeholder; Beta and gamma are not.
        EXPECT_EQ(ChildrenAt(Scratch()), (std::vector<Shown>{{"Alpha", 4, false, 0}}));
        EXPECT_EQ(TreeFolder1.Path(), before) << "the failed expansion sets no path";
        EXPECT_TRUE(reported.Taken().empty()) << "the expansion catches every failure itself";

        fake.failing.clear();
        ClickButton(Scratch());
        ClickButton(Scratch());
        EXPECT_EQ(ChildrenAt(Scratch()),
                  (std::vector<Shown>{
                      {"Alpha", 4, false, 1}, {"Beta", 4, false, 0}, {"gamma", 4, false, 1}}));
        ClickButton(Scratch()); // collapsed again for the next case
    }
}

TEST_F(TreeFolderTest, ADriveWithoutAMediumStaysCollapsedWithItsPlaceholder) {
    fake.drives = {"a:", "c:"};
    fake.types = {{"a:", DRIVE_REMOVABLE}, {"c:", DRIVE_FIXED}};
    fake.failing = "A:\\";
    fake.failure = 68;
    ui::Listing.Drives = FakeDrives;
    ui::Listing.DriveType = FakeDriveType;
    ui::Listing.SubFolders = FakeSubFolders;
    Load();
    ClickText({"C:"});
    ASSERT_EQ(TreeFolder1.Path(), "C:");

    ClickButton({"A:"});
    EXPECT_EQ(ShownAt({"A:"}), (Shown{"A:", 1, false, 1}));
    EXPECT_EQ(ChildrenAt({"A:"}), std::vector<Shown>{kPlaceholder});
    EXPECT_EQ(TreeFolder1.Path(), "C:");

    // With a medium that holds no folders, the drive expands to nothing.
    fake.failing.clear();
    fake.folders["A:\\"] = {};
    ClickButton({"A:"});
    EXPECT_EQ(ShownAt({"A:"}), (Shown{"A:", 1, false, 0}));
    EXPECT_EQ(TreeFolder1.Path(), "A:");
}

TEST_F(TreeFolderTest, PathWalksTheTreeDownToTheTarget) {
    struct Case {
        std::string given;
        bool throughLet; // the Path Let, or SetPath as it is
        std::string pathAfter;
        std::vector<std::string> selected; // node texts below the drive
    };
    // Each node the walk selects is expanded, and each expansion sets Path to its key; a node
    // without sub-folders (Inner) does not expand, so Path stays at the last one that did.
    const Case cases[] = {
        {kScratch + "\\Alpha\\Inner",
         true,
         kScratch + "\\Alpha",
         {"InstalioTreeTest", "Alpha", "Inner"}},
        {"c:\\INSTALIOTREETEST\\alpha\\",
         true,
         kScratch + "\\Alpha",
         {"InstalioTreeTest", "Alpha"}},
        {kScratch + "\\Missing\\Inner", true, kScratch, {"InstalioTreeTest"}},
        {"C:", true, "C:", {}},
        {kScratch + "\\Alpha", false, kScratch, {"InstalioTreeTest"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        TestForm host;
        ui::TreeFolder tree{host, "TreeFolder1"};
        Load(host);
        if (c.throughLet) {
            tree.Path(c.given);
        } else {
            tree.SetPath(c.given);
        }
        EXPECT_EQ(tree.Path(), c.pathAfter);
        HWND native = tree.TreeView1->Hwnd();
        std::vector<std::string> selected = SelectedPath(native);
        ASSERT_FALSE(selected.empty());
        EXPECT_EQ(std::vector<std::string>(selected.begin() + 1, selected.end()), c.selected);
        // The tree opens at the target: its node is in view.
        RECT node{};
        RECT client{};
        ASSERT_TRUE(TreeView_GetItemRect(native, TreeView_GetSelection(native), &node, TRUE));
        GetClientRect(native, &client);
        EXPECT_TRUE(node.top >= 0 && node.bottom <= client.bottom);
    }
}

TEST_F(TreeFolderTest, PathWithoutANodeStoresTheValueAndSelectsNothing) {
    // Before its form has loaded, the tree has no nodes at all.
    TreeFolder1.Path("C:\\Data");
    EXPECT_EQ(TreeFolder1.Path(), "C:\\Data\\");
    Load();
    struct Case {
        std::string given;
        bool throughLet;
        std::string pathAfter;
    };
    const Case cases[] = {
        {"", true, "\\"},
        {"C:", false, "\\"}, // no backslash: no prefix to walk
        {"Q:\\Data", true, "Q:\\Data\\"},
        {"InstalioTreeTest", true, "InstalioTreeTest\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        if (c.throughLet) {
            TreeFolder1.Path(c.given);
        } else {
            TreeFolder1.SetPath(c.given);
        }
        EXPECT_EQ(TreeFolder1.Path(), c.pathAfter);
        EXPECT_TRUE(SelectedPath(Native()).empty());
        EXPECT_EQ(ChildrenAt({Drive()}), std::vector<Shown>{kPlaceholder}) << "nothing expanded";
    }
}

} // namespace
} // namespace instalio::test
