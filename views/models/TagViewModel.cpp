#include "views/models/TagViewModel.h"

#include <algorithm>

#include "foundation/Conversions.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/CPTreeObject.h"
#include "lon/LonDispatch.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "lon/SubfieldTreeObject.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Profile.h"
#include "project/Doc.h"
#include "project/ProjectResource.h"
#include "views/models/ConfigViewResource.h"
#include "views/models/DeviceViewModel.h"
#include "views/models/MultiSetDlgModel.h"
#include "views/models/ObjectProperties.h"

namespace {

using Item = CSuperGridModel::CTreeItem;

bool IsTagType(CTreeObject* object) {
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  if (typed == nullptr) return false;
  const int type = typed->GetType();
  return type == TreeObjectNV || type == TreeObjectCP || type == TreeObjectField;
}

// The device the object belongs to, null above the devices.
CLonNode* NodeOf(CTreeObject* object) {
  for (CTreeObject* at = object; at != nullptr; at = at->m_pParent)
    if (CNodeTreeObject* node = CNodeTreeObject::FromObject(at)) return node->m_pNode;
  return nullptr;
}

struct Column {
  const wchar_t* heading;
  int width;
};
constexpr Column kColumns[CTagViewModel::kColumnCount] = {
    {L"Address", 110}, {L"Name", 120}, {L"Value", 80}, {L"Type", 60}, {L"Description", 120}, {L"Timestamp", 90},
    {L"Cache timeout", 85}};

constexpr const wchar_t* kProfileSection = L"TagView";
constexpr const wchar_t* kProfileEntry = L"ColumnsWidth";

}  // namespace

CTagViewModel::CTagViewModel(CTagViewHost* host) : m_pHost(host) {
  m_list.SetListener(this);
  MapCommand(ID_EDIT_PROPERTIES, [this] { OnProperties(); });
  MapCommand(ID_TAG_CHANGE_VALUE, [this] { OnChangeValue(); });
  MapCommand(ID_TAG_MULTIPLE_SETTING, [this] { OnMultipleSetting(); });
  MapUpdateCommandUI(ID_EDIT_PROPERTIES, [this](CCmdUI* ui) { ui->Enable(m_pSelected != nullptr); });
  MapUpdateCommandUI(ID_TAG_CHANGE_VALUE, [this](CCmdUI* ui) { ui->Enable(m_monitor.IsRunning()); });
  MapUpdateCommandUI(ID_TAG_MULTIPLE_SETTING, [](CCmdUI* ui) { ui->Enable(TRUE); });
}

CTagViewModel::~CTagViewModel() {
  SetMonitoring(false);
  if (m_pHost != nullptr) m_pHost->OnViewGone();
  m_proxyUsers.Detach();
}

CDoc* CTagViewModel::Doc() { return dynamic_cast<CDoc*>(GetDocument()); }

void CTagViewModel::AttachToManager() { m_proxyUsers.Attach(Doc(), {this, &m_monitor}); }

void CTagViewModel::OnInitialUpdate() {
  AttachToManager();
  Clear();
}

void CTagViewModel::Clear() {
  m_list.DeleteAllItems();
  m_pShown = nullptr;
  m_pSelected = nullptr;
  m_pShownNode = nullptr;
  m_monitor.Clear();
  Redraw();
}

bool CTagViewModel::Touches(CTreeObject* object) {
  if (object == nullptr || m_pShown == nullptr) return false;
  for (CTreeObject* at = m_pShown; at != nullptr; at = at->m_pParent)
    if (at == object) return true;
  return m_list.FindItem(object) != nullptr;
}

void CTagViewModel::OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) {
  AttachToManager();
  CTreeObject* object = dynamic_cast<CTreeObject*>(hintObject);
  switch (hint) {
    case HintAll:
    case HintReloadTree:
    case HintDeviceTreeGoing:
      Clear();
      break;
    case HintSelectionChanged:
      if (dynamic_cast<CDeviceViewModel*>(sender) != nullptr) Fill(object);
      break;
    case HintRefreshValues:
      RefreshVisible();
      break;
    case HintNameChanged:
      if (Item* item = m_list.FindItem(object)) RefreshRow(item, kAllButValue);
      break;
    case HintInactiveChanged:
      RefreshAll(kOverlay);
      Redraw();
      break;
    case HintTagRemoved:
      if (Item* item = m_list.FindItem(object)) {
        m_list.DeleteItem(item);
        if (m_pSelected != nullptr && m_list.FindItem(m_pSelected) == nullptr) m_pSelected = nullptr;
        Redraw();
      }
      break;
    case HintTagAdded:
      if (object != nullptr && m_pShown != nullptr && object->m_pParent == m_pShown) {
        CDoc* doc = Doc();
        Item* item = m_list.InsertItem(nullptr, object->GetName(), doc != nullptr ? doc->GetTreeImage(object) : 0);
        item->m_pUserData = object;
        RefreshRow(item, kAllButValue);
        Redraw();
      }
      break;
    case HintObjectRemoved:
      // The object goes right after this hint: nothing of it may stay shown.
      if (Touches(object)) Clear();
      break;
    case HintMonitoringOn:
      SetMonitoring(true);
      if (m_pShown != nullptr && m_monitor.IsRunning()) HandChildrenToMonitor();
      break;
    case HintMonitoringOff:
      SetMonitoring(false);
      RefreshVisible();
      Redraw();
      break;
    default:
      break;
  }
}

