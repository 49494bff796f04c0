// The left-hand view of the OPC diagnostics workspace without its window: the tree of the
// diagnostics objects (root "OPC Server", the live servers, their groups) as the document's
// hints make and change it. A node keeps the document's tree object only until the hint that
// removes or empties it, so no node outlives its object.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "lon/DefaultObject.h"
#include "platform/afx/View.h"
#include "views/models/ViewItemProperties.h"

class CDoc;

class CGroupItemViewModel : public CView, public CViewItemProperties {
 public:
  struct Node {
    CTreeObject* m_pObject = nullptr;
    CString m_strText;
    int m_nImage = 0;
    bool m_bExpanded = false;
    Node* m_pParent = nullptr;
    std::vector<std::unique_ptr<Node>> m_children;
  };

  enum RightView { RightViewClient, RightViewGroupFeatures };
  // The child frame that holds the two views: it swaps the right-hand one.
  class Frame {
   public:
    virtual ~Frame() = default;
    virtual void ReplaceRightView(RightView view) = 0;
  };
  // What the window does about changes of the tree.
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void OnTreeReset() = 0;
    // The node is in place with its subtree; `index` is its place among its siblings.
    virtual void OnNodeInserted(Node* node, size_t index) = 0;
    // Before the node and its subtree go.
    virtual void OnNodeDeleting(Node* node) = 0;
    virtual void OnNodeTextChanged(Node* node) = 0;
    virtual void OnNodeExpanded(Node* node) = 0;
  };

  explicit CGroupItemViewModel(Frame* frame = nullptr) : m_pFrame(frame) {}
  ~CGroupItemViewModel() override;
  void SetSink(Sink* sink) { m_pSink = sink; }

  // Builds the document's diagnostics tree, then shows it whole.
  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, LPARAM hint, CObject* object) override;

  // The user selected a node (null: none): the right-hand view follows, the other views and
  // the properties pane are told.
  void OnSelChanged(Node* node);
  void OnSetFocus();
  Node* GetSelection() const { return m_pSelected; }

  void GetProperties(CPropertyList& properties) override;
  BOOL OnPropertyChanged(CPropertyRow*) override { return FALSE; }

  const std::vector<std::unique_ptr<Node>>& GetRoots() const { return m_roots; }
  // The node showing the object; null when none.
  Node* FindObjectItem(CTreeObject* object) const;

 private:
  void DeleteAllItems();
  Node* InsertObjectItem(CTreeObject* object, Node* parent, bool withChildren);
  std::unique_ptr<Node> MakeNode(CTreeObject* object, Node* parent, bool withChildren);
  // Into the parent's children (the top level for none); the node's index there.
  size_t Place(Node* parent, std::unique_ptr<Node> node);
  void Forget(Node* node);
  void DeleteNode(Node* node);

  Frame* m_pFrame;
  Sink* m_pSink = nullptr;
  std::vector<std::unique_ptr<Node>> m_roots;
  std::unordered_map<CTreeObject*, Node*> m_nodes;
  Node* m_pSelected = nullptr;
};
