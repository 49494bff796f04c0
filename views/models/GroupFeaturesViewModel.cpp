#include "views/models/GroupFeaturesViewModel.h"

#include <algorithm>
#include <deque>

#include "foundation/Conversions.h"
#include "opcserver/OPCToolkitManager.h"
#include "project/Doc.h"
#include "project/OPCGroupTreeObject.h"
#include "project/OPCItemTreeObject.h"
#include "project/ProjectResource.h"
#include "views/models/GroupItemViewModel.h"

namespace {
constexpr const wchar_t* kProfileSection = L"OPCItemsView";
constexpr const wchar_t* kProfileEntry = L"OpcItemsCtrl";
}  // namespace

CGroupFeaturesViewModel::CGroupFeaturesViewModel() {
  for (int i = 0; i < CGroupInfo::CounterCount; ++i) m_counters[i].m_strName = kGroupCounterRows[i].name;
}

CGroupFeaturesViewModel::~CGroupFeaturesViewModel() = default;

int CGroupFeaturesViewModel::GetSettingsColumnMask() {
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->m_settings.OpcItemsTable : COPCItemsListModel::AllColumns;
}

void CGroupFeaturesViewModel::OnInitialUpdate() {
  m_items.SetColumnMask(GetSettingsColumnMask());
  m_items.LoadSort(kProfileSection, kProfileEntry);
  m_window = std::make_unique<CViewMessageWindow>([this](UINT_PTR id) { OnTimer(id); });
  m_window->SetTimer(kTimerId, 1000);
}

void CGroupFeaturesViewModel::OnDestroy() {
  if (m_window) m_window->KillTimer(kTimerId);
  m_window.reset();
  m_items.SaveSort(kProfileSection, kProfileEntry);
}

void CGroupFeaturesViewModel::OnUpdate(CView* sender, LPARAM hint, CObject* object) {
  if (hint == HintSelectionChanged) {
    // Only the diagnostics tree sends its own objects; anything else is no group of ours.
    if (dynamic_cast<CGroupItemViewModel*>(sender) == nullptr) return;
    COPCGroupTreeObject* group = AsGroupTreeObject(static_cast<CDefaultObject*>(object));
    const DWORD key = group != nullptr ? group->m_dwKey : 0;
    if (key != m_dwGroupKey) {
      DeleteAllItemRows();
      m_strPaneState.Empty();
    }
    m_dwGroupKey = key;
    m_strGroupName = group != nullptr ? group->GetName() : CString();
    Refresh();
  } else if (hint == HintOpcItemsColumns) {
    const int mask = GetSettingsColumnMask();
    if (mask != m_items.GetColumnMask()) {
      DeleteAllItemRows();
      m_items.SetColumnMask(mask);
    }
    Refresh();
  }
}

void CGroupFeaturesViewModel::OnTimer(UINT_PTR id) {
  if (id != kTimerId) return;
  if (m_bMinimised || (m_pSink != nullptr && m_pSink->IsMinimised())) return;
  Refresh();
}

