#include "views/models/MultiSetDlgModel.h"

#include <algorithm>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/DataTypeNames.h"
#include "lon/LonDispatch.h"
#include "lon/LonNode.h"
#include "lon/NetworkVariable.h"
#include "platform/win32/Profile.h"

namespace {
constexpr const wchar_t* kSection = L"CMultiSetDlg";
constexpr const wchar_t* kEntry = L"BaseSetting";
constexpr size_t kStoredValues = 8;
}  // namespace

CMultiSetDlgModel::CMultiSetDlgModel(CNetworkVariable* nv) : m_pNV(nv) {}

void CMultiSetDlgModel::OnInitDialog() {
  m_dataTypeNames = GetDataTypeNameList();
  if (m_pNV != nullptr) {
    try {
      COleDispatchDriver& nv = m_pNV->m_dispatch;
      m_bAlwaysUseCache = lon_dispatch::GetBool(nv, kestrum::nv::kAlwaysUseCache);
      m_strNvTypeName = m_pNV->GetTypeName();
      m_strNvName = m_pNV->GetName();
      m_nCacheTimeout = lon_dispatch::GetLong(nv, kestrum::nv::kCacheTimeout);
      m_bMonitored = lon_dispatch::GetBool(nv, kestrum::nv::kMonitored);
      const USHORT vt = nv.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, static_cast<short>(-1));
      m_strDataType = LookupDataTypeName(vt);
    } catch (const COleDispatchException& e) {
      e.ReportError();
    }
  }
  CRegistryProfile* profile = AfxGetRegistryProfile();
  std::vector<BYTE> data;
  if (profile == nullptr || !profile->GetProfileBinary(kSection, kEntry, data) || data.size() != kStoredValues * 4) return;
  auto value = [&](size_t i) {
    const BYTE* p = &data[i * 4];
    return static_cast<int>(static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
                            static_cast<DWORD>(p[3]) << 24);
  };
  m_bApplyCacheUse = value(0) != 0;
  m_bApplyDataType = value(1) != 0;
  m_bApplyCacheTimeout = value(2) != 0;
  m_bApplyMonitoring = value(3) != 0;
  // Stored by another version or by hand: scopes outside the radio groups are clamped.
  m_nTagScope = std::clamp(value(4), static_cast<int>(AllTags), static_cast<int>(TagsOfName));
  m_nNodeScope = std::clamp(value(5), static_cast<int>(ThisNode), static_cast<int>(AllNodes));
  m_bFromThisLocation = value(6) != 0;
  m_bWithThisProgramId = value(7) != 0;
}

void CMultiSetDlgModel::OnDestroy() {
  CRegistryProfile* profile = AfxGetRegistryProfile();
  if (profile == nullptr) return;
  const int values[kStoredValues] = {m_bApplyCacheUse, m_bApplyDataType, m_bApplyCacheTimeout, m_bApplyMonitoring,
                                     m_nTagScope,      m_nNodeScope,     m_bFromThisLocation,  m_bWithThisProgramId};
  std::vector<BYTE> data;
  for (int v : values)
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<BYTE>(static_cast<DWORD>(v) >> shift));
  profile->WriteProfileBinary(kSection, kEntry, data.data(), static_cast<UINT>(data.size()));
}

void CMultiSetDlgModel::ApplyTo(COleDispatchDriver& settings) {
  namespace ms = kestrum::ms;
  if (m_bApplyCacheUse) settings.SetProperty(ms::kAlwaysUseCache, VT_BOOL, m_bAlwaysUseCache);
  if (m_bApplyDataType) {
    const DataTypeName* found = FindVarTypeByName(m_strDataType.GetString());
    settings.SetProperty(ms::kDataType, VT_I2, static_cast<short>(found != nullptr ? found->vt : -1));
  }
  if (m_bApplyCacheTimeout) settings.SetProperty(ms::kCacheTimeout, VT_I4, m_nCacheTimeout);
  if (m_bApplyMonitoring) settings.SetProperty(ms::kMonitored, VT_BOOL, m_bMonitored);
  if (m_pNV == nullptr) return;
  switch (m_nTagScope) {
    case AllTags:
      settings.InvokeHelper(ms::kAllTags, DISPATCH_METHOD, VT_EMPTY, nullptr);
      break;
    case TagsOfType:
      settings.SetProperty(ms::kTypeIndexScope, VT_I2, lon_dispatch::GetShort(m_pNV->m_dispatch, kestrum::nv::kTypeIndex));
      break;
    default:
      settings.SetProperty(ms::kNameScope, VT_BSTR, m_strNvName);
      break;
  }
  CLonNode* node = m_pNV->m_pNode;
  if (node == nullptr) return;
  if (m_nNodeScope == ThisNode) {
    settings.SetProperty(ms::kNode, VT_DISPATCH, node->m_dispatch.m_lpDispatch);
    return;
  }
  if (m_bWithThisProgramId) settings.SetProperty(ms::kProgramIdScope, VT_BSTR, lon_dispatch::GetText(node->m_dispatch, kestrum::node::kProgramId));
  if (m_bFromThisLocation) settings.SetProperty(ms::kLocationScope, VT_BSTR, lon_dispatch::GetText(node->m_dispatch, kestrum::node::kLocation));
}
