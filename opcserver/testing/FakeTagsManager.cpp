#include "opcserver/testing/FakeTagsManager.h"

#include "platform/com/Variant.h"

FakePoint::FakePoint() {
  VariantInit(&value);
  VariantInit(&lastWritten);
  value.vt = VT_R8;
  value.dblVal = 0.0;
}

FakePoint::~FakePoint() {
  VariantClear(&value);
  VariantClear(&lastWritten);
}

void FakePoint::SetValue(const VARIANT& v) {
  std::lock_guard<std::mutex> lock(mutex);
  VariantCopy(&value, &v);
}

void FakePoint::SetDouble(double d) {
  std::lock_guard<std::mutex> lock(mutex);
  VariantClear(&value);
  value.vt = VT_R8;
  value.dblVal = d;
}

VARTYPE CFakeTag::GetCanonicalType() {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  return m_point->canonical;
}

DWORD CFakeTag::GetAccessRights() {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  return m_point->rights;
}

HRESULT CFakeTag::ReadValue(VARIANT* out, VARTYPE type) {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  if (m_point->readFails) return DISP_E_TYPEMISMATCH;
  return VariantChangeType(out, &m_point->value, 0, type);
}

void CFakeTag::GetTimestamp(FILETIME* out) {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  *out = m_point->timestamp;
}

bool CFakeTag::Refresh(DWORD) {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  ++m_point->refreshes;
  if (!m_point->refreshOk) {
    m_wQuality = OPC_QUALITY_OUT_OF_SERVICE;
    return false;
  }
  m_wQuality = m_point->quality;
  return m_wQuality != OPC_QUALITY_OUT_OF_SERVICE;
}

bool CFakeTag::WriteValue(const VARIANT* value) {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  ++m_point->writes;
  if (!m_point->writeOk) return false;
  VariantCopy(&m_point->lastWritten, value);
  VariantCopy(&m_point->value, value);
  return true;
}

bool CFakeTag::GetValueRange(double* low, double* high) {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  *low = m_point->low;
  *high = m_point->high;
  return m_point->hasRange;
}

void CFakeTag::StartMonitoring() {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  ++m_point->monitoring;
}

void CFakeTag::StopMonitoring() {
  std::lock_guard<std::mutex> lock(m_point->mutex);
  --m_point->monitoring;
}

CFakeTagsManager::CFakeTagsManager() : m_install(this) {}
CFakeTagsManager::~CFakeTagsManager() = default;

COPCTag* CFakeTagsManager::CreateTag(const CString& itemId) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_points.find(itemId);
  if (it == m_points.end()) return nullptr;
  return new CFakeTag(it->second, itemId);
}

std::shared_ptr<FakePoint> CFakeTagsManager::Add(const CString& itemId, VARTYPE canonical, DWORD rights) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto& point = m_points[itemId];
  if (!point) point = std::make_shared<FakePoint>();
  point->canonical = canonical;
  point->rights = rights;
  return point;
}

std::shared_ptr<FakePoint> CFakeTagsManager::Get(const CString& itemId) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_points.find(itemId);
  return it == m_points.end() ? nullptr : it->second;
}
