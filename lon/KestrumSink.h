// Receives the network control's eight events on the GUI thread: the scan window first, then
// the observers, then the protocol text when the Protocol mask asks for it.
#pragma once

#include <memory>

#include "lon/KestrumSinkObserver.h"
#include "lon/LonGuiLinks.h"
#include "platform/com/DispatchTable.h"

class CKestrumSink : public CCmdTarget, public CKestrumSinkSubject {
 public:
  CKestrumSink();
  ~CKestrumSink() override;

  void OnLoading(BSTR neuronId, short node, short count);
  void OnScanFinished();
  void OnScanning(BSTR domain);
  void OnInfo(LONG kind, BSTR first, BSTR second);
  void OnInform2(LONG kind, IDispatch* object, BSTR text);
  void OnNewNvValue(LONG cookie, const VARIANT& value);
  void OnNewNvError(LONG cookie);
  void OnServicePin(BSTR neuronId, BSTR programId);

  bool HasScanWindow() const { return m_pScanWnd != nullptr; }

  DWORD m_dwCookie = 0;

 protected:
  void OnFinalRelease() override {}  // owned by the database manager, never by references

 private:
  CScanWindowLink* ScanWindow();
  std::unique_ptr<CScanWindowLink> m_pScanWnd;
};
