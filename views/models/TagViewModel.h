// The tag view without its window: the NVs, CPs and fields under the object selected in the
// device view, as a tree in a grid, with their values while monitoring runs. It owns the monitor
// thread and drives the window's value timer. It holds tree objects only between the hints that
// announce them and those that take them away, and expansions by the objects' paths.
#pragma once

#include <list>
#include <memory>
#include <set>

#include "lon/LonDatabaseManager.h"
#include "views/models/DocProxyUsers.h"
#include "lon/MonitorThread.h"
#include "platform/afx/View.h"
#include "platform/win32/CString.h"
#include "views/models/TagsListModel.h"
#include "views/models/ViewItemProperties.h"

class CDoc;
class CMultiSetDlgModel;
class CTreeObject;

// What the tag view asks of its window and the main window.
class CTagViewHost {
 public:
  virtual ~CTagViewHost() = default;
  virtual void Redraw() {}
  // The grid's first visible row and the rows a page holds.
  virtual int GetTopIndex() { return 0; }
  virtual int GetCountPerPage() { return 20; }
  virtual bool IsMinimised() { return false; }
  virtual void SetTimer(UINT /*id*/, UINT /*ms*/) {}
  virtual void KillTimer(UINT /*id*/) {}
  // WM_APP+0x103 to the main window.
  virtual void UpdateProperties(WPARAM /*what*/, CTreeObject* /*object*/) {}
  virtual void ActivateFrame() {}
  // The multi-set dialog, modally; its result.
  virtual int RunMultiSetDialog(CMultiSetDlgModel& /*dialog*/) { return IDCANCEL; }
  // The view goes (with its document's frame) before its window: nothing of it may be used after.
  virtual void OnViewGone() {}
};

class CTagViewModel : public CView, public CTagsListModel::CTagsListListener, public CViewItemProperties, public CLonProxyUser {
 public:
  // The refresh masks.
  enum : UINT {
    kValue = 0x01,
    kType = 0x02,
    kTimestamp = 0x04,
    kCacheTimeout = 0x08,
    kDescription = 0x10,
    kName = 0x20,
    kOverlay = 0x40,
    kAllButValue = 126,
    kValueAndTime = 5,
  };
  static constexpr int kColumnCount = 7;

  explicit CTagViewModel(CTagViewHost* host = nullptr);
  ~CTagViewModel() override;

  void SetHost(CTagViewHost* host) { m_pHost = host; }
  CTagsListModel& GetList() { return m_list; }
  CTreeObject* GetShownObject() const { return m_pShown; }
  CTreeObject* GetSelectedObject() const { return m_pSelected; }
  bool IsMonitorRunning() { return m_monitor.IsRunning(); }
  CMonitorThread& GetMonitor() { return m_monitor; }

  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, LPARAM hint, CObject* object) override;
  void OnTimer(UINT id);

  // The grid's notifications. The selection: the rows selected now (several with Ctrl or Shift).
  void OnSelectionChanged(const std::vector<int>& rows);
  void OnItemSelected(int row) { OnSelectionChanged({row}); }
  // The view got the focus: the properties pane follows it.
  void OnSetFocus();
  void OnDoubleClick(int row);
  void OnRightClick(int row, POINT point);
  void OnColumnClick(int column) { m_list.SortByColumn(column); }
  // A click on a row's +/- box; the row to scroll to, -1 when nothing changed.
  int OnToggleRow(int row);

  // Commands.
  void OnProperties();
  void OnChangeValue();
  void OnMultipleSetting();

  // Column headings and widths, in column order; widths kept in the profile.
  static const wchar_t* GetColumnHeading(int column);
  static int GetDefaultColumnWidth(int column);
  static bool IsColumnRightAligned(int column) { return column == 6; }
  static std::vector<int> LoadColumnWidths();
  static void SaveColumnWidths(const std::vector<int>& widths);

  // The properties pane.
  BOOL OnPropertyChanged(CPropertyRow* property) override;
  void GetProperties(CPropertyList& properties) override;

  void OnNodesRemoving(const std::list<CLonNode*>& nodes) override;

 protected:
  void OnItemExpanded(CSuperGridModel::CTreeItem* item) override;
  void OnItemCollapsed(CSuperGridModel::CTreeItem* item) override;

 private:
  CDoc* Doc();
  void Clear();
  void Fill(CTreeObject* object);
  void AddRows(CSuperGridModel::CTreeItem* parent, CTreeObject* object);
  void RefreshRow(CSuperGridModel::CTreeItem* item, UINT mask);
  void RefreshSubtree(CSuperGridModel::CTreeItem* item, UINT mask);
  void RefreshAll(UINT mask);
  void RefreshVisible();
  void SetMonitoring(bool on);
  void HandChildrenToMonitor();
  void AttachToManager();
  // Whether the object is the shown one or lies above or below it.
  bool Touches(CTreeObject* object);
  void SetSelected(CTreeObject* object) { m_pSelected = object; }
  void Redraw();

  CTagViewHost* m_pHost;
  CTagsListModel m_list;
  CTreeObject* m_pShown = nullptr;
  CTreeObject* m_pSelected = nullptr;
  CLonNode* m_pShownNode = nullptr;  // the device whose data points fill the list
  bool m_bNotifySelection = true;
  CMonitorThread m_monitor;
  std::set<CString> m_expanded;  // paths
  CDocProxyUsers m_proxyUsers;
};