void CGroupFeaturesViewModel::Refresh() {
  if (m_dwGroupKey == 0) return;
  CGroupInfo info;
  if (!GetOPCToolkitManager().GetGroupInfo(m_dwGroupKey, info)) return;
  if (info.m_strName != m_strLastName) {
    m_strLastName = info.m_strName;
    m_strGroupName = info.m_strName;
    m_strBanner.Format(L"Properties of the OPC Group '%s'", info.m_strName);
    if (m_pSink != nullptr) m_pSink->OnBannerChanged();
  }
  m_fields.m_fDeadband = info.m_fDeadband;
  m_fields.m_lTimeBias = info.m_lTimeBias;
  m_fields.m_dwUpdateRate = info.m_dwUpdateRate;
  m_fields.m_bActive = info.m_bActive;
  m_fields.m_hClient = info.m_hClient;
  m_fields.m_bSubscribed = info.m_bSubscribed;
  m_fields.m_strLocaleId = Hex32ToText(info.m_dwLCID);
  m_fields.m_dwLastUpdateRate = info.m_dwLastCycle;
  m_fields.m_strItemCount.Format(L"%d item(s)", static_cast<int>(info.m_nItemCount));
  for (int i = 0; i < CGroupInfo::CounterCount; ++i) {
    const CSpyCounter& counter = info.m_counters[kGroupCounterRows[i].counter];
    m_counters[i].m_strCount.Format(L"%u", counter.m_nCount);
    m_counters[i].m_strTime = FormatTimeStamp(counter.m_ftTime);
  }
  if (m_pSink != nullptr) m_pSink->OnFieldsChanged();
  // The properties pane shows the same record: it follows a change of the group's state (items
  // added or removed, a sink connected...), not of its counters, which change with every call.
  CString paneState;
  paneState.Format(L"%s|%u|%d|%d|%u|%g|%ld|%u|%u", info.m_strName, info.m_nItemCount, info.m_bSubscribed ? 1 : 0,
                   info.m_bActive ? 1 : 0, info.m_dwUpdateRate, static_cast<double>(info.m_fDeadband),
                   static_cast<long>(info.m_lTimeBias), info.m_dwLCID, info.m_hClient);
  const bool paneStale = !m_strPaneState.IsEmpty() && paneState != m_strPaneState;
  m_strPaneState = paneState;
  if (paneStale) CViewMessageWindow::RefreshPropertiesPane(2, 0);
  UpdateItemRows();
}

void CGroupFeaturesViewModel::DeleteAllItemRows() {
  m_items.DeleteAllRows();
  m_nItemsVersion = 0;
}

// A tick reads the group's item keys only when items came or went, and the records of the rows
// in view: its cost does not grow with the group.
void CGroupFeaturesViewModel::UpdateItemRows() {
  COPCToolkitManager& registry = GetOPCToolkitManager();
  std::deque<DWORD> keys;
  const bool listed = registry.ListItemsIfChanged(m_dwGroupKey, m_nItemsVersion, keys);
  CGroupInfo still;
  if (listed && keys.empty() && !registry.GetGroupInfo(m_dwGroupKey, still)) return;  // gone meanwhile
  if (!std::is_sorted(keys.begin(), keys.end())) std::sort(keys.begin(), keys.end());
  bool structural = false;
  if (listed && !m_items.HasSameKeys(keys)) {
    // New keys get rows (an item whose record went meanwhile is left for the next tick); rows of
    // keys no longer there go.
    for (DWORD key : keys) {
      if (m_items.HasKey(key)) continue;
      CItemInfo info;
      if (!registry.GetItemInfo(key, info)) continue;
      m_items.InsertRow(info);
      structural = true;
    }
    if (m_items.KeepOnlyKeys(keys)) structural = true;
  }
  bool changed = false;
  m_items.QueryVisibleRows();
  const int end = std::min(m_items.GetRowCount(), m_items.GetTopIndex() + m_items.GetCountPerPage());
  for (int row = m_items.GetTopIndex(); row < end; ++row) {
    CItemInfo info;
    if (registry.GetItemInfo(m_items.GetRowKey(row), info) && m_items.UpdateRow(info, row)) changed = true;
  }
  const bool moved = (structural || changed) && m_items.Sort();
  if (structural && !moved) m_items.NotifyRowsReset();
}

void CGroupFeaturesViewModel::SetSelectedRow(int row) {
  m_dwSelectedKey = row >= 0 && row < m_items.GetRowCount() ? m_items.GetRowKey(row) : 0;
}

void CGroupFeaturesViewModel::OnSelectionOrFocus() { CViewMessageWindow::RefreshPropertiesPane(2, 0); }

void CGroupFeaturesViewModel::GetProperties(CPropertyList& properties) {
  auto selected = m_items.GetInfos().find(m_dwSelectedKey);
  if (selected != m_items.GetInfos().end()) {
    COPCItemTreeObject item(selected->second);
    item.FillProperties(properties);
    return;
  }
  if (m_dwGroupKey == 0) return;
  COPCGroupTreeObject group(m_strGroupName, m_dwGroupKey);
  group.FillProperties(properties);
}
