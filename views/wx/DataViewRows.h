// What both big lists need of the toolkit's list beyond its own calls: the row at the top of the
// view, and a scroll that puts a given row there, so a list whose rows were reset shows the
// rows the user was looking at.
#pragma once

#include <wx/dataview.h>

namespace views_wx {
// The row shown at the top; 0 for an empty or not yet shown list.
int GetTopRow(wxDataViewCtrl& list, wxDataViewVirtualListModel& rows);
// Scrolls so that the row is the top row, as far as the rows below it allow; also right after a
// reset, before the list has measured its rows.
void ScrollRowToTop(wxDataViewCtrl& list, int row);
}  // namespace views_wx
