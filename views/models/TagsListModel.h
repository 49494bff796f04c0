// The tag view's grid: rows of NVs, CPs and fields, sorted by kind and index in the first column
// and by time stamp in the "Timestamp" column; expansions are told to a listener.
#pragma once

#include "views/models/SuperGridModel.h"

class CTreeObject;

class CTagsListModel : public CSuperGridModel {
 public:
  class CTagsListListener {
   public:
    virtual ~CTagsListListener() = default;
    virtual void OnItemExpanded(CTreeItem* item) = 0;
    virtual void OnItemCollapsed(CTreeItem* item) = 0;
  };

  static constexpr int kColumnAddress = 0;
  static constexpr int kColumnTimestamp = 5;

  void SetListener(CTagsListListener* listener) { m_pListener = listener; }
  static CTreeObject* ObjectOf(const CTreeItem* item) {
    return item != nullptr ? static_cast<CTreeObject*>(item->m_pUserData) : nullptr;
  }

 protected:
  void OnItemExpanded(CTreeItem* item, int) override {
    if (m_pListener != nullptr) m_pListener->OnItemExpanded(item);
  }
  void OnItemCollapsed(CTreeItem* item) override {
    if (m_pListener != nullptr) m_pListener->OnItemCollapsed(item);
  }
  CSortKey GetSortKey(CTreeItem* item, int column) override;

 private:
  CTagsListListener* m_pListener = nullptr;
};
