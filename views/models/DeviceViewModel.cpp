#include "views/models/DeviceViewModel.h"

#include <algorithm>
#include <vector>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/NodeTreeObject.h"
#include "platform/win32/MessageBox.h"
#include "project/Doc.h"
#include "project/DocHost.h"
#include "project/ProjectResource.h"
#include "views/models/ConfigViewResource.h"
#include "views/models/ObjectProperties.h"

CDeviceViewModel::CDeviceViewModel(CDeviceViewHost* host) : m_pHost(host) {
  MapCommand(ID_EDIT_PROPERTIES, [this] { OnProperties(); });
  MapCommand(ID_NODE_SHOW_STATUS, [this] { OnShowStatus(); });
  MapCommand(ID_NODE_REPLACE, [this] { OnReplace(); });
  MapCommand(ID_NODE_DELETE, [this] { OnDeleteNode(); });
  MapCommand(ID_NODE_ACTIVE, [this] { OnActive(); });
  MapUpdateCommandUI(ID_EDIT_PROPERTIES, [](CCmdUI* ui) { ui->Enable(TRUE); });
  MapUpdateCommandUI(ID_NODE_REPLACE, [this](CCmdUI* ui) { ui->Enable(IsNodeCommandEnabled()); });
  MapUpdateCommandUI(ID_NODE_DELETE, [this](CCmdUI* ui) { ui->Enable(IsNodeCommandEnabled()); });
  MapUpdateCommandUI(ID_NODE_ACTIVE, [this](CCmdUI* ui) {
    ui->Enable(TRUE);
    const CString text = GetActiveCommandText();
    if (!text.IsEmpty()) ui->SetText(text.GetString());
  });
}

CDeviceViewModel::~CDeviceViewModel() {
  m_proxyUsers.Detach();
  if (m_pHost != nullptr) m_pHost->OnViewGone();
}

CDoc* CDeviceViewModel::Doc() { return dynamic_cast<CDoc*>(GetDocument()); }

void CDeviceViewModel::AttachToManager() { m_proxyUsers.Attach(Doc(), {this}); }

void CDeviceViewModel::OnInitialUpdate() { OnUpdate(nullptr, HintAll, nullptr); }

void CDeviceViewModel::OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) {
  if (sender != nullptr && sender != this) return;
  AttachToManager();
  switch (hint) {
    case HintAll:
    case HintReloadTree:
      Rebuild();
      break;
    case HintNameChanged:
      UpdateObjectItem(dynamic_cast<CTreeObject*>(hintObject));
      break;
    case HintDeviceTreeGoing:
      Clear();
      break;
    case HintObjectRemoved: {
      // Nothing of the object may stay shown once it goes.
      CItem* found = nullptr;
      ForEachItem([&](CItem* item) {
        if (found == nullptr && item->GetObject() == hintObject) found = item;
      });
      if (found != nullptr) DeleteItem(found);
      break;
    }
    default:
      break;
  }
}

void CDeviceViewModel::Clear() {
  m_bSuppressSelection = true;
  DeleteAllItems();
  m_bSuppressSelection = false;
}

void CDeviceViewModel::Rebuild() {
  Clear();
  CDoc* doc = Doc();
  if (doc != nullptr) AddObjectTree(doc->m_pDeviceTree, nullptr);
  // Device items keep their record as a key, so they can go when the record goes.
  ForEachItem([](CItem* item) {
    if (CNodeTreeObject* node = CNodeTreeObject::FromObject(item->GetObject())) item->m_pKey = node->m_pNode;
  });
  if (m_pListener != nullptr) m_pListener->OnItemsReset();
}

bool CDeviceViewModel::IsObjectVisible(CTreeObject* object) {
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  if (typed == nullptr) return true;
  const int type = typed->GetType();
  return type != TreeObjectNV && type != TreeObjectCP;
}

int CDeviceViewModel::GetObjectImage(CTreeObject* object) {
  CDoc* doc = Doc();
  return doc != nullptr ? doc->GetTreeImage(object) : CDoc::GetTreeImageStatic(object);
}

int CDeviceViewModel::GetObjectSelectedImage(CTreeObject* object) { return CDoc::GetTreeImageStatic(object); }

int CDeviceViewModel::GetObjectOverlay(CTreeObject* object) {
  CDoc* doc = Doc();
  return doc != nullptr && doc->IsInactive(object) ? kInactiveOverlay : 0;
}

void CDeviceViewModel::OnSelChanged(CTreeObject* object) {
  if (CDoc* doc = Doc()) doc->UpdateAllViews(this, HintSelectionChanged, object);
  if (m_pHost != nullptr) m_pHost->UpdateProperties(kPropertiesSelection, object);
}

void CDeviceViewModel::OnSetFocus() {
  if (m_pHost != nullptr) m_pHost->UpdateProperties(kPropertiesSelection, nullptr);
}

