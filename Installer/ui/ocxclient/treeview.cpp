#include "treeview.h"

#include "guard.h"
#include "imagelist.h"
#include "status.h"

namespace instalio::ocx {

std::string TreeNode::Key() const {
    return ReadText([&](char* buffer, std::int32_t size, std::int32_t* length) {
        return tree_->library_.NodeKey(tree_->view_, node_, buffer, size, length);
    });
}

std::string TreeNode::Text() const {
    return ReadText([&](char* buffer, std::int32_t size, std::int32_t* length) {
        return tree_->library_.NodeText(tree_->view_, node_, buffer, size, length);
    });
}

std::int32_t TreeNode::Index() const {
    std::int32_t index = 0;
    ThrowIfFailed(tree_->library_.NodeIndex(tree_->view_, node_, &index));
    return index;
}

std::optional<TreeNode> TreeNode::Child() const {
    VmNode child = 0;
    ThrowIfFailed(tree_->library_.NodeChild(tree_->view_, node_, &child));
    if (child == 0) {
        return std::nullopt;
    }
    return TreeNode(*tree_, child);
}

std::int32_t TreeNode::Children() const {
    std::int32_t count = 0;
    ThrowIfFailed(tree_->library_.NodeChildren(tree_->view_, node_, &count));
    return count;
}

void TreeNode::SetExpanded(bool expanded) const {
    ThrowIfFailed(tree_->library_.NodeSetExpanded(tree_->view_, node_, expanded ? 1 : 0));
}

void TreeNode::SetSelected() const {
    ThrowIfFailed(tree_->library_.NodeSelect(tree_->view_, node_));
}

void TreeNode::EnsureVisible() const {
    ThrowIfFailed(tree_->library_.NodeEnsureVisible(tree_->view_, node_));
}

TreeView::TreeView(HWND parent, const RECT& rect) : library_(ComCtl()) {
    const VmTreeViewEvents events = {this, OnNodeClick, OnExpand, OnCollapse};
    ThrowIfFailed(library_.TreeViewCreate(parent, &rect, &events, &view_));
}

TreeView::~TreeView() {
    library_.TreeViewDestroy(view_);
}

void TreeView::SetImageList(const ImageList* images) {
    ThrowIfFailed(
        library_.TreeViewSetImageList(view_, images != nullptr ? images->handle() : nullptr));
}

void TreeView::Clear() {
    ThrowIfFailed(library_.TreeViewClear(view_));
}

TreeNode TreeView::Added(const char* relativeKey, const std::string& key, const std::string& text,
                         std::int32_t picture, std::int32_t expandedPicture) {
    VmNode node = 0;
    ThrowIfFailed(library_.TreeViewAdd(view_, relativeKey, key.c_str(), text.c_str(), picture,
                                       expandedPicture, &node));
    return {*this, node};
}

TreeNode TreeView::Add(const std::string& key, const std::string& text, std::int32_t picture,
                       std::int32_t expandedPicture) {
    return Added(nullptr, key, text, picture, expandedPicture);
}

TreeNode TreeView::AddChild(const std::string& relativeKey, const std::string& key,
                            const std::string& text, std::int32_t picture,
                            std::int32_t expandedPicture) {
    return Added(relativeKey.c_str(), key, text, picture, expandedPicture);
}

std::int32_t TreeView::Count() const {
    std::int32_t count = 0;
    ThrowIfFailed(library_.TreeViewCount(view_, &count));
    return count;
}

TreeNode TreeView::Node(const std::string& key) const {
    VmNode node = 0;
    ThrowIfFailed(library_.TreeViewNodeByKey(view_, key.c_str(), &node));
    return {*this, node};
}

TreeNode TreeView::Node(std::int32_t index) const {
    VmNode node = 0;
    ThrowIfFailed(library_.TreeViewNodeByIndex(view_, index, &node));
    return {*this, node};
}

void TreeView::Remove(std::int32_t index) {
    ThrowIfFailed(library_.TreeViewRemove(view_, index));
}

void TreeView::Move(const RECT& rect) {
    ThrowIfFailed(library_.TreeViewMove(view_, &rect));
}

void TreeView::Show(bool visible) {
    ThrowIfFailed(library_.TreeViewShow(view_, visible ? 1 : 0));
}

void TreeView::SetFocus() {
    ThrowIfFailed(library_.TreeViewSetFocus(view_));
}

HWND TreeView::Hwnd() const {
    return library_.TreeViewWindow(view_);
}

void TreeView::Raise(void* context, VmNode node,
                     std::function<void(TreeNode Node)> TreeView::*event) {
    auto& self = *static_cast<TreeView*>(context);
    Guarded([&] {
        if (self.*event) {
            (self.*event)(TreeNode(self, node));
        }
    });
}

void VMCALL TreeView::OnNodeClick(void* context, VmNode node) {
    Raise(context, node, &TreeView::NodeClick);
}

void VMCALL TreeView::OnExpand(void* context, VmNode node) {
    Raise(context, node, &TreeView::Expand);
}

void VMCALL TreeView::OnCollapse(void* context, VmNode node) {
    Raise(context, node, &TreeView::Collapse);
}

} // namespace instalio::ocx
