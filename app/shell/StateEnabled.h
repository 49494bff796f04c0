// The enabling of the "Timing" page's controls: its editing follows the start mode fixed when
// the page was built (interactive only), its buttons the selected setting.
#pragma once

#include <cstddef>

#include "platform/win32/CString.h"

class CStateEnabled {
 public:
  struct CControls {
    bool bNew = false;
    bool bDelete = false;
    // "Set As Actual", the three timer combos and "Parallel transactions".
    bool bEdit = false;
    bool bThrottleEditable = false;
  };

  explicit CStateEnabled(bool interactive) : m_bInteractive(interactive) {}

  bool IsStateEditable() const { return m_bInteractive; }
  // selected: the selected setting's name, null without a selection; count: the settings listed.
  CControls GetControls(const CString* selected, const CString& actual, size_t count) const;
  // A changed value enables "Update".
  bool IsUpdateEnabledByChange() const { return m_bInteractive; }

 private:
  bool m_bInteractive;
};
