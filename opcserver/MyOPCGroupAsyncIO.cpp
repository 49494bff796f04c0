// IOPCAsyncIO and IOPCAsyncIO2 of the OPC group. Each accepted request becomes a transaction
// record; the group's one worker carries the records out oldest first and sends each one's
// completion. Nothing is queued for a request that fails, and a client call-back is never
// made with a lock held.
#include "opcserver/MyOPCGroup.h"

#include <chrono>
#include <system_error>

#include "opcserver/OPCItem.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCTransaction.h"
#include "opcserver/OpcGroupCalls.h"
#include "platform/com/Activation.h"
#include "platform/com/ComErrors.h"

using namespace opc_calls;

namespace {
bool IsDataSource(DWORD source) { return source == OPC_DS_CACHE || source == OPC_DS_DEVICE; }

struct CoTaskDeleter {
  void operator()(void* p) const { CoTaskMemFree(p); }
};
}  // namespace

// ---- requests ---------------------------------------------------------------------------------

DWORD CMyOPCGroup::NextTransactionId() {
  for (;;) {
    DWORD id = ++m_dwTransactionCounter;
    if (id != 0) return id;  // 0 means "no transaction" to clients and cancels
  }
}

HRESULT CMyOPCGroup::CheckHandles(DWORD count, const OPCHANDLE* handles, OPCHANDLE* clients, HRESULT* errors) {
  HRESULT result = S_OK;
  CMyCriticalSectionLock lock(m_csGroup);
  for (DWORD i = 0; i < count; ++i) {
    COPCItem* item = handles[i] ? FindItem(handles[i]) : nullptr;
    clients[i] = item ? item->GetClientHandle() : 0;
    errors[i] = item ? S_OK : OPC_E_INVALIDHANDLE;
    if (!item) result = S_FALSE;
  }
  return result;
}

HRESULT CMyOPCGroup::RefuseRefresh() {
  if (!m_bActive) return E_FAIL;
  CMyCriticalSectionLock lock(m_csGroup);
  for (auto& entry : m_items)
    if (entry.second->IsActive()) return S_OK;
  return E_FAIL;  // no item, or none active
}

HRESULT CMyOPCGroup::QueueRequest(std::unique_ptr<COPCTransaction> record, DWORD* pId, HRESULT** ppErrors) {
  HRESULT hr = record->GetInitResult();
  if (FAILED(hr)) return hr;
  std::unique_ptr<HRESULT, CoTaskDeleter> errors;
  HRESULT result = S_OK;
  if (ppErrors) {
    errors.reset(AllocZeroed<HRESULT>(record->m_dwCount));
    if (!errors) return E_OUTOFMEMORY;
    result = CheckHandles(record->m_dwCount, record->m_phServer.data(), record->m_phClient.data(), errors.get());
    if (result != S_OK) {
      // The unknown handles get their errors; the others are carried out as one request, and
      // its completion lists them alone. With none left nothing is queued.
      record->KeepOnly(errors.get());
      if (record->m_dwCount == 0) {
        *ppErrors = errors.release();
        return result;
      }
    }
  }
  DWORD id = NextTransactionId();
  if (record->IsOpc20()) record->m_dwCancelID = id;
  else record->m_dwTransactionID = id;
  {
    std::lock_guard<std::mutex> lock(m_csTransactions);
    if (m_bAsyncStopped) return E_FAIL;
    // A request like one still outstanding is queued behind it, as any other: the standard
    // has no refusal for it.
    if (!m_asyncWorker.joinable()) {
      try {
        m_asyncWorker = std::thread([link = m_link] { RunAsyncWorker(link); });
      } catch (const std::system_error&) {
        return E_FAIL;
      }
    }
    m_transactions.push_back(std::move(record));
  }
  m_cvTransactions.notify_one();
  *pId = id;
  if (ppErrors) *ppErrors = errors.release();
  return result;
}

void CMyOPCGroup::NoteRequest(CGroupInfo::Counter counter, int event) {
  {
    CSpyLock lock;
    m_spy.m_info.m_counters[counter].Raise();
  }
  NotifyEvent(event);
}

