// Tree view of VMCOMCTL.OCX, with lines, buttons and root lines, in a child window of the
// caller's, and its nodes.
//
// The nodes are numbered from 1 in the order they were added (removals renumber) and found by
// key without regard to case; empty keys (placeholders) may repeat and are never found.
// Failures: an index out of range is error 35600, a key not found 35601, a key already there
// 35602, each thrown as a RunTimeFailure.
//
// Events: NodeClick for a node clicked with the mouse or selected with a key (not for a node
// selected with SetSelected); Expand before a node shows its children, so that the handler can
// fill them in (a node left without children, or collapsed by the handler, does not expand),
// and only for a node that has children (a placeholder counts); Collapse after a node hid its
// children. Expanding and collapsing through SetExpanded raise them too; expanding a node
// without children does nothing. Every event runs guarded: a failure that escapes a handler is
// reported and ends the program.
#pragma once

#include "vmcomctl.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace instalio::ocx {

class ImageList;
class TreeView;

// A node of a tree view. The handle stays the node's until the node is removed; a removed
// node's members fail with 35601.
class TreeNode {
public:
    TreeNode(const TreeView& tree, VmNode node) : tree_(&tree), node_(node) {}

    std::string Key() const;
    std::string Text() const;
    std::int32_t Index() const;
    // The first child; none when the node has no children.
    std::optional<TreeNode> Child() const;
    std::int32_t Children() const;

    void SetExpanded(bool expanded) const;
    // Selects the node (raising no NodeClick).
    void SetSelected() const;
    void EnsureVisible() const;

    bool operator==(const TreeNode& other) const = default;

private:
    const TreeView* tree_;
    VmNode node_;
};

class TreeView {
public:
    // Creates the tree in `parent` at `rect` (pixels of the parent's client area).
    TreeView(HWND parent, const RECT& rect);
    ~TreeView();
    TreeView(const TreeView&) = delete;
    TreeView& operator=(const TreeView&) = delete;

    std::function<void(TreeNode Node)> NodeClick;
    std::function<void(TreeNode Node)> Expand;
    std::function<void(TreeNode Node)> Collapse;

    // The nodes' pictures; see ListView::SetImageList.
    void SetImageList(const ImageList* images);

    // Removes every node.
    void Clear();
    // Adds a node at the top level; pictures are image numbers, 0 = none.
    TreeNode Add(const std::string& key, const std::string& text, std::int32_t picture,
                 std::int32_t expandedPicture = 0);
    // Adds a node as the last child of the node with `relativeKey`.
    TreeNode AddChild(const std::string& relativeKey, const std::string& key,
                      const std::string& text, std::int32_t picture,
                      std::int32_t expandedPicture = 0);
    std::int32_t Count() const;
    TreeNode Node(const std::string& key) const;
    TreeNode Node(std::int32_t index) const;
    // Removes the node at `index` with every node below it.
    void Remove(std::int32_t index);

    void Move(const RECT& rect);
    void Show(bool visible);
    void SetFocus();
    // The native tree view window.
    HWND Hwnd() const;

private:
    friend class TreeNode;

    TreeNode Added(const char* relativeKey, const std::string& key, const std::string& text,
                   std::int32_t picture, std::int32_t expandedPicture);
    static void Raise(void* context, VmNode node,
                      std::function<void(TreeNode Node)> TreeView::*event);
    static void VMCALL OnNodeClick(void* context, VmNode node);
    static void VMCALL OnExpand(void* context, VmNode node);
    static void VMCALL OnCollapse(void* context, VmNode node);

    const VmComCtl& library_;
    VmTreeView* view_ = nullptr;
};

} // namespace instalio::ocx
