#include "views/wx/TagsListCtrl.h"

CTagsListCtrl::CTagsListCtrl(wxWindow* parent, CTagsListModel& list, const std::vector<CColumn>& columns,
                             CCallbacks callbacks, wxImageList* images)
    : CSuperGridCtrl(parent, kListId, list, columns, std::move(callbacks), images) {}