void CTagViewModel::Fill(CTreeObject* object) {
  m_list.DeleteAllItems();
  m_pSelected = nullptr;
  m_pShown = object;
  m_pShownNode = NodeOf(object);
  if (object != nullptr) {
    m_bNotifySelection = false;
    for (CTreeObject* child : object->m_children)
      if (IsTagType(child)) AddRows(nullptr, child);
    RefreshAll(kAllButValue);
  }
  Redraw();
  if (object != nullptr && m_monitor.IsRunning()) HandChildrenToMonitor();
  m_bNotifySelection = true;
}

void CTagViewModel::AddRows(Item* parent, CTreeObject* object) {
  CDoc* doc = Doc();
  Item* item = m_list.InsertItem(parent, object->GetName(), doc != nullptr ? doc->GetTreeImage(object) : 0);
  item->m_pUserData = object;
  for (CTreeObject* child : object->m_children)
    if (IsTagType(child)) AddRows(item, child);
  if (m_expanded.count(object->GetPath()) != 0) m_list.Expand(item);
}

void CTagViewModel::HandChildrenToMonitor() {
  std::set<CTreeObject*> children(m_pShown->m_children.begin(), m_pShown->m_children.end());
  m_monitor.Clear();
  m_monitor.AddObjects(children);
}

void CTagViewModel::RefreshRow(Item* item, UINT mask) {
  CTreeObject* object = CTagsListModel::ObjectOf(item);
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  if (typed == nullptr) return;
  CDoc* doc = Doc();
  const int type = typed->GetType();
  CNvTreeObject* nv = type == TreeObjectNV ? CNvTreeObject::FromObject(object) : nullptr;
  CCPTreeObject* cp = type == TreeObjectCP ? CCPTreeObject::FromObject(object) : nullptr;
  auto* field = type == TreeObjectField ? dynamic_cast<CSubfieldTreeObject*>(object) : nullptr;
  if (nv != nullptr && nv->m_pNV == nullptr) nv = nullptr;
  if (cp != nullptr && cp->m_pCP == nullptr) cp = nullptr;
  // A failing read leaves the cell as it was; the timer would repeat any message every tick.
  auto cell = [&](UINT bit, int column, const std::function<CString()>& text) {
    if ((mask & bit) == 0) return;
    try {
      m_list.SetCellText(item, column, text());
    } catch (const COleDispatchException&) {
    }
  };
  const bool monitoring = doc != nullptr && doc->m_bMonitoring != 0;
  cell(kName, 1, [&] { return nv != nullptr ? nv->GetNvName() : cp != nullptr ? cp->GetCpName() : CString(); });
  cell(kValue, 2, [&] {
    if (!monitoring) return CString();
    if (nv != nullptr) return nv->GetValueText();
    if (cp != nullptr) return cp->GetValueText();
    return field != nullptr ? field->GetValueText() : CString();
  });
  cell(kType, 3, [&] { return nv != nullptr ? nv->GetTypeName() : cp != nullptr ? cp->GetTypeName() : CString(); });
  cell(kDescription, 4, [&] { return nv != nullptr ? nv->GetDescription() : cp != nullptr ? cp->GetDescription() : CString(); });
  cell(kTimestamp, 5, [&] {
    if (nv != nullptr) return FormatTimeStamp(nv->GetTimestamp());
    return cp != nullptr ? FormatTimeStamp(cp->GetTimestamp()) : CString();
  });
  cell(kCacheTimeout, 6, [&] {
    CString text;
    if (nv != nullptr) text.Format(L"%7d", static_cast<int>(lon_dispatch::GetLong(nv->m_pNV->m_dispatch, kestrum::nv::kCacheTimeout)));
    if (cp != nullptr) text.Format(L"%7d", static_cast<int>(lon_dispatch::GetLong(cp->m_pCP->m_dispatch, kestrum::cp::kCacheTimeout)));
    return text;
  });
  if ((mask & kOverlay) != 0) item->m_nOverlay = doc != nullptr && doc->IsInactive(object) ? 1 : 0;
}

