// Tree view with lines, buttons and root lines, and its node collection.
//
// The collection numbers the nodes from 1 in the order they were added (removals renumber) and
// finds them by key without regard to case; empty keys (placeholders) may repeat and are never
// found. Each node keeps its number (VmNode) until it is removed.
//
// Events: NodeClick for a node clicked with the mouse or selected with a key; Expand before a
// node shows its children, only for a node that has children (a placeholder counts), so that
// the handler fills them in (a node left without children, or collapsed by the handler, does
// not expand); Collapse after a node hid its children. An expanded node shows its expanded
// picture.
#pragma once

#include "site.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace instalio::vmcomctl {

class TreeView : public Site {
public:
    explicit TreeView(const VmTreeViewEvents& events) : events_(events) {}
    ~TreeView() override = default;

    VmStatus Create(HWND parent, const RECT& rect);

    VmStatus Clear();
    // relativeKey null: top level; else the last child of the node with that key.
    VmStatus Add(const char* relativeKey, const std::string& key, const std::string& text,
                 int32_t picture, int32_t expandedPicture, VmNode& node);
    int32_t Count() const { return static_cast<int32_t>(nodes_.size()); }
    VmStatus NodeByKey(const std::string& key, VmNode& node) const;
    VmStatus NodeByIndex(int32_t index, VmNode& node) const;
    VmStatus Remove(int32_t index);

    VmStatus Key(VmNode node, std::string& key) const;
    VmStatus Text(VmNode node, std::string& text) const;
    VmStatus Index(VmNode node, int32_t& index) const;
    VmStatus Child(VmNode node, VmNode& child) const;
    VmStatus Children(VmNode node, int32_t& count) const;
    VmStatus SetExpanded(VmNode node, bool expanded);
    VmStatus Select(VmNode node);
    VmStatus EnsureVisible(VmNode node);

private:
    struct Node {
        VmNode id = 0;
        std::string key;
        std::string text;
        int32_t picture = 0;
        int32_t expandedPicture = 0;
        HTREEITEM item = nullptr;
    };

    LRESULT Notify(NMHDR& header) override;
    bool Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void ApplyImageList(HIMAGELIST images) override;

    Node* Find(VmNode id) const;
    Node* NodeOf(HTREEITEM item) const;
    // The item in `relation` (TVGN_) to `item`.
    HTREEITEM Next(HTREEITEM item, WPARAM relation) const;
    HTREEITEM FirstChild(const Node& node) const;
    bool IsExpanded(const Node& node) const;
    // Shows the expanded picture while the node is expanded, else its picture.
    void ShowPicture(const Node& node);
    // Raises Expand; true when the node is to expand (it is still there, has children and the
    // handler did not collapse it).
    bool RaiseExpand(VmNode id);
    void Raise(void(VMCALL* event)(void*, VmNode), VmNode id);

    VmTreeViewEvents events_;
    std::vector<std::unique_ptr<Node>> nodes_; // in the order they were added
    std::unordered_map<VmNode, Node*> byId_;
    std::map<std::string, Node*> byKey_; // keys in upper case
    VmNode lastId_ = 0;
    VmNode expanding_ = 0;         // the node whose Expand event runs
    bool expandCancelled_ = false; // its handler collapsed it
    bool quietExpansion_ = false;  // changes the caller made: no events from the control
};

} // namespace instalio::vmcomctl
