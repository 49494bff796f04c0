// The "Replace node" dialog without its window: the replacement's Neuron ID, by its service pin
// or typed.
#pragma once

#include <functional>

#include "platform/win32/CString.h"

class CReplaceNodeModel {
 public:
  enum Mode { ServicePin = 0, Manual = 1 };
  // Runs the service-pin wait modally; IDOK with the Neuron ID.
  using RunWait = std::function<int(CString& neuronId)>;

  explicit CReplaceNodeModel(RunWait runWait) : m_runWait(std::move(runWait)) {}
  bool IsIdEnabled() const { return m_nMode == Manual; }
  // True ends the dialog with IDOK. A typed ID must be a Neuron ID (12 hex digits); a cancelled
  // wait keeps the dialog open as it was.
  bool OnOK();
  CString GetNeuronId() const { return m_strNeuronId; }

  static bool IsNeuronIdText(const CString& text);

  int m_nMode = ServicePin;
  CString m_strNeuronId;

 private:
  RunWait m_runWait;
};
