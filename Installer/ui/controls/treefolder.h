// The folder tree: the machine's drives at the top level and their folders below, filled as
// the user expands them (a node with sub-folders carries a placeholder child until then), read
// again at every expansion. It keeps one folder, Path: the node last clicked, expanded or
// collapsed, or the path last given. Its one event tells the host that the user chose a node.
#pragma once

#include "imagelist.h"
#include "treeview.h"
#include "usercontrol.h"

#include <functional>
#include <memory>
#include <string>

namespace instalio::ui {

class TreeFolder : public UserControl {
public:
    TreeFolder(HostContainer& owner, std::string name);

    // Walks the tree along MyPath: each text before a "\" names a node, selected (and, so that
    // the walk reaches below it, expanded) in turn; a name without a node ends the walk.
    void SetPath(const std::string& MyPath);
    std::string Path() const { return m_Path; }
    // Stores New_Path with a final "\" and walks the tree along it.
    void Path(const std::string& New_Path);

    // The user clicked a node (or selected one with a key); Path holds its key by then.
    std::function<void()> NodeClick;

    std::unique_ptr<ocx::ImageList> Default;
    std::unique_ptr<ocx::TreeView> TreeView1;

protected:
    void UserControl_Initialize() override;
    void UserControl_Resize() override;
    // The focus that reaches the control (Tab) goes on to the tree.
    void UserControl_GotFocus() override;

private:
    void LoadDrives();
    void TreeView1_NodeClick(const ocx::TreeNode& Node);
    // Reads the node's sub-folders; every failure ends it silently where it got to.
    void TreeView1_Expand(const ocx::TreeNode& Node);
    // Collapses a node whose drive had no medium; a failure of that is swallowed too.
    void CollapseAgain(const ocx::TreeNode& Node);
    void TreeView1_Collapse(const ocx::TreeNode& Node);

    std::string m_Path;
};

} // namespace instalio::ui
