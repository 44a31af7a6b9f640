// TreeNode and TreeView: a tree shown as a list. Every node is a list item
// of its tree view, placed after its parent's earlier descendants and
// indented by its depth; a collapsed node makes its whole subtree report
// itself invisible, so the list's layout and keys skip it while the nodes'
// own flags stay set.
//
// The tree view owns its root node (never shown; the top nodes are its
// children) and, as a list, every other node. A node does not own its
// child nodes: it only links them. UI thread only.
#ifndef UI_CONTROLS_TREE_VIEW_H_
#define UI_CONTROLS_TREE_VIEW_H_

#include <memory>
#include <vector>

#include "ui/controls/list_box.h"

namespace ui {

class TreeView;

class TreeNode : public ListContainerElement {
 public:
  TreeNode() = default;

  bool IsExpanded() const { return expanded_; }
  // Shows or hides the subtree and lays the tree out again.
  void SetExpand(bool expanded);
  TreeView* GetTreeView() const { return tree_view_; }
  void SetTreeView(TreeView* tree_view) { tree_view_ = tree_view; }
  // Null for a top node.
  TreeNode* GetParentNode() const { return parent_node_; }
  const std::vector<TreeNode*>& GetChildNodes() const { return child_nodes_; }
  // 0 for a top node.
  int GetDepth() const;
  // Links the node (with the subtree it already has) as the last child and
  // adds it to the tree view's list after this node's descendants. False
  // without a tree view, for null, or for a node that is linked already.
  bool AddChildNode(TreeNode* child);
  // Unlinks the child and removes it and its descendants from the list
  // (the list deletes them). False when it is not a child of this node.
  // Removing a node from the tree view directly does the same.
  bool RemoveChildNode(TreeNode* child);
  // A click listener for nodes: expands or collapses the sender.
  virtual bool OnClickItem(EventArgs* args);

  bool IsVisible() const override;
  void SetInnerVisible(bool visible) override;

 private:
  friend class TreeView;
  // The last node of this node's subtree in list order (itself when it has
  // no children).
  TreeNode* LastDescendant();
  // Adds the subtree of child to the list from index on; answers the next
  // free index.
  int InsertSubtree(TreeNode* child, int index);

  bool expanded_ = true;
  TreeView* tree_view_ = nullptr;
  TreeNode* parent_node_ = nullptr;
  std::vector<TreeNode*> child_nodes_;
};

class TreeView : public ListBox {
 public:
  TreeView();
  ~TreeView() override;

  // Top nodes are added to the root node.
  TreeNode* GetRootNode() const { return root_.get(); }
  int GetIndent() const { return indent_; }
  void SetIndent(int indent) { indent_ = indent; }

  void SetWindow(Window* window) override { ListBox::SetWindow(window); }
  void SetWindow(Window* window, Box* parent, bool init) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;

 private:
  int indent_ = 0;
  std::unique_ptr<TreeNode> root_;
};

}  // namespace ui

#endif  // UI_CONTROLS_TREE_VIEW_H_
