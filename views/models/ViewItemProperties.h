// What a view implements to fill the properties pane and take back its edits.
#pragma once

#include "lon/PropertyRow.h"
#include "platform/win32/WinTypes.h"

class CViewItemProperties {
 public:
  virtual ~CViewItemProperties() = default;
  // The user changed the value of a row the view supplied (the row holds the new value).
  virtual BOOL OnPropertyChanged(CPropertyRow* property) = 0;
  // Appends the rows (groups or single rows) of the current selection; the pane owns them.
  virtual void GetProperties(CPropertyList& properties) = 0;
};
