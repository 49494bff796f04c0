// The tag view's grid (child 310): the tree-in-list grid over the tags list model, which sorts
// by kind and index in "Address" and by time in "Timestamp" and tells the tag view of expansions.
#pragma once

#include "views/models/TagsListModel.h"
#include "views/wx/SuperGridCtrl.h"

class CTagsListCtrl : public CSuperGridCtrl {
 public:
  static constexpr int kListId = 310;

  CTagsListCtrl(wxWindow* parent, CTagsListModel& list, const std::vector<CColumn>& columns, CCallbacks callbacks,
                wxImageList* images);
};