HRESULT CMyOPCGroup::SubmitRequest(DWORD type, DWORD count, const OPCHANDLE* handles, const VARIANT* values,
                                   DWORD connection, DWORD source, DWORD transaction, DWORD* pId,
                                   HRESULT** ppErrors) {
  return Guarded([&] {
    auto record = std::make_unique<COPCTransaction>(static_cast<COPCTransaction::Type>(type), count, handles, values);
    record->m_dwConnection = connection;
    record->m_dwSource = source;
    record->m_dwTransactionID = transaction;  // OPC 1.0: replaced by the id handed out
    bool read = record->IsRead(), write = record->IsWrite();
    HRESULT hr = QueueRequest(std::move(record), pId, ppErrors);
    bool queued = SUCCEEDED(hr) && *pId != 0;
    if (queued && read) NoteRequest(CGroupInfo::AsyncRead, OpcEventAsyncRead);
    if (queued && write) NoteRequest(CGroupInfo::AsyncWrite, OpcEventAsyncWrite);
    return hr;
  });
}

HRESULT CMyOPCGroup::Read(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer,
                          DWORD* pTransactionID, HRESULT** ppErrors) {
  if (pTransactionID) *pTransactionID = 0;
  if (ppErrors) *ppErrors = nullptr;
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !pTransactionID || !ppErrors || !IsDataSource(dwSource)) return E_INVALIDARG;
  AdviseSlot slot = SlotOfFormat(dwConnection);
  if (slot != AdviseData && slot != AdviseDataTime) return E_INVALIDARG;
  if (!GetAdviseSink(slot)) return CONNECT_E_NOCONNECTION;
  return SubmitRequest(COPCTransaction::Read10, dwCount, phServer, nullptr, dwConnection,
                       dwSource, 0, pTransactionID, ppErrors);
}

HRESULT CMyOPCGroup::Write(DWORD dwConnection, DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                           DWORD* pTransactionID, HRESULT** ppErrors) {
  if (pTransactionID) *pTransactionID = 0;
  if (ppErrors) *ppErrors = nullptr;
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !pItemValues || !pTransactionID || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  if (SlotOfFormat(dwConnection) != AdviseWriteComplete || !GetAdviseSink(AdviseWriteComplete))
    return CONNECT_E_NOCONNECTION;
  return SubmitRequest(COPCTransaction::Write10, dwCount, phServer, pItemValues, dwConnection,
                       OPC_DS_DEVICE, 0, pTransactionID, ppErrors);
}

HRESULT CMyOPCGroup::Refresh(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD* pTransactionID) {
  if (pTransactionID) *pTransactionID = 0;
  if (m_bRemoved) return E_FAIL;
  if (!pTransactionID) return E_POINTER;
  AdviseSlot slot = SlotOfFormat(dwConnection);
  if ((slot != AdviseData && slot != AdviseDataTime) || !IsDataSource(dwSource)) return E_INVALIDARG;
  if (!GetAdviseSink(slot)) return CONNECT_E_NOCONNECTION;
  if (FAILED(RefuseRefresh())) return E_FAIL;
  return SubmitRequest(COPCTransaction::Refresh10, 0, nullptr, nullptr, dwConnection,
                       dwSource, 0, pTransactionID, nullptr);
}

HRESULT CMyOPCGroup::Read(DWORD dwCount, OPCHANDLE* phServer, DWORD dwTransactionID, DWORD* pdwCancelID,
                          HRESULT** ppErrors) {
  if (pdwCancelID) *pdwCancelID = 0;
  if (ppErrors) *ppErrors = nullptr;
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !pdwCancelID || !ppErrors || dwCount == 0) return E_INVALIDARG;
  // Nobody would hear of the result: refused before anything is done.
  if (GetConnectionCount() == 0) return CONNECT_E_NOCONNECTION;
  return SubmitRequest(COPCTransaction::Read20, dwCount, phServer, nullptr, 0,
                       OPC_DS_DEVICE, dwTransactionID, pdwCancelID, ppErrors);
}

HRESULT CMyOPCGroup::Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, DWORD dwTransactionID,
                           DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (pdwCancelID) *pdwCancelID = 0;
  if (ppErrors) *ppErrors = nullptr;
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !pItemValues || !pdwCancelID || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  // Nothing reaches the device when the client is told the write failed.
  if (GetConnectionCount() == 0) return CONNECT_E_NOCONNECTION;
  return SubmitRequest(COPCTransaction::Write20, dwCount, phServer, pItemValues, 0,
                       OPC_DS_DEVICE, dwTransactionID, pdwCancelID, ppErrors);
}

