#include "views/wx/GroupItemView.h"

#include <wx/artprov.h>
#include <wx/imaglist.h>

namespace {
class CNodeData : public wxTreeItemData {
 public:
  explicit CNodeData(CGroupItemViewModel::Node* node) : m_pNode(node) {}
  CGroupItemViewModel::Node* m_pNode;
};

constexpr int kImageCount = 22;  // the indices the document's tree images use
}  // namespace

CGroupItemView::CGroupItemView(wxWindow* parent, CGroupItemViewModel& model)
    : wxTreeCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxBORDER_SIMPLE),
      m_pModel(&model) {
  auto* images = new wxImageList(16, 16, true);
  const wxBitmap folder = wxArtProvider::GetBitmap(wxART_FOLDER, wxART_OTHER, wxSize(16, 16));
  const wxBitmap file = wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_OTHER, wxSize(16, 16));
  for (int i = 0; i < kImageCount; ++i) images->Add(i == 3 ? folder : file);
  AssignImageList(images);
  m_hiddenRoot = AddRoot(wxEmptyString);
  Bind(wxEVT_TREE_SEL_CHANGED, &CGroupItemView::OnSelChanged, this);
  Bind(wxEVT_SET_FOCUS, &CGroupItemView::OnFocus, this);
  m_pModel->SetSink(this);
  Rebuild();
}

CGroupItemView::~CGroupItemView() { DetachModel(); }

void CGroupItemView::DetachModel() {
  if (m_pModel == nullptr) return;
  m_pModel->SetSink(nullptr);
  m_pModel = nullptr;
  m_items.clear();  // the nodes went with the model
  m_bChanging = true;
  DeleteChildren(m_hiddenRoot);
  m_bChanging = false;
}

void CGroupItemView::Rebuild() {
  OnTreeReset();
  if (m_pModel == nullptr) return;
  size_t index = 0;
  for (const auto& root : m_pModel->GetRoots()) Insert(root.get(), m_hiddenRoot, index++);
}

void CGroupItemView::OnTreeReset() {
  m_bChanging = true;
  DeleteChildren(m_hiddenRoot);
  m_items.clear();
  m_bChanging = false;
}

wxTreeItemId CGroupItemView::Insert(CGroupItemViewModel::Node* node, const wxTreeItemId& parent, size_t index) {
  const int image = node->m_nImage >= 0 && node->m_nImage < kImageCount ? node->m_nImage : 0;
  wxTreeItemId item = InsertItem(parent, index, wxString(node->m_strText.GetString()), image, image, new CNodeData(node));
  m_items[node] = item;
  size_t childIndex = 0;
  for (const auto& child : node->m_children) Insert(child.get(), item, childIndex++);
  if (node->m_bExpanded) Expand(item);
  return item;
}

void CGroupItemView::OnNodeInserted(CGroupItemViewModel::Node* node, size_t index) {
  auto parent = node->m_pParent != nullptr ? m_items.find(node->m_pParent) : m_items.end();
  Insert(node, parent != m_items.end() ? parent->second : m_hiddenRoot, index);
}

void CGroupItemView::Forget(CGroupItemViewModel::Node* node) {
  for (const auto& child : node->m_children) Forget(child.get());
  m_items.erase(node);
}

void CGroupItemView::OnNodeDeleting(CGroupItemViewModel::Node* node) {
  auto found = m_items.find(node);
  if (found == m_items.end()) return;
  const wxTreeItemId item = found->second;
  Forget(node);
  m_bChanging = true;
  Delete(item);
  m_bChanging = false;
}

void CGroupItemView::OnNodeTextChanged(CGroupItemViewModel::Node* node) {
  auto found = m_items.find(node);
  if (found != m_items.end()) SetItemText(found->second, wxString(node->m_strText.GetString()));
}

void CGroupItemView::OnNodeExpanded(CGroupItemViewModel::Node* node) {
  auto found = m_items.find(node);
  if (found != m_items.end()) Expand(found->second);
}

CGroupItemViewModel::Node* CGroupItemView::NodeOf(const wxTreeItemId& item) const {
  if (!item.IsOk()) return nullptr;
  auto* data = static_cast<CNodeData*>(GetItemData(item));
  return data != nullptr ? data->m_pNode : nullptr;
}

void CGroupItemView::OnSelChanged(wxTreeEvent& event) {
  if (!m_bChanging && m_pModel != nullptr) m_pModel->OnSelChanged(NodeOf(event.GetItem()));
  event.Skip();
}

void CGroupItemView::OnFocus(wxFocusEvent& event) {
  if (m_pModel != nullptr) m_pModel->OnSetFocus();
  event.Skip();
}
