#include "treefolder.h"

#include "failure.h"
#include "folderlisting.h"

#include <cctype>
#include <vector>

namespace instalio::ui {

namespace {

// Pictures of the image list, by number.
constexpr std::int32_t kRemovable = 1;
constexpr std::int32_t kFixed = 2;
constexpr std::int32_t kCompactDisc = 3;
constexpr std::int32_t kFolder = 4;
constexpr std::int32_t kOpenFolder = 5;
constexpr const char* kPictures[] = {"TREE_REMOVABLE", "TREE_FIXED", "TREE_CD", "TREE_FOLDER",
                                     "TREE_FOLDER_OPEN"};
constexpr std::int32_t kDeviceUnavailable = 68;

std::int32_t DrivePicture(UINT type) {
    switch (type) {
    case DRIVE_NO_ROOT_DIR:
    case DRIVE_FIXED:
        return kFixed;
    case DRIVE_REMOVABLE:
        return kRemovable;
    default:
        return kCompactDisc;
    }
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

TreeFolder::TreeFolder(HostContainer& owner, std::string name)
    : UserControl(owner, std::move(name)) {}

void TreeFolder::UserControl_Initialize() {
    Default = std::make_unique<ocx::ImageList>();
    for (const char* name : kPictures) {
        if (PicturePtr picture = LoadPicture(name)) {
            Default->Add(picture->Bitmap());
        }
    }
    TreeView1 = std::make_unique<ocx::TreeView>(Hwnd(), RECT{0, 0, 1, 1});
    TreeView1->SetImageList(Default.get());
    TreeView1->NodeClick = [this](ocx::TreeNode Node) { TreeView1_NodeClick(Node); };
    TreeView1->Expand = [this](ocx::TreeNode Node) { TreeView1_Expand(Node); };
    TreeView1->Collapse = [this](ocx::TreeNode Node) { TreeView1_Collapse(Node); };
    WatchFocus(TreeView1->Hwnd());
    LoadDrives();
    TreeView1->Move(RECT{0, 0, Px(Width()), Px(Height())});
    if (TreeView1->Count() > 0) {
        TreeView1->Node(1).SetExpanded(false);
    }
}

void TreeFolder::UserControl_Resize() {
    if (TreeView1 != nullptr) {
        TreeView1->Move(RECT{0, 0, Px(Width()), Px(Height())});
    }
}

void TreeFolder::UserControl_GotFocus() {
    if (TreeView1 != nullptr) {
        TreeView1->SetFocus();
    }
}

void TreeFolder::LoadDrives() {
    TreeView1->Clear();
    for (const std::string& entry : Listing.Drives()) {
        std::string key = Upper(entry.substr(0, 1)) + ":";
        // The type is asked with the entry as the list shows it, label and all.
        std::int32_t picture = DrivePicture(Listing.DriveType(entry));
        std::string text = key + (entry.size() > 2 ? entry.substr(2) : std::string());
        TreeView1->Add(key, text, picture);
        TreeView1->AddChild(key, "", "", 0);
    }
}

void TreeFolder::TreeView1_NodeClick(const ocx::TreeNode& Node) {
    m_Path = Node.Key();
    if (NodeClick) {
        NodeClick();
    }
}

void TreeFolder::TreeView1_Expand(const ocx::TreeNode& Node) {
    try {
        const std::string key = Node.Key();
        std::vector<std::string> entries = Listing.SubFolders(key + "\\");
        TreeView1->Node(key).EnsureVisible();
        std::optional<ocx::TreeNode> first = Node.Child();
        if (first && first->Text().empty()) {
            TreeView1->Remove(first->Index());
            const std::size_t prefix = key.size() + 1;
            for (const std::string& entry : entries) {
                std::string text = entry.size() > prefix ? entry.substr(prefix) : std::string();
                // Whether the folder has sub-folders of its own is asked first; a folder that
                // cannot be listed is still added, and ends the loop there.
                bool hasChildren = false;
                try {
                    hasChildren = !Listing.SubFolders(entry + "\\").empty();
                } catch (...) {
                    TreeView1->AddChild(key, entry, text, kFolder);
                    throw;
                }
                TreeView1->AddChild(key, entry, text, kFolder, hasChildren ? kOpenFolder : 0);
                if (hasChildren) {
                    TreeView1->AddChild(entry, "", "", 0);
                }
            }
        }
        m_Path = key;
    } catch (const RunTimeFailure& failure) {
        // A failure ends the expansion where it got to, without a message; a drive without a
        // medium is collapsed again.
        if (failure.number == kDeviceUnavailable) {
            CollapseAgain(Node);
        }
    } catch (...) {
        // Any other failure ends it the same way: none goes on to the window system.
    }
}

void TreeFolder::CollapseAgain(const ocx::TreeNode& Node) {
    try {
        TreeView1->Node(Node.Index()).SetExpanded(false);
    } catch (...) {
        // The node went meanwhile: nothing is left to collapse.
    }
}

void TreeFolder::TreeView1_Collapse(const ocx::TreeNode& Node) {
    const std::int32_t children = Node.Children();
    for (std::int32_t i = 0; i < children; ++i) {
        if (std::optional<ocx::TreeNode> child = Node.Child()) {
            TreeView1->Remove(child->Index());
        }
    }
    TreeView1->AddChild(Node.Key(), "", "", 0);
    m_Path = Node.Key();
}

void TreeFolder::SetPath(const std::string& MyPath) {
    if (TreeView1 == nullptr) {
        return; // not on a loaded form yet: there are no nodes to walk
    }
    try {
        std::vector<std::string> prefixes;
        for (std::size_t start = 0;;) {
            std::size_t slash = MyPath.find('\\', start);
            if (slash == std::string::npos) {
                break;
            }
            prefixes.push_back(Lower(MyPath.substr(0, slash)));
            start = slash + 1;
        }
        for (const std::string& prefix : prefixes) {
            ocx::TreeNode node = TreeView1->Node(prefix);
            node.SetSelected();
            node.SetExpanded(true);
            node.EnsureVisible();
        }
    } catch (...) {
        // A name without a node, or any other failure, ends the walk; what was selected stays.
    }
}

void TreeFolder::Path(const std::string& New_Path) {
    std::string path = New_Path;
    if (path.empty() || path.back() != '\\') {
        path += "\\";
    }
    m_Path = path;
    SetPath(path);
}

} // namespace instalio::ui
