// The receiver of commands and of their update-UI requests, in the manner of a message map
// (MFC calls it CCmdTarget; that name here is the dispatch object of the COM layer):
// handlers are entered by command id, and a command that a target does not know goes on to
// the next target of the route (see CCommandRouter).
#pragma once

#include <functional>
#include <unordered_map>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// What an update-UI handler sets on a menu item, tool button or status pane.
class CCmdUI {
 public:
  explicit CCmdUI(UINT id) : m_nID(id) {}
  virtual ~CCmdUI() = default;

  virtual void Enable(BOOL on = TRUE) { m_bEnabled = on != FALSE; }
  // 0 unchecked, 1 checked, 2 indeterminate.
  virtual void SetCheck(int check = 1) { m_nCheck = check; }
  virtual void SetText(LPCTSTR text) {
    m_strText = text;
    m_bTextSet = true;
  }

  UINT m_nID;
  bool m_bEnabled = false;
  int m_nCheck = 0;
  CString m_strText;
  bool m_bTextSet = false;
};

class CCommandTarget {
 public:
  using CommandHandler = std::function<void()>;
  using UpdateHandler = std::function<void(CCmdUI*)>;

  CCommandTarget() = default;
  CCommandTarget(const CCommandTarget&) = delete;
  CCommandTarget& operator=(const CCommandTarget&) = delete;
  virtual ~CCommandTarget() = default;

  // Runs the command's handler; false when this target has none.
  virtual bool OnCommand(UINT id);
  // Runs the update handler; false when this target has none.
  virtual bool OnUpdateCommandUI(CCmdUI* ui);
  bool HasCommandHandler(UINT id) const { return m_commands.count(id) != 0; }

 protected:
  void MapCommand(UINT id, CommandHandler handler) { m_commands[id] = std::move(handler); }
  void MapUpdateCommandUI(UINT id, UpdateHandler handler) { m_updates[id] = std::move(handler); }

 private:
  std::unordered_map<UINT, CommandHandler> m_commands;
  std::unordered_map<UINT, UpdateHandler> m_updates;
};
