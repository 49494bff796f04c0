#include "views/wx/TagViewWnd.h"

#include <wx/imaglist.h>
#include <wx/sizer.h>

#include "views/models/ConfigViewResource.h"
#include "views/wx/MultiSetDlg.h"
#include "views/wx/SuperGridWnd.h"
#include "views/wx/TreeImages.h"

CTagViewWnd::CTagViewWnd(wxWindow* parent, CTagViewModel& model)
    : wxPanel(parent), m_pModel(&model), m_images(views_wx::CreateTreeImages()), m_timer(this, ID_TIMER_TAG_VALUES) {
  std::vector<CSuperGridWnd::CColumn> columns;
  const std::vector<int> widths = CTagViewModel::LoadColumnWidths();
  for (int i = 0; i < CTagViewModel::kColumnCount; ++i)
    columns.push_back({CTagViewModel::GetColumnHeading(i), widths[static_cast<size_t>(i)], CTagViewModel::IsColumnRightAligned(i)});
  CSuperGridWnd::CCallbacks callbacks;
  callbacks.selected = [this](const std::vector<int>& rows) { m_pModel->OnSelectionChanged(rows); };
  callbacks.activated = [this](int row) { m_pModel->OnDoubleClick(row); };
  callbacks.contextMenu = [this](int row, wxPoint point) { m_pModel->OnRightClick(row, POINT{point.x, point.y}); };
  callbacks.toggle = [this](int row) { return m_pModel->OnToggleRow(row); };
  callbacks.sort = [this](int column) { m_pModel->OnColumnClick(column); };
  m_pGrid = new CSuperGridWnd(this, kListId, model.GetList(), columns, std::move(callbacks), m_images.get());
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_pGrid, 1, wxEXPAND);
  SetSizer(sizer);
  // Focus on the list or the panel: the properties pane follows this view.
  Bind(wxEVT_CHILD_FOCUS, [this](wxChildFocusEvent& event) {
    if (m_pModel != nullptr) m_pModel->OnSetFocus();
    event.Skip();
  });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    if (m_pModel != nullptr) m_pModel->OnTimer(ID_TIMER_TAG_VALUES);
  });
  m_pModel->SetHost(this);
}

CTagViewWnd::~CTagViewWnd() {
  if (m_pModel != nullptr) {
    m_pModel->SetHost(nullptr);
    OnViewGone();
  }
}

void CTagViewWnd::OnViewGone() {
  m_timer.Stop();
  CTagViewModel::SaveColumnWidths(m_pGrid->GetColumnWidths());
  m_pGrid->Detach();
  m_pModel = nullptr;
}

void CTagViewWnd::Redraw() { m_pGrid->Sync(); }
int CTagViewWnd::GetTopIndex() { return m_pGrid->GetTopRow(); }
int CTagViewWnd::GetCountPerPage() { return m_pGrid->GetRowsPerPage(); }
// A page of the notebook that is not shown counts as minimised.
bool CTagViewWnd::IsMinimised() { return !IsShownOnScreen(); }

void CTagViewWnd::SetTimer(UINT, UINT ms) { m_timer.Start(static_cast<int>(ms)); }
void CTagViewWnd::KillTimer(UINT) { m_timer.Stop(); }

void CTagViewWnd::UpdateProperties(WPARAM what, CTreeObject* object) {
  if (m_updateProperties) m_updateProperties(what, object);
}

int CTagViewWnd::RunMultiSetDialog(CMultiSetDlgModel& dialog) {
  CMultiSetDlg window(this, dialog);
  return window.ShowModal() == wxID_OK ? IDOK : IDCANCEL;
}
