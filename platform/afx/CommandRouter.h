// The route a command takes: the active view, its document, the frame, the application. The
// first target with a handler takes the command. Update-UI asks the same route: the first
// target with an update handler sets the state; without one anywhere a command that some
// target handles is enabled and any other is disabled.
#pragma once

#include <vector>

#include "platform/afx/CommandTarget.h"

class CView;
class CFrameWnd;

class CCommandRouter {
 public:
  void SetActiveView(CView* view) { m_pView = view; }
  CView* GetActiveView() const { return m_pView; }
  void SetFrame(CCommandTarget* frame) { m_pFrame = frame; }
  void SetApplication(CCommandTarget* app) { m_pApp = app; }

  // False when no target took the command. A command that its update-UI state disables is
  // taken without running. An exception of the handler is shown in a message
  // box and ends the command.
  bool Route(UINT id);
  // The state a menu item or pane shows.
  CCmdUI UpdateUI(UINT id);
  // Sets the state of one item through the route; true when some target decided it.
  bool UpdateUI(CCmdUI& ui);

 private:
  std::vector<CCommandTarget*> Targets() const;

  CView* m_pView = nullptr;
  CCommandTarget* m_pFrame = nullptr;
  CCommandTarget* m_pApp = nullptr;
};
