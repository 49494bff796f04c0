#include "views/wx/DataViewRows.h"

#include <gtk/gtk.h>

namespace views_wx {

int GetTopRow(wxDataViewCtrl& list, wxDataViewVirtualListModel& rows) {
  const wxDataViewItem top = list.GetTopItem();
  return top.IsOk() ? static_cast<int>(rows.GetRow(top)) : 0;
}

void ScrollRowToTop(wxDataViewCtrl& list, int row) {
  if (row < 0) return;
  // The toolkit's EnsureVisible scrolls as little as it can, and a request made before the rows
  // are measured is kept only with its alignment: the native call with the row aligned to the top.
  GtkWidget* view = list.GtkGetTreeView();
  if (view == nullptr) return;
  GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
  gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(view), path, nullptr, TRUE, 0.0f, 0.0f);
  gtk_tree_path_free(path);
}

}  // namespace views_wx
