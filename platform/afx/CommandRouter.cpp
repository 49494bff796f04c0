#include "platform/afx/CommandRouter.h"

#include "platform/afx/Document.h"
#include "platform/afx/View.h"
#include "platform/win32/MessageBox.h"

std::vector<CCommandTarget*> CCommandRouter::Targets() const {
  std::vector<CCommandTarget*> targets;
  if (m_pView != nullptr) {
    targets.push_back(m_pView);
    if (CDocument* doc = m_pView->GetDocument()) targets.push_back(doc);
  }
  if (m_pFrame != nullptr) targets.push_back(m_pFrame);
  if (m_pApp != nullptr) targets.push_back(m_pApp);
  return targets;
}

bool CCommandRouter::Route(UINT id) {
  // A command whose update handler disables it does not run, however it came (a key pressed
  // twice before the menus were updated): it counts as taken.
  CCmdUI state(id);
  state.m_bEnabled = true;
  if (UpdateUI(state) && !state.m_bEnabled) return true;
  // As the framework's message loop does: a command that fails tells the user and ends.
  try {
    for (CCommandTarget* target : Targets())
      if (target->OnCommand(id)) return true;
  } catch (const std::exception& e) {
    AfxMessageBox(CString(e.what()), MB_OK | MB_ICONEXCLAMATION);
    return true;
  }
  return false;
}

bool CCommandRouter::UpdateUI(CCmdUI& ui) {
  const std::vector<CCommandTarget*> targets = Targets();
  for (CCommandTarget* target : targets)
    if (target->OnUpdateCommandUI(&ui)) return true;
  for (CCommandTarget* target : targets) {
    if (target->HasCommandHandler(ui.m_nID)) {
      ui.Enable(TRUE);
      return true;
    }
  }
  ui.Enable(FALSE);
  return false;
}

CCmdUI CCommandRouter::UpdateUI(UINT id) {
  CCmdUI ui(id);
  UpdateUI(ui);
  return ui;
}
