#include "treeview.h"

#include "flag.h"

#include <algorithm>
#include <set>

namespace instalio::vmcomctl {

namespace {

// A key as the collection compares it.
std::string Folded(const std::string& key) {
    std::string folded = key;
    if (!folded.empty()) {
        CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    }
    return folded;
}

int ImageIndex(int32_t picture) {
    return picture >= 1 ? picture - 1 : I_IMAGENONE;
}

} // namespace

VmStatus TreeView::Create(HWND parent, const RECT& rect) {
    return Site::Create(parent, rect, WC_TREEVIEWA,
                        TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
}

void TreeView::ApplyImageList(HIMAGELIST images) {
    SendMessageA(native(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

TreeView::Node* TreeView::Find(VmNode id) const {
    auto found = byId_.find(id);
    return found != byId_.end() ? found->second : nullptr;
}

TreeView::Node* TreeView::NodeOf(HTREEITEM item) const {
    if (item == nullptr) {
        return nullptr;
    }
    TVITEMA data = {};
    data.mask = TVIF_PARAM | TVIF_HANDLE;
    data.hItem = item;
    if (!SendMessageA(native(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) {
        return nullptr;
    }
    return Find(static_cast<VmNode>(data.lParam));
}

HTREEITEM TreeView::Next(HTREEITEM item, WPARAM relation) const {
    LRESULT next =
        SendMessageA(native(), TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item));
    return reinterpret_cast<HTREEITEM>(next); // NOLINT(performance-no-int-to-ptr): an item
}

HTREEITEM TreeView::FirstChild(const Node& node) const {
    return Next(node.item, TVGN_CHILD);
}

bool TreeView::IsExpanded(const Node& node) const {
    auto state = SendMessageA(native(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node.item),
                              TVIS_EXPANDED);
    return (state & TVIS_EXPANDED) != 0 && FirstChild(node) != nullptr;
}

void TreeView::ShowPicture(const Node& node) {
    const bool expanded = IsExpanded(node) && node.expandedPicture >= 1;
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    data.hItem = node.item;
    data.iImage = ImageIndex(expanded ? node.expandedPicture : node.picture);
    data.iSelectedImage = data.iImage;
    SendMessageA(native(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

VmStatus TreeView::Clear() {
    {
        ScopedFlag quiet(quietExpansion_);
        SendMessageA(native(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    }
    nodes_.clear();
    byId_.clear();
    byKey_.clear();
    return VMCOMCTL_OK;
}

VmStatus TreeView::Add(const char* relativeKey, const std::string& key, const std::string& text,
                       int32_t picture, int32_t expandedPicture, VmNode& node) {
    const std::string folded = Folded(key);
    if (!key.empty() && byKey_.count(folded) != 0) {
        return VMCOMCTL_E_KEY_NOT_UNIQUE;
    }
    Node* parent = nullptr;
    if (relativeKey != nullptr) {
        VmNode relative = 0;
        VmStatus status = NodeByKey(relativeKey, relative);
        if (status != VMCOMCTL_OK) {
            return status;
        }
        parent = Find(relative);
    }
    auto added = std::make_unique<Node>();
    added->id = ++lastId_;
    added->key = key;
    added->text = text;
    added->picture = picture;
    added->expandedPicture = expandedPicture;

    std::string caption = text;
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent != nullptr ? parent->item : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = caption.data();
    insert.item.iImage = ImageIndex(picture);
    insert.item.iSelectedImage = insert.item.iImage;
    insert.item.lParam = static_cast<LPARAM>(added->id);
    {
        ScopedFlag quiet(quietExpansion_);
        LRESULT item =
            SendMessageA(native(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
        added->item = reinterpret_cast<HTREEITEM>(item); // NOLINT(performance-no-int-to-ptr)
    }
    if (added->item == nullptr) {
        return VMCOMCTL_E_OUT_OF_MEMORY;
    }
    node = added->id;
    byId_[added->id] = added.get();
    if (!key.empty()) {
        byKey_[folded] = added.get();
    }
    nodes_.push_back(std::move(added));
    return VMCOMCTL_OK;
}

VmStatus TreeView::NodeByKey(const std::string& key, VmNode& node) const {
    auto found = key.empty() ? byKey_.end() : byKey_.find(Folded(key));
    if (found == byKey_.end()) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    node = found->second->id;
    return VMCOMCTL_OK;
}

VmStatus TreeView::NodeByIndex(int32_t index, VmNode& node) const {
    if (index < 1 || index > Count()) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    node = nodes_[static_cast<std::size_t>(index - 1)]->id;
    return VMCOMCTL_OK;
}

VmStatus TreeView::Remove(int32_t index) {
    if (index < 1 || index > Count()) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    Node& removed = *nodes_[static_cast<std::size_t>(index - 1)];
    // The node and every node below it, collected before the control forgets them.
    std::set<VmNode> gone;
    std::vector<HTREEITEM> pending = {removed.item};
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        if (Node* node = NodeOf(item)) {
            gone.insert(node->id);
        }
        for (HTREEITEM child = Next(item, TVGN_CHILD); child != nullptr;
             child = Next(child, TVGN_NEXT)) {
            pending.push_back(child);
        }
    }
    Node* parent = NodeOf(Next(removed.item, TVGN_PARENT));
    {
        ScopedFlag quiet(quietExpansion_);
        SendMessageA(native(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(removed.item));
    }
    for (VmNode id : gone) {
        Node* node = byId_[id];
        if (!node->key.empty()) {
            byKey_.erase(Folded(node->key));
        }
        byId_.erase(id);
    }
    std::erase_if(nodes_, [&](const std::unique_ptr<Node>& node) { return gone.count(node->id); });
    if (parent != nullptr) {
        ShowPicture(*parent); // a parent left without children is no longer expanded
    }
    return VMCOMCTL_OK;
}

VmStatus TreeView::Key(VmNode id, std::string& key) const {
    const Node* node = Find(id);
    if (node == nullptr) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    key = node->key;
    return VMCOMCTL_OK;
}

VmStatus TreeView::Text(VmNode id, std::string& text) const {
    const Node* node = Find(id);
    if (node == nullptr) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    text = node->text;
    return VMCOMCTL_OK;
}

VmStatus TreeView::Index(VmNode id, int32_t& index) const {
    auto found = std::find_if(nodes_.begin(), nodes_.end(),
                              [&](const std::unique_ptr<Node>& node) { return node->id == id; });
    if (found == nodes_.end()) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    index = static_cast<int32_t>(found - nodes_.begin()) + 1;
    return VMCOMCTL_OK;
}

VmStatus TreeView::Child(VmNode id, VmNode& child) const {
    const Node* node = Find(id);
    if (node == nullptr) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    const Node* first = NodeOf(FirstChild(*node));
    child = first != nullptr ? first->id : 0;
    return VMCOMCTL_OK;
}

VmStatus TreeView::Children(VmNode id, int32_t& count) const {
    const Node* node = Find(id);
    if (node == nullptr) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    count = 0;
    for (HTREEITEM child = FirstChild(*node); child != nullptr; child = Next(child, TVGN_NEXT)) {
        ++count;
    }
    return VMCOMCTL_OK;
}

void TreeView::Raise(void(VMCALL* event)(void*, VmNode), VmNode id) {
    if (event != nullptr) {
        event(events_.context, id);
    }
}

bool TreeView::RaiseExpand(VmNode id) {
    const VmNode outer = expanding_;
    const bool outerCancelled = expandCancelled_;
    expanding_ = id;
    expandCancelled_ = false;
    Raise(events_.Expand, id);
    const bool cancelled = expandCancelled_;
    expanding_ = outer;
    expandCancelled_ = outerCancelled;
    const Node* node = Find(id);
    return !cancelled && node != nullptr && FirstChild(*node) != nullptr;
}

VmStatus TreeView::SetExpanded(VmNode id, bool expanded) {
    const Node* node = Find(id);
    if (node == nullptr) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    if (id == expanding_) {
        // Inside its own Expand event: collapsing keeps it from expanding.
        expandCancelled_ = expandCancelled_ || !expanded;
        return VMCOMCTL_OK;
    }
    if (expanded == IsExpanded(*node)) {
        return VMCOMCTL_OK;
    }
    if (expanded && FirstChild(*node) == nullptr) {
        return VMCOMCTL_OK; // as in the platform's tree: a node without children has nothing to
                            // show, and raises no Expand
    }
    if (expanded && !RaiseExpand(id)) {
        return VMCOMCTL_OK;
    }
    node = Find(id); // the handler may have changed the collection
    if (node == nullptr) {
        return VMCOMCTL_OK;
    }
    {
        ScopedFlag quiet(quietExpansion_);
        SendMessageA(native(), TVM_EXPAND, expanded ? TVE_EXPAND : TVE_COLLAPSE,
                     reinterpret_cast<LPARAM>(node->item));
    }
    ShowPicture(*node);
    if (!expanded) {
        Raise(events_.Collapse, id);
    }
    return VMCOMCTL_OK;
}

VmStatus TreeView::Select(VmNode id) {
    const Node* node = Find(id);
    if (node == nullptr) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    SendMessageA(native(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node->item));
    return VMCOMCTL_OK;
}

VmStatus TreeView::EnsureVisible(VmNode id) {
    const Node* node = Find(id);
    if (node == nullptr) {
        return VMCOMCTL_E_ELEMENT_NOT_FOUND;
    }
    SendMessageA(native(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node->item));
    return VMCOMCTL_OK;
}

bool TreeView::Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_LBUTTONDOWN) {
        return false;
    }
    // A click on a node (not on its button) raises NodeClick once the control has taken it.
    TVHITTESTINFO hit = {};
    hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    SendMessageA(native(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    const Node* clicked = (hit.flags & TVHT_ONITEM) != 0 ? NodeOf(hit.hItem) : nullptr;
    const VmNode id = clicked != nullptr ? clicked->id : 0;
    result = CallNative(message, wParam, lParam);
    if (id != 0 && Find(id) != nullptr) {
        Raise(events_.NodeClick, id);
    }
    return true;
}

LRESULT TreeView::Notify(NMHDR& header) {
    switch (header.code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        const Node* node = NodeOf(change.itemNew.hItem);
        if (quietExpansion_ || node == nullptr || (change.action & TVE_EXPAND) == 0) {
            return FALSE;
        }
        return RaiseExpand(node->id) ? FALSE : TRUE; // TRUE keeps it collapsed
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        const Node* node = NodeOf(change.itemNew.hItem);
        if (quietExpansion_ || node == nullptr) {
            return 0;
        }
        ShowPicture(*node);
        if ((change.action & TVE_COLLAPSE) != 0) {
            Raise(events_.Collapse, node->id);
        }
        return 0;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        // A click raises NodeClick itself; a key that selects a node raises it here.
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        const Node* node = NodeOf(change.itemNew.hItem);
        if (node != nullptr && change.action == TVC_BYKEYBOARD) {
            Raise(events_.NodeClick, node->id);
        }
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace instalio::vmcomctl