HRESULT CMyOPCGroup::Refresh2(OPCDATASOURCE dwSource, DWORD dwTransactionID, DWORD* pdwCancelID) {
  if (pdwCancelID) *pdwCancelID = 0;
  if (m_bRemoved) return E_FAIL;
  if (!pdwCancelID) return E_POINTER;
  if (!IsDataSource(dwSource)) return E_INVALIDARG;
  if (FAILED(RefuseRefresh())) return E_FAIL;
  if (GetConnectionCount() == 0) return CONNECT_E_NOCONNECTION;
  return SubmitRequest(COPCTransaction::Refresh20, 0, nullptr, nullptr, 0,
                       dwSource, dwTransactionID, pdwCancelID, nullptr);
}

// ---- cancel and enable ----------------------------------------------------------------------

HRESULT CMyOPCGroup::CancelTransaction(bool opc20, DWORD id) {
  std::unique_ptr<COPCTransaction> cancelled;
  {
    std::lock_guard<std::mutex> lock(m_csTransactions);
    for (auto it = m_transactions.begin(); it != m_transactions.end(); ++it) {
      if ((*it)->m_bPending && (*it)->IsNamedByCancel(opc20, id)) {
        (*it)->m_bCancelled = true;
        cancelled = std::move(*it);
        m_transactions.erase(it);
        break;
      }
    }
  }
  if (!cancelled) return E_FAIL;  // unknown, or already taken by the worker
  NoteRequest(CGroupInfo::AsyncCancel, OpcEventAsyncCancel);
  if (opc20) {
    DWORD transaction = cancelled->m_dwTransactionID;
    OPCHANDLE hGroup = m_hClientGroup;
    (void)FireToDataCallbacks(*this, CGroupInfo::AsyncCancelComplete, OpcEventAsyncCancelComplete,
                              [&](IOPCDataCallback* sink) { return sink->OnCancelComplete(transaction, hGroup); });
  }
  return S_OK;
}

HRESULT CMyOPCGroup::Cancel(DWORD dwTransactionID) {
  if (m_bRemoved) return E_FAIL;
  return Guarded([&] { return CancelTransaction(false, dwTransactionID); });
}

HRESULT CMyOPCGroup::Cancel2(DWORD dwCancelID) {
  if (m_bRemoved) return E_FAIL;
  return Guarded([&] { return CancelTransaction(true, dwCancelID); });
}

