// The right-hand view of the OPC diagnostics workspace for anything but a group, without its
// window: a "Property"/"Value" list of the server application (the root) or of one connected
// client's server object, read again once a second. It holds the shown object's type and
// statistics key, never the object, and takes selections only from the diagnostics tree.
#pragma once

#include <memory>
#include <vector>

#include "platform/afx/View.h"
#include "platform/win32/CString.h"
#include "views/models/ViewItemProperties.h"
#include "views/models/ViewMessageWindow.h"

class CClientViewModel : public CView, public CViewItemProperties {
 public:
  static constexpr UINT_PTR kTimerId = 45003;
  static constexpr int kNone = -1;

  struct Row {
    CString m_strName;
    CString m_strValue;
  };
  // What the window does about changes.
  class Sink {
   public:
    virtual ~Sink() = default;
    // The rows were deleted and made anew.
    virtual void OnRowsRebuilt() = 0;
    // Values changed (and after any hint): the columns fit their texts again.
    virtual void OnValuesChanged() = 0;
  };

  CClientViewModel();
  ~CClientViewModel() override;
  void SetSink(Sink* sink) { m_pSink = sink; }

  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, LPARAM hint, CObject* object) override;
  void OnTimer(UINT_PTR id);
  void OnDestroy();

  void GetProperties(CPropertyList& properties) override;
  BOOL OnPropertyChanged(CPropertyRow*) override { return FALSE; }

  int GetShownType() const { return m_nType; }
  DWORD GetShownKey() const { return m_dwKey; }
  const std::vector<Row>& GetRows() const { return m_rows; }
  // Counts the times the rows were deleted and inserted again.
  int GetRowsGeneration() const { return m_nRowsGeneration; }

 private:
  void Show(int type, DWORD key);
  void FillValues();

  Sink* m_pSink = nullptr;
  int m_nType = kNone;
  DWORD m_dwKey = 0;
  std::vector<Row> m_rows;
  int m_nRowsGeneration = 0;
  std::unique_ptr<CViewMessageWindow> m_window;
};
