#include "ui/controls/tree_view.h"

#include <algorithm>

#include "ui/layout/linear_layout.h"
#include "ui/util/number_list.h"

namespace ui {

// ---- TreeNode -------------------------------------------------------------------

int TreeNode::GetDepth() const {
  int depth = 0;
  for (TreeNode* p = parent_node_; p; p = p->parent_node_) ++depth;
  return depth;
}

void TreeNode::SetExpand(bool expanded) {
  if (expanded == expanded_) return;
  expanded_ = expanded;
  if (tree_view_) tree_view_->Arrange();
}

bool TreeNode::OnClickItem(EventArgs* args) {
  auto* node = args ? dynamic_cast<TreeNode*>(args->sender) : nullptr;
  if (!node) return true;
  node->expanded_ = !node->expanded_;
  if (node->tree_view_) node->tree_view_->Arrange();
  return true;
}

bool TreeNode::IsVisible() const {
  if (!visible_ || !inner_visible_) return false;
  return !parent_node_ || (parent_node_->expanded_ && parent_node_->IsVisible());
}

void TreeNode::SetInnerVisible(bool visible) {
  Control::SetInnerVisible(visible);
  for (Control* item : items_) item->SetInnerVisible(visible_ && inner_visible_);
}

TreeNode* TreeNode::LastDescendant() {
  TreeNode* node = this;
  while (!node->child_nodes_.empty()) node = node->child_nodes_.back();
  return node;
}

int TreeNode::InsertSubtree(TreeNode* child, int index) {
  child->tree_view_ = tree_view_;
  const int depth = child->GetDepth();
  UiRect margin = child->GetMargin();
  margin.left = tree_view_->GetIndent() * depth;
  child->SetMargin(margin, false);
  if (!tree_view_->AddAt(child, index)) return index;
  ++index;
  for (TreeNode* grandchild : child->child_nodes_) index = InsertSubtree(grandchild, index);
  return index;
}

bool TreeNode::AddChildNode(TreeNode* child) {
  if (!child || !tree_view_ || child->tree_view_ || child->parent_node_ || child == this)
    return false;
  // After the last node of this subtree; the root's subtree starts the list.
  int index = 0;
  if (this != tree_view_->GetRootNode() || !child_nodes_.empty()) {
    const int last = tree_view_->GetItemIndex(LastDescendant());
    index = last < 0 ? tree_view_->GetCount() : last + 1;
  }
  child->parent_node_ = this == tree_view_->GetRootNode() ? nullptr : this;
  child_nodes_.push_back(child);
  InsertSubtree(child, index);
  return true;
}

bool TreeNode::RemoveChildNode(TreeNode* child) {
  if (std::find(child_nodes_.begin(), child_nodes_.end(), child) == child_nodes_.end())
    return false;
  if (tree_view_) return tree_view_->Remove(child);
  child_nodes_.erase(std::find(child_nodes_.begin(), child_nodes_.end(), child));
  child->parent_node_ = nullptr;
  return true;
}

// ---- TreeView -------------------------------------------------------------------

TreeView::TreeView() : ListBox(new VLayout), root_(new TreeNode) { root_->tree_view_ = this; }

TreeView::~TreeView() {
  // The nodes in the list go with the box; the root's links to them must
  // not be followed after that.
  root_->child_nodes_.clear();
}

bool TreeView::RemoveAt(int index) {
  auto* node = dynamic_cast<TreeNode*>(GetItemAt(index));
  if (!node || node->tree_view_ != this) return ListBox::RemoveAt(index);
  // Unlinked first, so no node keeps a pointer to one the list deletes.
  TreeNode* parent = node->parent_node_ ? node->parent_node_ : root_.get();
  auto& siblings = parent->child_nodes_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
  node->parent_node_ = nullptr;
  node->tree_view_ = nullptr;
  const std::vector<TreeNode*> children = node->child_nodes_;
  for (TreeNode* child : children) {
    child->parent_node_ = node;  // still linked: its removal unlinks it
    RemoveAt(GetItemIndex(child));
  }
  node->child_nodes_.clear();
  return ListBox::RemoveAt(GetItemIndex(node));
}

void TreeView::RemoveAll() {
  std::vector<TreeNode*> nodes;
  for (Control* item : items_)
    if (auto* node = dynamic_cast<TreeNode*>(item)) nodes.push_back(node);
  for (TreeNode* node : nodes) {
    node->child_nodes_.clear();
    node->parent_node_ = nullptr;
    node->tree_view_ = nullptr;
  }
  root_->child_nodes_.clear();
  ListBox::RemoveAll();
}

void TreeView::SetWindow(Window* window, Box* parent, bool init) {
  ListBox::SetWindow(window, parent, init);
  if (parent) root_->SetWindow(window, parent, init);
}

void TreeView::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"indent") {
    int32_t v = 0;
    ReadNumberList(value, &v, 1);
    indent_ = v;
  } else if (name == L"scrollselect") {
    SetScrollSelect(value == L"true");
  } else {
    ListBox::SetAttribute(name, value);
  }
}

}  // namespace ui
