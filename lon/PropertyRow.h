// One row of the properties pane as the tree objects build it, neutral of any toolkit: the pane
// turns rows into controls. A group row holds child rows; an edit of a row reaches
// OnPropertyChanged with its data id.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "platform/com/OleVariant.h"
#include "platform/win32/CString.h"

class CPropertyRow {
 public:
  CString m_strName;
  COleVariant m_value;
  CString m_strDescription;
  int m_nDataId = -1;
  bool m_bGroup = false;
  bool m_bEditable = false;
  bool m_bEnabled = true;
  std::vector<CString> m_options;
  std::deque<std::unique_ptr<CPropertyRow>> m_children;

  // The first child row of that name, or null.
  CPropertyRow* FindChild(const wchar_t* name) const;
};

// The group rows of one object, owned.
using CPropertyList = std::deque<std::unique_ptr<CPropertyRow>>;

CPropertyRow* AddPropertyGroup(CPropertyList& list, const wchar_t* name);
// Shows the value; a VT_BOOL row is disabled, any other row refuses editing. The value is cleared.
CPropertyRow* AddReadOnlyProperty(CPropertyRow* group, const wchar_t* name, VARIANT& value, const wchar_t* description);
// An editable row whose edits arrive with `id`.
CPropertyRow* AddEditableProperty(CPropertyRow* group, const wchar_t* name, const wchar_t* description, int id,
                                  const VARIANT& value);
// "Datatype" ("Canonical type of the value") with the current name and one option per name.
CPropertyRow* AddDataTypeProperty(CPropertyRow* group, int id, const CString& current,
                                  const std::vector<CString>& names);
// The same with the names of the data-type table, in table order.
CPropertyRow* AddDataTypeListProperty(CPropertyRow* group, int id, const CString& current);

// VARIANT makers for rows.
COleVariant MakeTextValue(const CString& text);
COleVariant MakeBoolValue(bool value);
COleVariant MakeLongValue(LONG value);
