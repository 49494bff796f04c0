#include "views/models/WaitOnServicePinModel.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "project/Doc.h"

CWaitOnServicePinModel::CWaitOnServicePinModel(CDoc* doc, EndDialog endDialog) : m_pDoc(doc), m_endDialog(std::move(endDialog)) {
  if (m_pDoc != nullptr) m_subscription.Attach(m_pDoc->GetSink(), this);
}

CWaitOnServicePinModel::~CWaitOnServicePinModel() { m_subscription.Detach(); }

void CWaitOnServicePinModel::OnInitDialog() { SetReporting(true); }

void CWaitOnServicePinModel::OnDestroy() {
  SetReporting(false);
  m_subscription.Detach();
}

void CWaitOnServicePinModel::OnServicePin(BSTR neuronId, BSTR) {
  // Two devices pressed at once: the first one is the answer.
  if (m_bPinSeen) return;
  m_bPinSeen = true;
  m_strNeuronId = neuronId != nullptr ? CString(neuronId) : CString();
  if (m_endDialog) m_endDialog(IDOK);
}

void CWaitOnServicePinModel::SetReporting(bool on) {
  // The document may have gone while the dialog was open.
  if (m_pDoc == nullptr || CDoc::GetDoc() != m_pDoc) return;
  try {
    m_pDoc->m_control.SetProperty(kestrum::ctl::kServicePinReporting, VT_BOOL, on);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}
