#include "views/models/OPCItemsListModel.h"

#include <algorithm>
#include <cstring>

#include "foundation/Conversions.h"
#include "platform/win32/Profile.h"
#include "project/OPCItemTreeObject.h"

const COPCItemsListModel::Column COPCItemsListModel::kColumns[ColumnCount] = {
    {L"Item ID", 200},      {L"R/W", 50},       {L"Canonical DT", 105}, {L"Requested DT", 105},
    {L"ClientHandle", 105}, {L"Value", 200},    {L"Timestamp", 150},    {L"Quality", 80},
    {L"Reads", 150},        {L"Writes", 150},   {L"Polls", 150},        {L"Updates", 150},
};

namespace {
int Sign(long long value) { return (value > 0) - (value < 0); }

ULONGLONG FileTimeValue(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

const CItemInfo::Counter kCounterOfColumn[] = {CItemInfo::Reads, CItemInfo::Writes, CItemInfo::Polls,
                                               CItemInfo::Updates};
}  // namespace

void COPCItemsListModel::SetColumnMask(int mask) {
  m_nColumnMask = mask;
  if ((mask & AllColumns) == 0) mask = 1;
  m_columnIds.clear();
  for (int i = 0; i < ColumnCount; ++i)
    if ((mask & (1 << i)) != 0) m_columnIds.push_back(i);
  if (m_pSink != nullptr) m_pSink->OnColumnsChanged();
}

int COPCItemsListModel::InsertRow(const CItemInfo& info) {
  if (!m_infos.emplace(info.m_dwKey, info).second) return -1;
  m_rows.push_back(info.m_dwKey);
  if (!m_bSortedKeysStale) {
    // Keys come mostly in ascending order: an append.
    m_sortedKeys.insert(std::upper_bound(m_sortedKeys.begin(), m_sortedKeys.end(), info.m_dwKey), info.m_dwKey);
  }
  return static_cast<int>(m_rows.size()) - 1;
}

bool COPCItemsListModel::UpdateRow(const CItemInfo& info, int row) {
  if (row < 0 || row >= GetRowCount()) return false;
  auto found = m_infos.find(m_rows[static_cast<size_t>(row)]);
  if (found == m_infos.end() || found->second.m_dwKey != info.m_dwKey) return false;
  if (CItemInfo::Compare(found->second, info)) return false;
  found->second = info;
  if (m_pSink != nullptr) m_pSink->OnRowChanged(row);
  return true;
}

void COPCItemsListModel::DeleteRow(int row) {
  if (row < 0 || row >= GetRowCount()) return;
  m_infos.erase(m_rows[static_cast<size_t>(row)]);
  m_rows.erase(m_rows.begin() + row);
  m_bSortedKeysStale = true;
}

bool COPCItemsListModel::KeepOnlyKeys(const std::deque<DWORD>& sortedKeys) {
  const size_t before = m_rows.size();
  std::erase_if(m_rows, [&](DWORD key) {
    if (std::binary_search(sortedKeys.begin(), sortedKeys.end(), key)) return false;
    m_infos.erase(key);
    return true;
  });
  if (m_rows.size() == before) return false;
  m_bSortedKeysStale = true;
  return true;
}

void COPCItemsListModel::DeleteAllRows() {
  m_rows.clear();
  m_infos.clear();
  m_sortedKeys.clear();
  m_bSortedKeysStale = false;
  if (m_pSink != nullptr) m_pSink->OnRowsReset();
}

bool COPCItemsListModel::HasSameKeys(const std::deque<DWORD>& sortedKeys) const {
  if (m_bSortedKeysStale) {
    m_sortedKeys = m_rows;
    std::sort(m_sortedKeys.begin(), m_sortedKeys.end());
    m_bSortedKeysStale = false;
  }
  return std::equal(m_sortedKeys.begin(), m_sortedKeys.end(), sortedKeys.begin(), sortedKeys.end());
}

const CItemInfo* COPCItemsListModel::GetRowInfo(int row) const {
  if (row < 0 || row >= GetRowCount()) return nullptr;
  auto found = m_infos.find(m_rows[static_cast<size_t>(row)]);
  return found != m_infos.end() ? &found->second : nullptr;
}

CString COPCItemsListModel::GetCellText(const CItemInfo& info, int column) {
  CString text;
  switch (column) {
    case 0: return info.m_strItemID;
    case 1: return FormatAccessRightsText(info.m_dwAccessRights);
    case 2: return VarTypeToName(info.m_vtCanonical);
    case 3: return VarTypeToName(info.m_vtRequested);
    case 4: text.Format(L"%u", info.m_hClient); return text;
    case 5: return info.m_strValue;
    case 6: return FormatTimeStamp(info.m_ftTimestamp);
    case 7: return QualityToText(info.m_wQuality);
    case 8: case 9: case 10: case 11: {
      const CSpyCounter& counter = info.m_counters[kCounterOfColumn[column - 8]];
      return FormatCountAndTime(static_cast<int>(counter.m_nCount), counter.m_ftTime);
    }
    default: return CString();
  }
}

CString COPCItemsListModel::GetCellText(int row, int column) const {
  const CItemInfo* info = GetRowInfo(row);
  return info != nullptr ? GetCellText(*info, column) : CString();
}

int COPCItemsListModel::CompareColumn(const CItemInfo& a, const CItemInfo& b, int column) {
  switch (column) {
    case 0: return CompareText(a.m_strItemID, b.m_strItemID);
    case 1: return Sign(static_cast<long long>(a.m_dwAccessRights) - b.m_dwAccessRights);
    case 2: return CompareVarTypeNames(a.m_vtCanonical, b.m_vtCanonical);
    case 3: return CompareVarTypeNames(a.m_vtRequested, b.m_vtRequested);
    case 4: return Sign(static_cast<long long>(a.m_hClient) - b.m_hClient);
    case 5: return CompareText(a.m_strValue, b.m_strValue);
    case 6: {
      const ULONGLONG x = FileTimeValue(a.m_ftTimestamp), y = FileTimeValue(b.m_ftTimestamp);
      return (x > y) - (x < y);
    }
    case 7: return CompareText(QualityToText(a.m_wQuality), QualityToText(b.m_wQuality));
    case 8: case 9: case 10: case 11: {
      const CItemInfo::Counter counter = kCounterOfColumn[column - 8];
      return Sign(static_cast<long long>(a.m_counters[counter].m_nCount) - b.m_counters[counter].m_nCount);
    }
    default: return 0;
  }
}

void COPCItemsListModel::OnHeaderClick(int column) {
  SetSort(column, column == m_nSortColumn ? !m_bAscending : true);
}

void COPCItemsListModel::SetSort(int column, bool ascending) {
  m_nSortColumn = column >= 0 && column < ColumnCount ? column : -1;
  m_bAscending = ascending;
  Sort();
}

bool COPCItemsListModel::Sort() {
  if (m_nSortColumn < 0) return false;
  const int column = m_nSortColumn;
  const bool ascending = m_bAscending;
  auto before = [&](DWORD x, DWORD y) {
    const int order = CompareColumn(m_infos.at(x), m_infos.at(y), column);
    return ascending ? order < 0 : order > 0;
  };
  if (std::is_sorted(m_rows.begin(), m_rows.end(), before)) return false;
  std::stable_sort(m_rows.begin(), m_rows.end(), before);
  if (m_pSink != nullptr) m_pSink->OnRowsReset();
  return true;
}

void COPCItemsListModel::SetVisibleRows(int top, int countPerPage) {
  m_nTopIndex = std::max(0, top);
  m_nCountPerPage = std::max(0, countPerPage);
}

void COPCItemsListModel::QueryVisibleRows() {
  int top = 0, count = 0;
  if (m_pSink != nullptr && m_pSink->GetVisibleRows(top, count)) SetVisibleRows(top, count);
}

void COPCItemsListModel::SaveSort(const wchar_t* section, const wchar_t* entry) const {
  CRegistryProfile* profile = AfxGetRegistryProfile();
  if (profile == nullptr) return;
  const int32_t values[2] = {m_nSortColumn, m_bAscending ? 1 : 0};
  BYTE bytes[sizeof(values)];
  std::memcpy(bytes, values, sizeof(values));
  profile->WriteProfileBinary(section, entry, bytes, sizeof(bytes));
}

void COPCItemsListModel::LoadSort(const wchar_t* section, const wchar_t* entry) {
  CRegistryProfile* profile = AfxGetRegistryProfile();
  std::vector<BYTE> bytes;
  if (profile == nullptr || !profile->GetProfileBinary(section, entry, bytes) || bytes.size() < 8) return;
  int32_t values[2];
  std::memcpy(values, bytes.data(), sizeof(values));
  if (values[0] < -1 || values[0] >= ColumnCount) return;
  SetSort(values[0], values[1] != 0);
}
