#include "views/models/GroupItemViewModel.h"

#include <algorithm>
#include <cwctype>

#include "platform/afx/WaitCursor.h"
#include "project/Doc.h"
#include "project/ProjectResource.h"
#include "views/models/ViewMessageWindow.h"

namespace {
// The tree control's own sorted insertion: case-insensitive, after equal texts.
bool SortsBefore(const CString& a, const CString& b) {
  const wchar_t* x = a.GetString();
  const wchar_t* y = b.GetString();
  for (; *x != 0 && *y != 0; ++x, ++y) {
    const wint_t cx = std::towlower(static_cast<wint_t>(*x)), cy = std::towlower(static_cast<wint_t>(*y));
    if (cx != cy) return cx < cy;
  }
  return *x == 0 && *y != 0;
}

// A copy of the child set: the nodes are placed by text, whatever the set's address order.
std::vector<CTreeObject*> ChildrenOf(CTreeObject* object) {
  return std::vector<CTreeObject*>(object->m_children.begin(), object->m_children.end());
}
}  // namespace

CGroupItemViewModel::~CGroupItemViewModel() = default;

void CGroupItemViewModel::OnInitialUpdate() {
  if (auto* doc = dynamic_cast<CDoc*>(GetDocument())) doc->BuildOpcTree();
  OnUpdate(nullptr, HintAll, nullptr);
}

void CGroupItemViewModel::OnUpdate(CView*, LPARAM hint, CObject* object) {
  auto* tree = dynamic_cast<CTreeObject*>(object);
  switch (hint) {
    case HintAll:
    case HintOpcTreeRebuild: {
      DeleteAllItems();
      auto* doc = dynamic_cast<CDoc*>(GetDocument());
      if (doc != nullptr) InsertObjectItem(&doc->m_opcRoot, nullptr, true);
      break;
    }
    case HintNameChanged:
      if (Node* node = FindObjectItem(tree)) {
        node->m_strText = tree->GetName();
        if (m_pSink != nullptr) m_pSink->OnNodeTextChanged(node);
      }
      break;
    case HintOpcTreeEmptied:
      DeleteAllItems();
      break;
    case HintObjectAdded: {
      Node* parent = tree != nullptr ? FindObjectItem(tree->m_pParent) : nullptr;
      if (parent == nullptr || FindObjectItem(tree) != nullptr) break;
      InsertObjectItem(tree, parent, false);
      parent->m_bExpanded = true;
      if (m_pSink != nullptr) m_pSink->OnNodeExpanded(parent);
      break;
    }
    case HintObjectRemoved:
      if (Node* node = FindObjectItem(tree)) DeleteNode(node);
      break;
    default:
      break;
  }
}

CGroupItemViewModel::Node* CGroupItemViewModel::FindObjectItem(CTreeObject* object) const {
  if (object == nullptr) return nullptr;
  auto found = m_nodes.find(object);
  return found != m_nodes.end() ? found->second : nullptr;
}

void CGroupItemViewModel::DeleteAllItems() {
  m_pSelected = nullptr;
  m_nodes.clear();
  m_roots.clear();
  if (m_pSink != nullptr) m_pSink->OnTreeReset();
}

std::unique_ptr<CGroupItemViewModel::Node> CGroupItemViewModel::MakeNode(CTreeObject* object, Node* parent,
                                                                        bool withChildren) {
  auto node = std::make_unique<Node>();
  node->m_pObject = object;
  node->m_strText = object->GetName();
  node->m_nImage = CDoc::GetTreeImageStatic(object);
  node->m_pParent = parent;
  m_nodes[object] = node.get();
  if (withChildren) {
    for (CTreeObject* child : ChildrenOf(object))
      if (FindObjectItem(child) == nullptr) Place(node.get(), MakeNode(child, node.get(), true));
  }
  return node;
}

size_t CGroupItemViewModel::Place(Node* parent, std::unique_ptr<Node> node) {
  // Below a parent sorted by text; at the top level appended.
  std::vector<std::unique_ptr<Node>>& siblings = parent != nullptr ? parent->m_children : m_roots;
  size_t index = siblings.size();
  if (parent != nullptr) {
    auto at = std::upper_bound(siblings.begin(), siblings.end(), node->m_strText,
                               [](const CString& text, const std::unique_ptr<Node>& n) {
                                 return SortsBefore(text, n->m_strText);
                               });
    index = static_cast<size_t>(at - siblings.begin());
  }
  siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(index), std::move(node));
  return index;
}

CGroupItemViewModel::Node* CGroupItemViewModel::InsertObjectItem(CTreeObject* object, Node* parent,
                                                                  bool withChildren) {
  std::unique_ptr<Node> node = MakeNode(object, parent, withChildren);
  Node* raw = node.get();
  const size_t index = Place(parent, std::move(node));
  if (m_pSink != nullptr) m_pSink->OnNodeInserted(raw, index);
  return raw;
}

void CGroupItemViewModel::Forget(Node* node) {
  for (auto& child : node->m_children) Forget(child.get());
  m_nodes.erase(node->m_pObject);
  if (m_pSelected == node) m_pSelected = nullptr;
}

void CGroupItemViewModel::DeleteNode(Node* node) {
  if (m_pSink != nullptr) m_pSink->OnNodeDeleting(node);
  Forget(node);
  std::vector<std::unique_ptr<Node>>& siblings = node->m_pParent != nullptr ? node->m_pParent->m_children : m_roots;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(), [&](const auto& n) { return n.get() == node; }));
}

void CGroupItemViewModel::OnSelChanged(Node* node) {
  m_pSelected = node;
  CTreeObject* object = node != nullptr ? node->m_pObject : nullptr;
  auto* typed = static_cast<CDefaultObject*>(object);
  if (m_pFrame != nullptr)
    m_pFrame->ReplaceRightView(typed != nullptr && typed->GetType() == TreeObjectOpcGroup ? RightViewGroupFeatures
                                                                                           : RightViewClient);
  {
    CWaitCursor wait;
    if (CDocument* doc = GetDocument()) doc->UpdateAllViews(this, HintSelectionChanged, object);
  }
  CViewMessageWindow::RefreshPropertiesPane(2, reinterpret_cast<LPARAM>(object));
}

void CGroupItemViewModel::OnSetFocus() { CViewMessageWindow::RefreshPropertiesPane(2, 0); }

void CGroupItemViewModel::GetProperties(CPropertyList& properties) {
  if (m_pSelected != nullptr) static_cast<CDefaultObject*>(m_pSelected->m_pObject)->FillProperties(properties);
}