void CTagViewModel::RefreshSubtree(Item* item, UINT mask) {
  RefreshRow(item, mask);
  for (const auto& child : item->GetChildren()) RefreshSubtree(child.get(), mask);
}

void CTagViewModel::RefreshAll(UINT mask) {
  for (const auto& root : m_list.GetRootItems()) RefreshSubtree(root.get(), mask);
}

void CTagViewModel::RefreshVisible() {
  const auto& roots = m_list.GetRootItems();
  if (roots.empty()) return;
  Item* top = m_list.GetTopRoot(m_pHost != nullptr ? m_pHost->GetTopIndex() : 0);
  const int perPage = m_pHost != nullptr ? m_pHost->GetCountPerPage() : 20;
  auto at = std::find_if(roots.begin(), roots.end(), [&](const auto& root) { return root.get() == top; });
  for (int done = 0; at != roots.end() && done < perPage; ++at, ++done) RefreshSubtree(at->get(), kValueAndTime);
  Redraw();
}

void CTagViewModel::SetMonitoring(bool on) {
  if (on == m_monitor.IsRunning()) return;
  if (!on) {
    if (m_pHost != nullptr) m_pHost->KillTimer(ID_TIMER_TAG_VALUES);
    m_monitor.Stop();
    m_monitor.Clear();
    return;
  }
  m_monitor.Start();
  if (m_pHost != nullptr) m_pHost->SetTimer(ID_TIMER_TAG_VALUES, kTagValuesPeriodMs);
}

void CTagViewModel::OnTimer(UINT id) {
  if (id != ID_TIMER_TAG_VALUES) return;
  if (m_pHost != nullptr && m_pHost->IsMinimised()) return;
  RefreshVisible();
}

void CTagViewModel::OnSelectionChanged(const std::vector<int>& rows) {
  Item* newest = m_list.SetSelectedRows(rows);
  const auto& selection = m_list.GetSelection();
  if (newest != nullptr)
    m_pSelected = CTagsListModel::ObjectOf(newest);
  else if (selection.empty())
    m_pSelected = nullptr;
  else if (std::none_of(selection.begin(), selection.end(), [&](Item* item) { return CTagsListModel::ObjectOf(item) == m_pSelected; }))
    m_pSelected = CTagsListModel::ObjectOf(selection.front());
  if (!m_bNotifySelection) return;
  if (m_pSelected != nullptr)
    if (CDoc* doc = Doc()) doc->UpdateAllViews(this, HintSelectionChanged, m_pSelected);
  if (m_pHost != nullptr) m_pHost->UpdateProperties(kPropertiesSelection, m_pSelected);
}

void CTagViewModel::OnSetFocus() {
  if (m_pHost != nullptr) m_pHost->UpdateProperties(kPropertiesSelection, nullptr);
}

void CTagViewModel::OnDoubleClick(int row) {
  if (m_pHost != nullptr) m_pHost->ActivateFrame();
  if (Item* item = m_list.GetRowItem(row)) {
    m_list.Select(item);
    m_pSelected = CTagsListModel::ObjectOf(item);
  }
  if (m_pSelected != nullptr) OnProperties();
}

void CTagViewModel::OnRightClick(int row, POINT point) {
  if (Item* item = m_list.GetRowItem(row)) {
    m_list.Select(item);
    m_pSelected = CTagsListModel::ObjectOf(item);
  }
  if (CDoc* doc = Doc()) doc->ShowContextMenu(m_pSelected, point);
}

int CTagViewModel::OnToggleRow(int row) { return m_list.ToggleExpansion(m_list.GetRowItem(row)); }

void CTagViewModel::OnItemExpanded(Item* item) {
  if (CTreeObject* object = CTagsListModel::ObjectOf(item)) m_expanded.insert(object->GetPath());
}

void CTagViewModel::OnItemCollapsed(Item* item) {
  if (CTreeObject* object = CTagsListModel::ObjectOf(item)) m_expanded.erase(object->GetPath());
}

void CTagViewModel::OnProperties() {
  auto* object = dynamic_cast<CDefaultObject*>(m_pSelected);
  if (object == nullptr) return;
  const int result = ShowObjectProperties(*object);
  if (result != IDOK) return;
  if (Item* item = m_list.FindItem(object)) RefreshRow(item, kAllButValue);
  if (CDoc* doc = Doc()) doc->UpdateAllViews(this, HintNameChanged, object);
  if (m_pHost != nullptr) m_pHost->UpdateProperties(kPropertiesChanged, object);
}