void CDeviceViewModel::OnRightClick(CItem* item, POINT point) {
  if (m_pHost != nullptr) m_pHost->ActivateFrame();
  if (item == nullptr) return;
  // As a tree selects: the item already selected raises no selection change, so the tag view
  // keeps its rows, their selection and their scrolling.
  if (item != GetSelectedItem()) SelectItem(item);
  if (CDoc* doc = Doc()) doc->ShowContextMenu(item->GetObject(), point);
}

CNodeTreeObject* CDeviceViewModel::SelectedNode() {
  CNodeTreeObject* node = CNodeTreeObject::FromObject(GetSelectedObject());
  if (node == nullptr) return nullptr;
  const int type = node->GetType();
  return (type == TreeObjectNode || type == TreeObjectRouter) && node->m_pNode != nullptr ? node : nullptr;
}

bool CDeviceViewModel::ClientsConnected() {
  CDocHost* host = GetDocHost();
  return host != nullptr && host->HasConnectedClients();
}

void CDeviceViewModel::OnProperties() {
  auto* object = dynamic_cast<CDefaultObject*>(GetSelectedObject());
  if (object == nullptr) return;
  const int result = ShowObjectProperties(*object);
  if (result == IDOK && UpdateObjectItem(object) && m_pHost != nullptr) m_pHost->UpdateProperties(kPropertiesChanged, object);
}

void CDeviceViewModel::OnShowStatus() {
  CNodeTreeObject* node = SelectedNode();
  if (node == nullptr) return;
  try {
    node->ShowStatus();
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}

void CDeviceViewModel::OnReplace() {
  RegisterConfigViewStrings();
  if (ClientsConnected()) {
    AfxMessageBox(IDS_CLIENTS_CONNECTED_NODE, MB_OK);
    return;
  }
  CNodeTreeObject* node = SelectedNode();
  if (node == nullptr) return;
  try {
    node->ReplaceNode();
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}

void CDeviceViewModel::OnDeleteNode() {
  RegisterConfigViewStrings();
  if (AfxMessageBox(IDS_DELETE_NODE, MB_YESNO | MB_ICONQUESTION) == IDNO) return;
  if (ClientsConnected()) {
    AfxMessageBox(IDS_CLIENTS_CONNECTED_NODE, MB_OK);
    return;
  }
  CNodeTreeObject* node = SelectedNode();
  CDoc* doc = Doc();
  if (node == nullptr || doc == nullptr) return;
  CItem* item = GetSelectedItem();
  if (!doc->DeleteNode(node)) return;
  // The item normally went with the device's record; otherwise it goes now.
  bool stillThere = false;
  ForEachItem([&](CItem* each) { stillThere = stillThere || each == item; });
  if (stillThere) DeleteItem(item);
}

void CDeviceViewModel::OnActive() {
  CNodeTreeObject* node = SelectedNode();
  if (node == nullptr) return;
  try {
    COleDispatchDriver& dispatch = node->m_pNode->m_dispatch;
    const bool active = lon_dispatch::GetBool(dispatch, kestrum::node::kActive);
    dispatch.SetProperty(kestrum::node::kActive, VT_BOOL, !active);
  } catch (const COleDispatchException& e) {
    e.ReportError();
    return;
  }
  if (UpdateObjectItem(node) && m_pHost != nullptr) m_pHost->UpdateProperties(kPropertiesChanged, node);
}

bool CDeviceViewModel::IsNodeCommandEnabled() {
  CDocHost* host = GetDocHost();
  const int startMode = host != nullptr ? host->GetStartMode() : 1;
  return startMode == 1 && SelectedNode() != nullptr;
}

CString CDeviceViewModel::GetActiveCommandText() {
  CNodeTreeObject* node = SelectedNode();
  if (node == nullptr) return CString();
  try {
    return lon_dispatch::GetBool(node->m_pNode->m_dispatch, kestrum::node::kActive) ? CString(L"Set inactive")
                                                                                     : CString(L"Set active");
  } catch (const COleDispatchException&) {
    return CString();
  }
}

BOOL CDeviceViewModel::OnPropertyChanged(CPropertyRow* property) {
  auto* object = dynamic_cast<CDefaultObject*>(GetSelectedObject());
  if (object == nullptr || property == nullptr) return FALSE;
  try {
    if (object->OnPropertyChanged(property->m_nDataId, property->m_value)) UpdateObjectItem(object);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
  return FALSE;
}

void CDeviceViewModel::GetProperties(CPropertyList& properties) {
  auto* object = dynamic_cast<CDefaultObject*>(GetSelectedObject());
  if (object == nullptr) return;
  try {
    object->FillProperties(properties);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}

void CDeviceViewModel::OnNodesRemoving(const std::list<CLonNode*>& nodes) {
  // Items of the departing devices go without looking at their objects, which may go first.
  std::vector<CItem*> going;
  ForEachItem([&](CItem* item) {
    if (item->m_pKey != nullptr && std::find(nodes.begin(), nodes.end(), item->m_pKey) != nodes.end()) going.push_back(item);
  });
  for (CItem* item : going) DeleteItem(item);
}
