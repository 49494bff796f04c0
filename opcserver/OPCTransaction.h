// One asynchronous request of an OPC group, from the client's call until its completion is
// sent. The group's transaction lock guards the list of records and their flags.
#pragma once

#include <vector>

#include "interfaces/opc/OpcDa.h"

class COPCTransaction {
 public:
  enum Type : DWORD {
    Read10 = 0,
    Write10 = 1,
    Refresh10 = 2,
    Read20 = 3,
    Write20 = 4,
    Refresh20 = 5,
  };

  // Copies the handles and (for writes, which must give count values) the values; the
  // errors start at S_OK and the client handles at 0. A value that cannot be copied makes
  // GetInitResult fail, and the request with it.
  COPCTransaction(Type type, DWORD count, const OPCHANDLE* handles, const VARIANT* values);
  COPCTransaction(const COPCTransaction&) = delete;
  COPCTransaction& operator=(const COPCTransaction&) = delete;
  ~COPCTransaction();

  HRESULT GetInitResult() const { return m_hrInit; }
  bool IsOpc20() const { return m_nType >= Read20; }
  bool IsRead() const { return m_nType == Read10 || m_nType == Read20; }
  bool IsWrite() const { return m_nType == Write10 || m_nType == Write20; }
  bool IsRefresh() const { return m_nType == Refresh10 || m_nType == Refresh20; }
  // Drops the items whose error is a failure (an unknown handle): the others go on as one
  // request.
  void KeepOnly(const HRESULT* errors);
  // Whether a cancel of this kind (OPC 2.0 cancel ids or OPC 1.0 transaction ids) names it.
  bool IsNamedByCancel(bool opc20, DWORD id) const;

  DWORD m_dwConnection = 0;  // OPC 1.0: the format the result goes through; 0 for OPC 2.0
  DWORD m_dwCount;
  DWORD m_dwSource = OPC_DS_DEVICE;
  std::vector<OPCHANDLE> m_phServer;
  std::vector<VARIANT> m_pValues;  // writes only
  std::vector<HRESULT> m_pErrors;
  // Taken with the handles when the request was made, so an item removed meanwhile still
  // reports the client's handle.
  std::vector<OPCHANDLE> m_phClient;
  // What a read found, handed to the completion (values cleared with the record).
  std::vector<OPCITEMSTATE> m_states;
  DWORD m_dwTransactionID = 0;  // carried by every completion
  DWORD m_dwCancelID = 0;       // OPC 2.0 only
  Type m_nType;
  bool m_bPending = true;  // until a worker takes it; only then may it be cancelled
  bool m_bCancelled = false;
  bool m_bStarted = false;

 private:
  HRESULT m_hrInit = S_OK;
};
