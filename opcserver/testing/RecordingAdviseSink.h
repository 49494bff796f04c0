// An IAdviseSink that keeps the bytes of every stream it is handed, for the OPC 1.0 tests.
// Every call passes a gate the test may close, so that later requests stay queued.
#pragma once

#include <functional>
#include <vector>

#include "opcserver/testing/TestGate.h"
#include "opcserver/testing/TestRecorder.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjIdl.h"

struct AdvisedStream {
  CLIPFORMAT format = 0;
  std::vector<BYTE> bytes;  // the whole block
  size_t blockSize = 0;
  DWORD Dword(size_t offset) const;
  WORD Word(size_t offset) const;
  // The transaction id of a data stream (offset 12) or a write-complete stream (offset 8).
  DWORD Transaction() const;
};

class CRecordingAdviseSink : public CComObjectRootEx<CComMultiThreadModel>, public IAdviseSink {
 public:
  BEGIN_COM_MAP(CRecordingAdviseSink)
    COM_INTERFACE_ENTRY(IAdviseSink)
  END_COM_MAP()

  static CComPtr<CComObject<CRecordingAdviseSink>> Create();
  // Advises this sink on the data object for the format; the connection number, 0 on failure.
  DWORD AdviseOn(IDataObject* data, DWORD format);

  void OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) override;
  void OnViewChange(DWORD, LONG) override {}
  void OnRename(IMoniker*) override {}
  void OnSave() override {}
  void OnClose() override {}

  std::vector<AdvisedStream> Streams(const std::function<bool(const AdvisedStream&)>& match);
  // Waits (10 s at most, a failure guard) until n streams that match arrived.
  bool WaitFor(size_t n, const std::function<bool(const AdvisedStream&)>& match);

  CTestGate m_gate;

 private:
  CTestRecorder<AdvisedStream> m_streams;
};
