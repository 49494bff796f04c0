// The right-hand view of the OPC diagnostics workspace for a selected group, without its
// window: the group's state as form fields, its nine call counters, its items, and the banner
// with its name, brought up to date once a second from the statistics records. It holds the
// group's key, never the group or its tree object, so a group that went leaves its last values.
#pragma once

#include <memory>

#include "opcserver/SpyInfo.h"
#include "platform/afx/View.h"
#include "views/models/OPCItemsListModel.h"
#include "views/models/ViewItemProperties.h"
#include "views/models/ViewMessageWindow.h"

class CGroupFeaturesViewModel : public CView, public CViewItemProperties {
 public:
  static constexpr UINT_PTR kTimerId = 45002;

  // The form's fields as the dialog exchanges them.
  struct Fields {
    float m_fDeadband = 0;
    LONG m_lTimeBias = 0;
    DWORD m_dwUpdateRate = 0;
    bool m_bActive = false;
    DWORD m_hClient = 0;
    bool m_bPublic = false;  // never set: the records know no public groups
    bool m_bSubscribed = false;
    CString m_strLocaleId;   // "%08X"
    DWORD m_hServer = 0;     // the records carry no server handle
    DWORD m_dwLastUpdateRate = 0;
    CString m_strItemCount;  // "%d item(s)"
  };
  struct CounterRow {
    CString m_strName;
    CString m_strCount;
    CString m_strTime;
  };

  // What the window does about changes of the form and the banner.
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void OnFieldsChanged() = 0;
    virtual void OnBannerChanged() = 0;
    virtual bool IsMinimised() { return false; }
  };

  CGroupFeaturesViewModel();
  ~CGroupFeaturesViewModel() override;

  void SetSink(Sink* sink) { m_pSink = sink; }
  // The window tells whether it is minimised: ticks then change nothing.
  void SetMinimised(bool minimised) { m_bMinimised = minimised; }

  // Columns from the settings, the stored sort, the timer.
  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, LPARAM hint, CObject* object) override;
  void OnTimer(UINT_PTR id);
  // The timer stops and the sort is stored.
  void OnDestroy();
  // One refresh from the records; nothing without a group or once it is gone.
  void Refresh();

  void GetProperties(CPropertyList& properties) override;
  BOOL OnPropertyChanged(CPropertyRow*) override { return FALSE; }
  // The first row the user selected in the item list (-1: none); its item fills the properties
  // pane for as long as it has a row, wherever sorting moves it.
  void SetSelectedRow(int row);
  // A row became selected, or the view got the focus: the properties pane follows.
  void OnSelectionOrFocus();

  DWORD GetGroupKey() const { return m_dwGroupKey; }
  const Fields& GetFields() const { return m_fields; }
  const CounterRow* GetCounterRows() const { return m_counters; }
  const CString& GetBannerText() const { return m_strBanner; }
  COPCItemsListModel& GetItems() { return m_items; }

  // The item columns the settings ask for; all without a document.
  static int GetSettingsColumnMask();

 private:
  void UpdateItemRows();
  // Every row goes; the next tick lists the group's items again.
  void DeleteAllItemRows();

  Sink* m_pSink = nullptr;
  DWORD m_dwGroupKey = 0;
  CString m_strGroupName;  // of the group shown, for the properties pane
  CString m_strLastName = L"xxx__ABCD";
  CString m_strBanner = L"This is a group name";
  Fields m_fields;
  CounterRow m_counters[CGroupInfo::CounterCount];
  COPCItemsListModel m_items;
  // The registry's version of the group's item set the rows were made from (0: none yet).
  uint64_t m_nItemsVersion = 0;
  DWORD m_dwSelectedKey = 0;
  // What the properties pane shows of the group beside its counters, as last seen; empty for a
  // group not refreshed yet.
  CString m_strPaneState;
  bool m_bMinimised = false;
  std::unique_ptr<CViewMessageWindow> m_window;
};
