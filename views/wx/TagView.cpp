#include "views/wx/TagView.h"

#include <wx/imaglist.h>
#include <wx/sizer.h>

#include "views/models/ConfigViewResource.h"
#include "views/wx/MultiSetDlg.h"
#include "views/wx/TagsListCtrl.h"
#include "views/wx/TreeImages.h"

CTagView::CTagView(wxWindow* parent, CTagViewModel& model)
    : wxPanel(parent), m_pModel(&model), m_images(views_wx::CreateTreeImages()), m_timer(this, ID_TIMER_TAG_VALUES) {
  std::vector<CSuperGridCtrl::CColumn> columns;
  const std::vector<int> widths = CTagViewModel::LoadColumnWidths();
  for (int i = 0; i < CTagViewModel::kColumnCount; ++i)
    columns.push_back({CTagViewModel::GetColumnHeading(i), widths[static_cast<size_t>(i)], CTagViewModel::IsColumnRightAligned(i)});
  CSuperGridCtrl::CCallbacks callbacks;
  callbacks.selected = [this](const std::vector<int>& rows) { m_pModel->OnSelectionChanged(rows); };
  callbacks.activated = [this](int row) { m_pModel->OnDoubleClick(row); };
  callbacks.contextMenu = [this](int row, wxPoint point) { m_pModel->OnRightClick(row, POINT{point.x, point.y}); };
  callbacks.toggle = [this](int row) { return m_pModel->OnToggleRow(row); };
  callbacks.sort = [this](int column) { m_pModel->OnColumnClick(column); };
  m_pGrid = new CTagsListCtrl(this, model.GetList(), columns, std::move(callbacks), m_images.get());
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

CTagView::~CTagView() {
  if (m_pModel != nullptr) {
    m_pModel->SetHost(nullptr);
    OnViewGone();
  }
}

void CTagView::OnViewGone() {
  m_timer.Stop();
  CTagViewModel::SaveColumnWidths(m_pGrid->GetColumnWidths());
  m_pGrid->Detach();
  m_pModel = nullptr;
}

void CTagView::Redraw() { m_pGrid->Sync(); }
int CTagView::GetTopIndex() { return m_pGrid->GetTopRow(); }
int CTagView::GetCountPerPage() { return m_pGrid->GetRowsPerPage(); }
// A page of the notebook that is not shown counts as minimised.
bool CTagView::IsMinimised() { return !IsShownOnScreen(); }

void CTagView::SetTimer(UINT, UINT ms) { m_timer.Start(static_cast<int>(ms)); }
void CTagView::KillTimer(UINT) { m_timer.Stop(); }

void CTagView::UpdateProperties(WPARAM what, CTreeObject* object) {
  if (m_updateProperties) m_updateProperties(what, object);
}

int CTagView::RunMultiSetDialog(CMultiSetDlgModel& dialog) {
  CMultiSetDlg window(this, dialog);
  return window.ShowModal() == wxID_OK ? IDOK : IDCANCEL;
}
