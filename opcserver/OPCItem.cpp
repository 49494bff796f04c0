#include "opcserver/OPCItem.h"

#include <cmath>

#include "foundation/ProtocolEventsCollector.h"
#include "opcserver/MyOPCGroup.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCToolkitManager.h"
#include "platform/com/Activation.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/Variant.h"

namespace {
// Runs calls into the tag; a failing call of the network control becomes E_FAIL. Anything else
// thrown is a fault of ours and goes on to the last guard of the COM method or thread.
template <class F>
HRESULT CallTag(F&& f) {
  try {
    f();
    return S_OK;
  } catch (const COleDispatchException&) {
    return E_FAIL;
  }
}
}  // namespace

COPCItem::COPCItem(COPCTag* tag, CMyOPCGroup* group, OPCHANDLE hServer)
    : m_ftTimestamp{0, 0}, m_pGroup(group), m_pTag(tag), m_hServer(hServer) {
  VariantInit(&m_value);
  CoFileTimeNow(&m_ftTimestamp);
  m_hrInit = CallTag([&] {
    m_vtCanonical = m_pTag->GetCanonicalType();
    // Kept in the record only: set before the record is linked where anyone can read it, and
    // never changed after.
    m_spy.m_info.m_strItemID = m_pTag->GetName();
    m_dwAccessRights = m_pTag->GetAccessRights();
    m_pTag->Activate();
    m_bTagActivated = true;
  });
  if (SUCCEEDED(m_hrInit)) m_hrInit = Update(0.0f);
  // The data point went while the item was being made: the ID names nothing any more.
  if (m_hrInit == OPC_E_UNKNOWNITEMID) m_hrInit = OPC_E_INVALIDITEMID;
}

COPCItem::~COPCItem() {
  if (m_bMonitoring) ReleaseMonitoring();
  // A destructor must not throw: a control that fails here leaves nothing the item could mend.
  if (m_bTagActivated) (void)CallTag([&] { m_pTag->Deactivate(); });
  delete m_pTag;
  VariantClear(&m_value);
}

void COPCItem::ReleaseMonitoring() {
  m_bMonitoring = false;
  int before = m_pTag->m_nActiveItemRefs--;
  // The tag forgets its request before it tells the control, so a failing call still lowers it.
  if (before == 1) (void)CallTag([&] { m_pTag->StopMonitoring(); });
  if (before <= 0) m_pTag->m_nActiveItemRefs = 0;
}

FILETIME COPCItem::GetTimestamp() { return m_ftTimestamp; }

HRESULT COPCItem::GetValue(VARIANT* out) {
  if (!out) return E_POINTER;
  if (m_bNoDataPoint) return OPC_E_UNKNOWNITEMID;
  if ((m_value.vt & VT_ARRAY) || m_value.vt == ReadType()) return VariantCopy(out, &m_value);
  return VariantChangeType(out, &m_value, 0, ReadType());
}

WORD COPCItem::GetQuality() { return m_wQuality; }

HRESULT COPCItem::Write(VARIANT value) {
  VARIANT copy;
  VariantInit(&copy);
  HRESULT hr = S_OK;
  HRESULT call = CallTag([&] { hr = WriteConverted(value, &copy); });
  if (FAILED(call)) hr = call;
  VariantClear(&copy);
  VariantClear(&value);
  return hr;
}

HRESULT COPCItem::WriteConverted(const VARIANT& value, VARIANT* copyOut) {
  HRESULT hr = S_OK;
  VARIANT& copy = *copyOut;
  if (!m_pTag->HasDataPoint()) {
    hr = OPC_E_UNKNOWNITEMID;
  } else if (!(GetAccessRights() & OPC_WRITEABLE)) {
    hr = OPC_E_BADRIGHTS;
  } else if (value.vt == VT_EMPTY) {
    hr = OPC_E_BADTYPE;
  } else {
    hr = value.vt == m_vtCanonical ? VariantCopy(&copy, &value) : VariantChangeType(&copy, &value, 0, m_vtCanonical);
    if (SUCCEEDED(hr)) {
      {
        CSpyLock lock;
        m_spy.m_info.m_counters[CItemInfo::Writes].Raise();
      }
      if (m_pTag->WriteValue(&copy)) {
        // The value is on its way to the device; a failing read-back shows in the quality.
        (void)Update(0.0f);
        NotifyEvent(OpcEventItemWrite);
        hr = S_OK;
      } else {
        // The device may have gone during the write.
        hr = m_pTag->HasDataPoint() ? E_FAIL : OPC_E_UNKNOWNITEMID;
      }
    }
  }
  return hr;
}