void CTagViewModel::OnChangeValue() {
  RegisterConfigViewStrings();
  try {
    if (CNvTreeObject* nv = CNvTreeObject::FromObject(m_pSelected); nv != nullptr && nv->GetType() == TreeObjectNV) {
      if (nv->m_pNV == nullptr) return;
      CDoc* doc = Doc();
      if (doc == nullptr || doc->m_settings.dbmode == kestrum::kModeSimulate || nv->m_pNV->IsWritable())
        nv->m_pNV->Write();
      else
        AfxMessageBox(IDS_NV_NOT_WRITABLE, MB_ICONINFORMATION);
    } else if (CCPTreeObject* cp = CCPTreeObject::FromObject(m_pSelected); cp != nullptr && cp->GetType() == TreeObjectCP) {
      if (cp->m_pCP != nullptr) cp->m_pCP->StoreValueText();
    }
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}

void CTagViewModel::OnMultipleSetting() {
  CNvTreeObject* nv = CNvTreeObject::FromObject(m_pSelected);
  if (nv == nullptr || nv->GetType() != TreeObjectNV || nv->m_pNV == nullptr) return;
  CMultiSetDlgModel dialog(nv->m_pNV);
  if (m_pHost == nullptr || m_pHost->RunMultiSetDialog(dialog) != IDOK) return;
  CDoc* doc = Doc();
  if (doc == nullptr) return;
  try {
    COleDispatchDriver settings = lon_dispatch::GetObject(doc->m_control, kestrum::ctl::kMultiSetting);
    if (settings.m_lpDispatch == nullptr) {
      AfxMessageBox(L"The network control gave no settings object; nothing was changed.", MB_ICONEXCLAMATION);
      return;
    }
    dialog.ApplyTo(settings);
    if (!doc->m_control.InvokeMethod<bool>(kestrum::ctl::kApplyMultiSetting, settings.m_lpDispatch))
      AfxMessageBox(L"The network control did not apply the multiple setting.", MB_ICONEXCLAMATION);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
  RefreshAll(kAllButValue);
  doc->UpdateAllViews(this, HintSelectionChanged, nv);
  m_pHost->UpdateProperties(kPropertiesSelection, nv);
}

BOOL CTagViewModel::OnPropertyChanged(CPropertyRow* property) {
  if (property == nullptr) return FALSE;
  for (Item* item : std::vector<Item*>(m_list.GetSelection())) {
    auto* object = dynamic_cast<CDefaultObject*>(CTagsListModel::ObjectOf(item));
    if (object == nullptr) continue;
    try {
      if (object->OnPropertyChanged(property->m_nDataId, property->m_value)) RefreshRow(item, kAllButValue);
    } catch (const COleDispatchException& e) {
      e.ReportError();
    }
  }
  return FALSE;
}

void CTagViewModel::GetProperties(CPropertyList& properties) {
  const auto& selection = m_list.GetSelection();
  try {
    if (selection.size() < 2) {
      if (auto* object = dynamic_cast<CDefaultObject*>(m_pSelected)) object->FillProperties(properties);
      return;
    }
    std::vector<CTreeObject*> objects;
    for (Item* item : selection)
      if (CTreeObject* object = CTagsListModel::ObjectOf(item)) objects.push_back(object);
    FillSelectionProperties(objects, properties);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}

void CTagViewModel::OnNodesRemoving(const std::list<CLonNode*>& nodes) {
  if (m_pShownNode != nullptr && std::find(nodes.begin(), nodes.end(), m_pShownNode) != nodes.end()) Clear();
}

const wchar_t* CTagViewModel::GetColumnHeading(int column) {
  return column >= 0 && column < kColumnCount ? kColumns[column].heading : L"";
}

int CTagViewModel::GetDefaultColumnWidth(int column) { return column >= 0 && column < kColumnCount ? kColumns[column].width : 0; }

std::vector<int> CTagViewModel::LoadColumnWidths() {
  std::vector<int> widths;
  for (int column = 0; column < kColumnCount; ++column) widths.push_back(kColumns[column].width);
  CRegistryProfile* profile = AfxGetRegistryProfile();
  if (profile == nullptr) return widths;
  std::vector<UINT> stored;
  TextToUIntArray(stored, profile->GetProfileString(kProfileSection, kProfileEntry, L""));
  for (size_t i = 0; i < stored.size() && i < widths.size(); ++i) widths[i] = static_cast<int>(stored[i]);
  return widths;
}

void CTagViewModel::SaveColumnWidths(const std::vector<int>& widths) {
  CRegistryProfile* profile = AfxGetRegistryProfile();
  if (profile == nullptr) return;
  std::vector<UINT> values(widths.begin(), widths.end());
  profile->WriteProfileString(kProfileSection, kProfileEntry, UIntArrayToText(values).GetString());
}

void CTagViewModel::Redraw() {
  if (m_pHost != nullptr) m_pHost->Redraw();
}
