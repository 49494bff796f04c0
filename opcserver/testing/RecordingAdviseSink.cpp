#include "opcserver/testing/RecordingAdviseSink.h"

#include "opcserver/OPCStreamWriter.h"
#include "platform/com/Memory.h"

DWORD AdvisedStream::Dword(size_t offset) const {
  DWORD v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | bytes.at(offset + i);
  return v;
}

WORD AdvisedStream::Word(size_t offset) const {
  return static_cast<WORD>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
}

DWORD AdvisedStream::Transaction() const {
  return Dword(format == GetOpcStreamFormats().writeComplete ? 8 : 12);
}

CComPtr<CComObject<CRecordingAdviseSink>> CRecordingAdviseSink::Create() {
  CComObject<CRecordingAdviseSink>* sink = nullptr;
  CComObject<CRecordingAdviseSink>::CreateInstance(&sink);
  return CComPtr<CComObject<CRecordingAdviseSink>>(sink);
}

DWORD CRecordingAdviseSink::AdviseOn(IDataObject* data, DWORD format) {
  FORMATETC etc{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  DWORD connection = 0;
  return SUCCEEDED(data->DAdvise(&etc, 0, this, &connection)) ? connection : 0;
}

void CRecordingAdviseSink::OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) {
  m_gate.Pass();
  AdvisedStream stream;
  stream.format = pFormatetc->cfFormat;
  if (pStgmed->tymed == TYMED_HGLOBAL) {
    stream.blockSize = GlobalSize(pStgmed->hGlobal);
    if (const void* data = GlobalLock(pStgmed->hGlobal)) {
      const BYTE* p = static_cast<const BYTE*>(data);
      stream.bytes.assign(p, p + stream.blockSize);
      GlobalUnlock(pStgmed->hGlobal);
    }
  }
  m_streams.Add(std::move(stream));
}

std::vector<AdvisedStream> CRecordingAdviseSink::Streams(const std::function<bool(const AdvisedStream&)>& match) {
  return m_streams.Matching(match);
}

bool CRecordingAdviseSink::WaitFor(size_t n, const std::function<bool(const AdvisedStream&)>& match) {
  return m_streams.WaitFor(n, match);
}
