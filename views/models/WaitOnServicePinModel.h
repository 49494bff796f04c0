// The "Wait on service pin" dialog without its window: follows the document's sink while it
// exists and keeps the control's service-pin reporting on from its start until its end. The
// first service pin ends the wait with IDOK; later ones are ignored.
#pragma once

#include <functional>

#include "lon/KestrumSinkObserver.h"
#include "platform/win32/CString.h"

class CDoc;

class CWaitOnServicePinModel : public CKestrumSinkObserver {
 public:
  // The window ends its modal loop with the result.
  using EndDialog = std::function<void(int result)>;

  CWaitOnServicePinModel(CDoc* doc, EndDialog endDialog);
  ~CWaitOnServicePinModel() override;
  void OnInitDialog();
  void OnDestroy();
  void OnServicePin(BSTR neuronId, BSTR programId) override;
  CString GetNeuronId() const { return m_strNeuronId; }

 private:
  void SetReporting(bool on);

  CDoc* m_pDoc;
  EndDialog m_endDialog;
  CKestrumSinkSubscription m_subscription;
  CString m_strNeuronId;
  bool m_bPinSeen = false;
};