HRESULT CMyOPCGroup::SetEnable(BOOL bEnable) {
  if (m_bRemoved) return E_FAIL;
  m_bEnabled = bEnable ? TRUE : FALSE;
  return GetConnectionCount() > 0 ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT CMyOPCGroup::GetEnable(BOOL* pbEnable) {
  if (m_bRemoved) return E_FAIL;
  if (!pbEnable) return E_POINTER;
  *pbEnable = m_bEnabled;
  return GetConnectionCount() > 0 ? S_OK : CONNECT_E_NOCONNECTION;
}

// ---- the worker ---------------------------------------------------------------------------------

void CMyOPCGroup::RefreshActiveItems(DWORD source) {
  CMyCriticalSectionLock lock(m_csGroup);
  for (auto& entry : m_items) {
    COPCItem* item = entry.second;
    if (!item->IsActive()) continue;
    // A failing control fails only this item: Update leaves its quality bad.
    (void)item->Refresh(source);
    (void)item->Update(m_fDeadband);
  }
}

void CMyOPCGroup::ExecuteTransaction(COPCTransaction& record) {
  DWORD n = record.m_dwCount;
  if (record.IsRead()) {
    record.m_states.assign(n, OPCITEMSTATE{});
    (void)SyncReadItems(record.m_dwSource, n, record.m_phServer.data(), record.m_states.data(),
                        record.m_pErrors.data());
  } else if (record.IsWrite()) {
    (void)SyncWriteItems(n, record.m_phServer.data(), record.m_pValues.data(), record.m_pErrors.data());
  } else {
    RefreshActiveItems(record.m_dwSource);
  }
}

HRESULT CMyOPCGroup::CompleteAsync20(COPCTransaction& record) {
  DWORD transaction = record.m_dwTransactionID;
  OPCHANDLE hGroup = m_hClientGroup;
  DWORD n = record.m_dwCount;
  if (record.IsWrite()) {
    HRESULT masterError = MasterError(n, record.m_pErrors.data());
    return FireToDataCallbacks(*this, CGroupInfo::AsyncWriteComplete, OpcEventAsyncWriteComplete,
                               [&](IOPCDataCallback* sink) {
                                 return sink->OnWriteComplete(transaction, hGroup, masterError, n,
                                                              record.m_phClient.data(), record.m_pErrors.data());
                               });
  }
  CItemValues values;
  if (record.IsRead()) {
    for (DWORD i = 0; i < n; ++i) values.Add(record.m_phClient[i], record.m_states[i], record.m_pErrors[i]);
    HRESULT masterQuality = values.GetMasterQuality(), masterError = values.GetMasterError();
    return FireToDataCallbacks(*this, CGroupInfo::AsyncReadComplete, OpcEventAsyncReadComplete,
                               [&](IOPCDataCallback* sink) {
                                 return sink->OnReadComplete(transaction, hGroup, masterQuality, masterError, n,
                                                             values.clients.data(), values.values.data(),
                                                             values.qualities.data(), values.times.data(),
                                                             values.errors.data());
                               });
  }
  // A refresh: the active items, through the data change call-back with the client's id.
  CollectActiveItems(false, values);
  return FireOnDataChange(transaction, values);
}

void CMyOPCGroup::RunAsyncWorker(const std::shared_ptr<CThreadLink>& link) {
  // Apartments are bookkeeping here: the worker carries on even without one.
  bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  for (;;) {
    COPCTransaction* record = nullptr;
    CMyOPCGroup* group = nullptr;
    {
      std::unique_lock<std::mutex> lock(link->transactionLock);
      auto unstarted = [&] {
        for (const auto& r : link->transactions)
          if (!r->m_bStarted) return r.get();
        return static_cast<COPCTransaction*>(nullptr);
      };
      link->transactionsChanged.wait(lock, [&] { return link->asyncStopped || unstarted(); });
      if (link->asyncStopped) break;
      // A reference for the transaction, so a client that lets the group go from inside its
      // completion does not pull the object away under the worker. None: the group is being
      // destroyed, and its destructor stops this thread.
      group = link->Acquire(&CMyOPCGroup::m_bWorkerRef);
      if (!group) break;
      record = unstarted();
      record->m_bStarted = true;
      record->m_bPending = false;
    }
    // The last guard of the thread: a failing control fails only its item; anything else
    // thrown fails this transaction alone.
    try {
      group->ExecuteTransaction(*record);
    } catch (const std::exception&) {
    }
    std::unique_ptr<COPCTransaction> done;
    {
      std::lock_guard<std::mutex> lock(link->transactionLock);
      for (auto it = link->transactions.begin(); it != link->transactions.end(); ++it) {
        if (it->get() == record) {
          done = std::move(*it);
          link->transactions.erase(it);
          break;
        }
      }
    }
    if (done) {
      // Errors the client's call-backs return are its own affair.
      try {
        (void)(done->IsOpc20() ? group->CompleteAsync20(*done) : group->CompleteAsync10(*done));
      } catch (const std::exception&) {
      }
      done.reset();
    }
    // May free the group, on this thread; from here on only the link is used.
    link->Release(group, &CMyOPCGroup::m_bWorkerRef);
  }
  {
    std::lock_guard<std::mutex> lock(link->transactionLock);
    link->workerEnded = true;
  }
  link->transactionsChanged.notify_all();
  if (com) CoUninitialize();
}

void CMyOPCGroup::StopAsyncWorker() {
  std::thread worker;
  std::list<std::unique_ptr<COPCTransaction>> dropped;  // deleted with no completion
  {
    std::lock_guard<std::mutex> lock(m_csTransactions);
    m_bAsyncStopped = true;
    worker = std::move(m_asyncWorker);
    for (auto it = m_transactions.begin(); it != m_transactions.end();) {
      if ((*it)->m_bStarted) {
        ++it;
      } else {
        dropped.push_back(std::move(*it));
        it = m_transactions.erase(it);
      }
    }
  }
  m_cvTransactions.notify_all();
  if (!worker.joinable()) return;
  // From inside a completion (or the worker's own last release) the worker cannot be waited
  // for; inside a client's call-back it is waited for 5000 ms at most. Either way it ends by
  // itself, using only the link once it let go of the group.
  bool ended = false;
  if (worker.get_id() != std::this_thread::get_id()) {
    std::unique_lock<std::mutex> lock(m_csTransactions);
    ended = m_cvTransactions.wait_for(lock, std::chrono::milliseconds(kThreadStopWaitMs),
                                      [&] { return m_link->workerEnded; });
  }
  if (ended) worker.join();  // it only returns now
  else worker.detach();
}