bool COPCItem::SetRequestedType(VARTYPE vt, bool notify) {
  // The canonical type is stored as such, so values keep a type when the client asks for it.
  if (vt == VT_EMPTY) vt = m_vtCanonical;
  if (vt == m_vtRequested) return true;
  if (!m_pTag->IsSupportedType(vt)) return false;
  m_vtRequested = vt;
  MarkChanged();
  if (notify) NotifyEvent(OpcEventItemDatatype);
  return true;
}

VARTYPE COPCItem::GetCanonicalType() { return m_vtCanonical; }
DWORD COPCItem::GetAccessRights() {
  DWORD rights = m_pTag->GetAccessRights();
  if (rights != m_dwAccessRights) {
    m_dwAccessRights = rights;
    m_bSpyDirty = true;
  }
  return rights;
}
CString COPCItem::GetName() { return m_spy.m_info.m_strItemID; }

HRESULT COPCItem::SetActive(BOOL active) {
  if (active == m_bActive) return S_OK;
  m_bActive = active;
  HRESULT hr = ApplyActiveState();
  if (FAILED(hr)) m_bActive = !active;  // only raising can fail: the item stays inactive
  return hr;
}

bool COPCItem::IsChanged() { return m_bChanged; }

void COPCItem::SetQuality(WORD quality) {
  if (quality == m_wQuality) return;
  m_wQuality = quality;
  MarkChanged();
  NotifyEvent(OpcEventItemQuality);
}

HRESULT COPCItem::Refresh(DWORD source) {
  HRESULT hr = CallTag([&] { m_pTag->Refresh(source); });
  m_bRefreshFailed = FAILED(hr);
  // Refreshed even when it failed: the bad quality is worth delivering.
  MarkRefreshed();
  if (!m_pTag->HasDataPoint()) return OPC_E_UNKNOWNITEMID;
  return hr;
}

HRESULT COPCItem::Update(float percentDeadband) {
  // A data point that is gone stays gone: the item keeps its last value but hands out none.
  if (m_bNoDataPoint || !m_pTag->HasDataPoint()) {
    m_bNoDataPoint = true;
    SetQuality(OPC_TAG_QUALITY_NO_DATA_POINT);
    if (m_bSpyDirty) UpdateSpy();
    return OPC_E_UNKNOWNITEMID;
  }
  // Everything is asked of the tag first and taken over only when no call failed, so a failing
  // control leaves the item bad rather than half updated (and flickering good and bad).
  WORD quality = m_pTag->GetQuality();
  FILETIME stamp = m_ftTimestamp;
  VARIANT v;
  VariantInit(&v);
  HRESULT read = S_FALSE;
  bool passes = false;
  HRESULT hr = m_bRefreshFailed ? E_FAIL : CallTag([&] {
    m_pTag->GetTimestamp(&stamp);
    if ((quality & OPC_QUALITY_MASK) == OPC_QUALITY_GOOD) {
      read = m_pTag->ReadValue(&v, ReadType());
      if (read != S_OK) {
        VariantClear(&v);
        read = m_pTag->ReadValue(&v, m_vtCanonical);
      }
      if (read == S_OK) passes = PassesDeadband(m_value, v, percentDeadband);
    }
  });
  if (FAILED(hr)) {
    VariantClear(&v);
    SetQuality(OPC_QUALITY_OUT_OF_SERVICE);
  } else {
    SetQuality(quality);
    if (stamp.dwLowDateTime != m_ftTimestamp.dwLowDateTime || stamp.dwHighDateTime != m_ftTimestamp.dwHighDateTime) {
      m_ftTimestamp = stamp;
      m_bSpyDirty = true;
    }
    if ((m_wQuality & OPC_QUALITY_MASK) == OPC_QUALITY_GOOD) {
      if (read != S_OK) {
        VariantClear(&v);
        SetQuality(OPC_QUALITY_OUT_OF_SERVICE);
      } else {
        if (passes) {
          VariantClear(&m_value);
          m_value = v;  // takes the contents over
          MarkChanged();
          NotifyEvent(OpcEventItemValue);
        } else {
          VariantClear(&v);
        }
        SetQuality(OPC_QUALITY_GOOD);
      }
    }
  }
  // Only when something the record shows moved: the text of the value costs a conversion.
  if (m_bSpyDirty) UpdateSpy();
  return hr;
}

