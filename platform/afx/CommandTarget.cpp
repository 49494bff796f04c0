#include "platform/afx/CommandTarget.h"

bool CCommandTarget::OnCommand(UINT id) {
  auto it = m_commands.find(id);
  if (it == m_commands.end()) return false;
  CommandHandler handler = it->second;  // the handler may change the map
  handler();
  return true;
}

bool CCommandTarget::OnUpdateCommandUI(CCmdUI* ui) {
  auto it = m_updates.find(ui->m_nID);
  if (it == m_updates.end()) return false;
  UpdateHandler handler = it->second;
  handler(ui);
  return true;
}
