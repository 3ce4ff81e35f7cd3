// The tree view of the common controls library: its node collection, and its events driven by
// real mouse and key messages to the native tree and by the interface.
#include "imagelist.h"
#include "treeview.h"

#include "controls_support.h"
#include "failure.h"
#include "reported_failures.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

class Tree : public ::testing::Test {
protected:
    // The state of a node in the native tree.
    UINT State(const ocx::TreeNode& node) const {
        return static_cast<UINT>(SendMessageA(tree.Hwnd(), TVM_GETITEMSTATE,
                                              reinterpret_cast<WPARAM>(Item(node)), 0xFF));
    }
    bool Expanded(const ocx::TreeNode& node) const { return (State(node) & TVIS_EXPANDED) != 0; }
    bool Selected(const ocx::TreeNode& node) const { return (State(node) & TVIS_SELECTED) != 0; }
    // The picture the native tree shows for a node (image number from 1).
    int Picture(const ocx::TreeNode& node) const {
        TVITEMA data = {};
        data.mask = TVIF_HANDLE | TVIF_IMAGE;
        data.hItem = Item(node);
        SendMessageA(tree.Hwnd(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
        return data.iImage + 1;
    }
    // The native item of a node, found by its text.
    HTREEITEM Item(const ocx::TreeNode& node) const {
        const std::string text = node.Text();
        auto next = [&](HTREEITEM item, UINT how) {
            return TreeView_GetNextItem(tree.Hwnd(), item, how);
        };
        std::vector<HTREEITEM> pending = {next(nullptr, TVGN_ROOT)};
        while (!pending.empty()) {
            HTREEITEM item = pending.back();
            pending.pop_back();
            for (; item != nullptr; item = next(item, TVGN_NEXT)) {
                char buffer[256] = {};
                TVITEMA data = {};
                data.mask = TVIF_HANDLE | TVIF_TEXT;
                data.hItem = item;
                data.pszText = buffer;
                data.cchTextMax = sizeof buffer;
                SendMessageA(tree.Hwnd(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
                if (text == buffer) {
                    return item;
                }
                pending.push_back(next(item, TVGN_CHILD));
            }
        }
        return nullptr;
    }
    // The middle of a node's text.
    POINT TextPoint(const ocx::TreeNode& node) const {
        RECT bounds = {};
        TreeView_GetItemRect(tree.Hwnd(), Item(node), &bounds, TRUE);
        return {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    }
    // A point on a node's expand button.
    POINT ButtonPoint(const ocx::TreeNode& node) const {
        POINT text = TextPoint(node);
        for (int x = 0; x < text.x; ++x) {
            TVHITTESTINFO hit = {};
            hit.pt = {x, text.y};
            SendMessageA(tree.Hwnd(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if ((hit.flags & TVHT_ONITEMBUTTON) != 0) {
                return hit.pt;
            }
        }
        ADD_FAILURE() << node.Text() << " has no button";
        return text;
    }
    std::vector<std::string> Taken() {
        std::vector<std::string> taken;
        taken.swap(log);
        return taken;
    }
    void Record(const char* event, const ocx::TreeNode& node) {
        log.push_back(std::string(event) + "(" + node.Key() + ")");
    }

    TestWindow window;
    ocx::TreeView tree{window.hwnd(), {10, 10, 300, 300}};
    std::vector<std::string> log;
};

TEST_F(Tree, NodesByKeyWithoutRegardToCaseAndByIndexInTheOrderAdded) {
    tree.Add("C:", "C: [system]", 2);
    tree.AddChild("C:", "C:\\Data", "Data", 4, 5);
    tree.AddChild("c:\\data", "C:\\Data\\Old", "Old", 4);
    tree.AddChild("c:\\data", "", "", 0); // placeholders: empty keys, as many as wanted
    tree.Add("D:", "D:", 3);
    tree.AddChild("D:", "", "", 0);
    ASSERT_EQ(tree.Count(), 6);

    EXPECT_EQ(tree.Node("c:\\DATA").Text(), "Data");
    EXPECT_EQ(tree.Node("c:\\DATA").Key(), "C:\\Data");
    EXPECT_EQ(tree.Node("d:").Index(), 5);
    EXPECT_EQ(tree.Node(3).Key(), "C:\\Data\\Old");
    EXPECT_EQ(tree.Node(4).Text(), "");
    EXPECT_EQ(tree.Node("C:").Children(), 1);
    EXPECT_EQ(tree.Node("C:\\Data").Children(), 2);
    EXPECT_EQ(tree.Node("C:\\Data").Child(), tree.Node(3));
    EXPECT_EQ(tree.Node("C:\\Data\\Old").Child(), std::nullopt);

    // The failures of the collection.
    const std::pair<std::int32_t, std::function<void()>> failures[] = {
        {35602, [&] { tree.Add("c:", "again", 1); }},
        {35602, [&] { tree.AddChild("D:", "C:\\DATA", "twice", 1); }},
        {35601, [&] { tree.AddChild("E:", "E:\\x", "x", 1); }},
        {35601, [&] { tree.AddChild("", "x", "x", 1); }},
        {35601, [&] { tree.Node("E:"); }},
        {35601, [&] { tree.Node(""); }},
        {35600, [&] { tree.Node(0); }},
        {35600, [&] { tree.Node(7); }},
        {35600, [&] { tree.Remove(7); }},
    };
    for (const auto& [number, call] : failures) {
        EXPECT_EQ(FailureNumber(call), number);
    }
    EXPECT_EQ(tree.Count(), 6);

    // Removing a node takes its sub-tree, renumbers the nodes after it, and its handles fail.
    ocx::TreeNode data = tree.Node("C:\\Data");
    ocx::TreeNode d = tree.Node("D:");
    tree.Remove(2);
    EXPECT_EQ(tree.Count(), 3);
    EXPECT_EQ(d.Index(), 2);
    EXPECT_EQ(tree.Node(3).Text(), "");
    EXPECT_EQ(FailureNumber([&] { tree.Node("C:\\Data\\Old"); }), 35601);
    EXPECT_EQ(FailureNumber([&] { data.Text(); }), 35601);
    EXPECT_EQ(tree.Node("C:").Children(), 0);
    tree.AddChild("C:", "C:\\Data", "Data again", 4); // its key is free again
    EXPECT_EQ(tree.Node(4).Text(), "Data again");

    tree.Clear();
    EXPECT_EQ(tree.Count(), 0);
    EXPECT_EQ(FailureNumber([&] { d.Key(); }), 35601);
}

// A folder tree filled as it is opened: each node carries a placeholder until it expands, and
// gets it back when it collapses.
class LazyTree : public Tree {
protected:
    void SetUp() override {
        images.Add(HalfMagenta(RGB(255, 0, 0)));
        images.Add(HalfMagenta(RGB(0, 255, 0)));
        tree.SetImageList(&images);
        tree.Add("C:", "C:", 1, 2);
        tree.AddChild("C:", "", "", 0);
        tree.Add("D:", "D:", 1, 2);
        tree.AddChild("D:", "", "", 0);
        tree.NodeClick = [this](ocx::TreeNode Node) { Record("NodeClick", Node); };
        tree.Expand = [this](ocx::TreeNode Node) {
            Record("Expand", Node);
            EXPECT_FALSE(Expanded(Node)) << "raised before the children show";
            if (Node.Child() && Node.Child()->Text().empty()) {
                tree.Remove(Node.Child()->Index());
                for (const char* name : {"One", "Two"}) {
                    tree.AddChild(Node.Key(), Node.Key() + "\\" + name, name, 1, 2);
                    tree.AddChild(Node.Key() + "\\" + name, "", "", 0);
                }
            }
        };
        tree.Collapse = [this](ocx::TreeNode Node) {
            Record("Collapse", Node);
            EXPECT_FALSE(Expanded(Node)) << "raised after the children hid";
            for (std::int32_t i = Node.Children(); i > 0; --i) {
                tree.Remove(Node.Child()->Index());
            }
            tree.AddChild(Node.Key(), "", "", 0);
        };
    }
    ocx::ImageList images;
};

TEST_F(LazyTree, TheExpandButtonFillsTheNodeAndShowsItsExpandedPicture) {
    ocx::TreeNode c = tree.Node("C:");
    EXPECT_EQ(Picture(c), 1);
    Click(tree.Hwnd(), ButtonPoint(c));
    EXPECT_EQ(Taken(), std::vector<std::string>{"Expand(C:)"});
    EXPECT_TRUE(Expanded(c));
    EXPECT_EQ(Picture(c), 2);
    EXPECT_EQ(c.Children(), 2);
    EXPECT_EQ(tree.Node("c:\\two").Index(), 6);

    // Collapsing reads nothing and leaves the placeholder; expanding again fills anew.
    Click(tree.Hwnd(), ButtonPoint(c));
    EXPECT_EQ(Taken(), std::vector<std::string>{"Collapse(C:)"});
    EXPECT_FALSE(Expanded(c));
    EXPECT_EQ(Picture(c), 1);
    EXPECT_EQ(c.Children(), 1);
    EXPECT_EQ(FailureNumber([&] { tree.Node("C:\\One"); }), 35601);

    DoubleClick(tree.Hwnd(), TextPoint(c));
    std::vector<std::string> taken = Taken();
    EXPECT_NE(std::find(taken.begin(), taken.end(), "Expand(C:)"), taken.end());
    EXPECT_TRUE(Expanded(c));
    EXPECT_EQ(c.Children(), 2);
}

TEST_F(LazyTree, ANodeLeftWithoutChildrenOrCollapsedInItsExpandEventStaysCollapsed) {
    // A drive without folders: the placeholder goes, nothing comes.
    tree.Expand = [this](ocx::TreeNode Node) {
        Record("Expand", Node);
        tree.Remove(Node.Child()->Index());
    };
    ocx::TreeNode c = tree.Node("C:");
    Click(tree.Hwnd(), ButtonPoint(c));
    EXPECT_EQ(Taken(), std::vector<std::string>{"Expand(C:)"});
    EXPECT_FALSE(Expanded(c));
    EXPECT_EQ(c.Children(), 0);
    EXPECT_EQ(Picture(c), 1);

    // A drive without a medium: the handler collapses it again, the placeholder stays.
    tree.Expand = [this](ocx::TreeNode Node) {
        Record("Expand", Node);
        tree.Node(Node.Index()).SetExpanded(false);
    };
    ocx::TreeNode d = tree.Node("D:");
    Click(tree.Hwnd(), ButtonPoint(d));
    d.SetExpanded(true);
    EXPECT_EQ(Taken(), (std::vector<std::string>{"Expand(D:)", "Expand(D:)"}));
    EXPECT_FALSE(Expanded(d));
    EXPECT_EQ(d.Children(), 1);
}

TEST_F(LazyTree, SetExpandedRaisesExpandAndCollapseLikeTheUser) {
    ocx::TreeNode d = tree.Node("D:");
    d.SetExpanded(true);
    EXPECT_EQ(Taken(), std::vector<std::string>{"Expand(D:)"});
    EXPECT_TRUE(Expanded(d));
    EXPECT_EQ(Picture(d), 2);
    d.SetExpanded(true); // already expanded: nothing
    ocx::TreeNode one = tree.Node("D:\\One");
    one.SetExpanded(true);
    EXPECT_EQ(Taken(), std::vector<std::string>{"Expand(D:\\One)"});

    d.SetExpanded(false);
    EXPECT_EQ(Taken(), std::vector<std::string>{"Collapse(D:)"});
    EXPECT_FALSE(Expanded(d));
    EXPECT_EQ(Picture(d), 1);
    d.SetExpanded(false);
    EXPECT_TRUE(Taken().empty());

    // A node without children has nothing to show: it raises no Expand and stays as it is.
    ocx::TreeNode e = tree.Add("E:", "E:", 1, 2);
    e.SetExpanded(true);
    EXPECT_TRUE(Taken().empty());
    EXPECT_FALSE(Expanded(e));
    EXPECT_EQ(Picture(e), 1);
}

TEST_F(LazyTree, NodeClickForTheMouseAndForKeysButNotForSetSelected) {
    ocx::TreeNode c = tree.Node("C:");
    ocx::TreeNode d = tree.Node("D:");
    Click(tree.Hwnd(), TextPoint(d));
    EXPECT_EQ(Taken(), std::vector<std::string>{"NodeClick(D:)"});
    EXPECT_TRUE(Selected(d));
    Click(tree.Hwnd(), TextPoint(d)); // the selected node again
    EXPECT_EQ(Taken(), std::vector<std::string>{"NodeClick(D:)"});

    Press(tree.Hwnd(), VK_UP);
    EXPECT_EQ(Taken(), std::vector<std::string>{"NodeClick(C:)"});
    EXPECT_TRUE(Selected(c));
    Press(tree.Hwnd(), VK_RIGHT); // expands the selected node
    EXPECT_EQ(Taken(), std::vector<std::string>{"Expand(C:)"});

    tree.Node("C:\\Two").SetSelected();
    d.SetSelected();
    EXPECT_TRUE(Taken().empty());
    EXPECT_TRUE(Selected(d));

    // A click on the expand button is no click on the node.
    Click(tree.Hwnd(), ButtonPoint(c));
    EXPECT_EQ(Taken(), std::vector<std::string>{"Collapse(C:)"});

    // The same through the window system's input.
    ASSERT_EQ(GetForegroundWindow(), window.hwnd());
    InputClick(tree.Hwnd(), TextPoint(c));
    EXPECT_EQ(Taken(), std::vector<std::string>{"NodeClick(C:)"});
    InputClick(tree.Hwnd(), ButtonPoint(c));
    EXPECT_EQ(Taken(), std::vector<std::string>{"Expand(C:)"});
}

TEST_F(LazyTree, AFailureInAHandlerIsReportedAndGoesNoFurther) {
    ReportedFailures reported;
    tree.Expand = [this](ocx::TreeNode Node) { tree.Node(Node.Key() + "\\Missing"); };
    Click(tree.Hwnd(), ButtonPoint(tree.Node("C:")));
    EXPECT_EQ(reported.Taken(), std::vector<std::string>{"35601"});
    EXPECT_EQ(tree.Node("C:").Children(), 1); // the placeholder is still there
}

} // namespace
