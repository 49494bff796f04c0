// The tag view's window: the grid over the tag view model, its value timer and its column
// widths.
#pragma once

#include <functional>
#include <memory>

#include <wx/panel.h>
#include <wx/timer.h>

#include "views/models/TagViewModel.h"

class CTagsListCtrl;
class wxImageList;

class CTagView : public wxPanel, public CTagViewHost {
 public:
  CTagView(wxWindow* parent, CTagViewModel& model);
  ~CTagView() override;
  // What the main window does with WM_APP+0x103; the shell sets it.
  std::function<void(WPARAM, CTreeObject*)> m_updateProperties;
  CTagsListCtrl* GetGrid() { return m_pGrid; }
  CTagViewModel* GetModel() { return m_pModel; }

  void Redraw() override;
  int GetTopIndex() override;
  int GetCountPerPage() override;
  bool IsMinimised() override;
  void SetTimer(UINT id, UINT ms) override;
  void KillTimer(UINT id) override;
  void UpdateProperties(WPARAM what, CTreeObject* object) override;
  int RunMultiSetDialog(CMultiSetDlgModel& dialog) override;
  void OnViewGone() override;

 private:
  CTagViewModel* m_pModel;
  std::unique_ptr<wxImageList> m_images;
  CTagsListCtrl* m_pGrid;
  wxTimer m_timer;
};