HRESULT COPCItem::ApplyActiveState() {
  if (!m_pGroup) return S_OK;
  bool wanted = m_bActive && m_pGroup->IsActive();
  HRESULT hr = S_OK;
  if (wanted && !m_bMonitoring) {
    m_bMonitoring = true;
    if (m_pTag->m_nActiveItemRefs++ == 0) {
      hr = CallTag([&] { m_pTag->StartMonitoring(); });
      if (FAILED(hr)) {
        m_bMonitoring = false;
        --m_pTag->m_nActiveItemRefs;
      }
    }
  } else if (!wanted && m_bMonitoring) {
    ReleaseMonitoring();
  }
  MarkChanged();
  return hr;
}

// From the value the item holds: no second read of the tag.
CString COPCItem::GetValueText() { return VariantText(m_value); }

namespace {
// Types whose VARIANT owns nothing, so a copy of its bits is a copy of the value.
bool OwnsNothing(VARTYPE vt) {
  return vt <= VT_UINT && vt != VT_BSTR && vt != VT_DISPATCH && vt != VT_VARIANT && vt != VT_UNKNOWN &&
         vt != VT_DECIMAL && vt != 15;
}
}  // namespace

void COPCItem::UpdateSpy() {
  m_bSpyDirty = false;
  CSpyLock lock;
  CItemInfo& info = m_spy.m_info;
  info.m_vtRequested = ReadType();
  info.m_vtCanonical = m_vtCanonical;
  // The record's text is made from it when the record is read; nothing is called here.
  if (OwnsNothing(m_value.vt) && OwnsNothing(m_spy.m_value.vt)) {
    static_cast<VARIANT&>(m_spy.m_value) = m_value;
  } else {
    m_spy.m_value = m_value;
  }
  info.m_bActive = m_bActive;
  info.m_hClient = m_hClient;
  info.m_wQuality = m_wQuality;
  info.m_ftTimestamp = m_ftTimestamp;
  info.m_dwAccessRights = m_dwAccessRights;
}

void COPCItem::NotifyEvent(int code) {
  if (m_bSpyDirty) UpdateSpy();
  if (!g_pProtocolEventsCollector) return;
  CItemInfo copy;
  {
    CSpyLock lock;
    copy = m_spy.GetCopy();
  }
  g_pProtocolEventsCollector->Collect(std::make_unique<COPCItemEvent>(copy, code));
}

bool COPCItem::PassesDeadband(const VARIANT& oldValue, const VARIANT& newValue, float percent) {
  if (VariantsEqual(newValue, oldValue)) return false;
  if (percent == 0.0f || !IsDeadbandType(oldValue.vt) || !IsDeadbandType(newValue.vt)) return true;
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  bool ok = SUCCEEDED(VariantChangeType(&a, &oldValue, 0, VT_R8)) && SUCCEEDED(VariantChangeType(&b, &newValue, 0, VT_R8));
  if (!ok) return true;
  double low = 0, high = 0;
  if (!m_pTag->GetValueRange(&low, &high)) return true;
  return std::fabs(high - low) * (static_cast<double>(percent) / 100.0) <= std::fabs(b.dblVal - a.dblVal);
}

bool VariantsEqual(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt) return false;
  switch (a.vt) {
    case VT_I1: return a.cVal == b.cVal;
    case VT_UI2: return a.uiVal == b.uiVal;
    case VT_UI4: return a.ulVal == b.ulVal;
    case VT_UINT: return a.uintVal == b.uintVal;
    default: return tessaly::VariantEquals(a, b);
  }
}

bool IsDeadbandType(VARTYPE vt) {
  vt &= 0xFFFF;
  if (vt < 2 || vt > 23) return false;
  return vt <= 5 || vt >= 16;
}
