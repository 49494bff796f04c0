#include "views/models/ReplaceNodeModel.h"

#include "foundation/shared/HexConversions.h"
#include "platform/win32/MessageBox.h"
#include "views/models/ConfigViewResource.h"

bool CReplaceNodeModel::IsNeuronIdText(const CString& text) { return text.GetLength() == 12 && IsHexString(text, 12) != 0; }

bool CReplaceNodeModel::OnOK() {
  if (m_nMode == Manual) {
    m_strNeuronId.Trim();
    if (IsNeuronIdText(m_strNeuronId)) return true;
    RegisterConfigViewStrings();
    AfxMessageBox(IDS_NEURON_ID_INVALID, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  CString pressed;
  if (!m_runWait || m_runWait(pressed) != IDOK) return false;
  m_strNeuronId = pressed;
  return true;
}
