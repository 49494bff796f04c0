// A tags manager over points the test controls: value, quality (by status), canonical type,
// access rights, value range and failures. Every tag made for an ID shares that ID's point, as
// real tags share their NV.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "lon/OPCTag.h"
#include "opcserver/OpcTagsManager.h"
#include "platform/com/ComErrors.h"

struct FakePoint {
  FakePoint();
  ~FakePoint();
  std::mutex mutex;
  VARIANT value;
  VARTYPE canonical = VT_R8;
  DWORD rights = OPC_READABLE | OPC_WRITEABLE;
  WORD quality = OPC_QUALITY_GOOD;  // what a refresh gives
  bool refreshOk = true;
  bool writeOk = true;
  bool readFails = false;  // ReadValue fails in every type
  bool hasRange = true;
  double low = 0, high = 100;
  FILETIME timestamp{1000, 1};
  int refreshes = 0;
  int writes = 0;
  int monitoring = 0;       // StartMonitoring minus StopMonitoring
  VARIANT lastWritten;

  void SetValue(const VARIANT& v);
  void SetDouble(double d);
  void SetQuality(WORD q) {
    std::lock_guard<std::mutex> lock(mutex);
    quality = q;
  }
};

class CFakeTag : public COPCTag {
 public:
  CFakeTag(std::shared_ptr<FakePoint> point, const CString& id) : m_point(std::move(point)), m_id(id) {}

  VARTYPE GetCanonicalType() override;
  DWORD GetAccessRights() override;
  CString GetItemID() override { return m_id; }
  CString GetName() override { return m_id; }
  HRESULT ReadValue(VARIANT* out, VARTYPE type) override;
  WORD GetQuality() override { return m_wQuality; }
  void GetTimestamp(FILETIME* out) override;
  bool Refresh(DWORD source) override;
  bool WriteValue(const VARIANT* value) override;
  bool GetValueRange(double* low, double* high) override;
  void StartMonitoring() override;
  void StopMonitoring() override;

 private:
  std::shared_ptr<FakePoint> m_point;
  CString m_id;
  WORD m_wQuality = OPC_QUALITY_UNCERTAIN;
};

class CFakeTagsManager : public COpcTagsManager {
 public:
  // Publishes itself as g_pOpcTagsManager for its lifetime.
  CFakeTagsManager();
  ~CFakeTagsManager() override;

  COPCTagsBranch* GetRootBranch() override { return nullptr; }
  COPCTag* CreateTag(const CString& itemId) override;

  // The point of an ID, made on first use (R8 0.0, good).
  std::shared_ptr<FakePoint> Add(const CString& itemId, VARTYPE canonical = VT_R8,
                                 DWORD rights = OPC_READABLE | OPC_WRITEABLE);
  std::shared_ptr<FakePoint> Get(const CString& itemId);

 private:
  std::mutex m_mutex;
  std::map<CString, std::shared_ptr<FakePoint>> m_points;
  CScopedOpcTagsManager m_install;
};
