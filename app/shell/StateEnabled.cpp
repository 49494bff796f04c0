#include "app/shell/StateEnabled.h"

#include "app/shell/OptionsPageRules.h"

CStateEnabled::CControls CStateEnabled::GetControls(const CString* selected, const CString& actual, size_t count) const {
  CControls controls;
  controls.bNew = m_bInteractive;
  if (selected == nullptr) return controls;
  controls.bDelete = options::CanDeleteTimingSetting(m_bInteractive, *selected, actual, count);
  controls.bEdit = m_bInteractive;
  controls.bThrottleEditable = m_bInteractive;
  return controls;
}
