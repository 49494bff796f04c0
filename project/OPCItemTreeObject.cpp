#include "project/OPCItemTreeObject.h"

#include <cwchar>

#include "foundation/Conversions.h"

COPCItemTreeObject::COPCItemTreeObject(const CItemInfo& info)
    : CDefaultObject(info.m_strItemID.GetString(), TreeObjectOpcItem), m_info(info) {}

COPCItemTreeObject::~COPCItemTreeObject() = default;

void COPCItemTreeObject::FillProperties(CPropertyList& list) {
  auto add = [](CPropertyRow* group, const wchar_t* name, COleVariant value, const wchar_t* description) {
    AddReadOnlyProperty(group, name, value, description != nullptr ? description : name);
  };
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  add(misc, L"Name", MakeTextValue(m_info.m_strItemID), L"Name of the OPC item object");
  add(misc, L"Active", MakeBoolValue(m_info.m_bActive != FALSE), L"Active flag");
  add(misc, L"Access rights", MakeTextValue(FormatAccessRightsText(m_info.m_dwAccessRights)), nullptr);
  add(misc, L"Canonical DT", MakeTextValue(VarTypeToName(m_info.m_vtCanonical)), L"Canonical datatype");
  add(misc, L"Requested DT", MakeTextValue(VarTypeToName(m_info.m_vtRequested)), L"Requested datatype");
  add(misc, L"ClientHandle", MakeLongValue(static_cast<LONG>(m_info.m_hClient)), nullptr);
  add(misc, L"Value", MakeTextValue(m_info.m_strValue), nullptr);
  add(misc, L"Timestamp", MakeTextValue(FormatTimeStamp(m_info.m_ftTimestamp)), nullptr);
  add(misc, L"Quality", MakeTextValue(QualityToText(m_info.m_wQuality)), nullptr);
  static const struct {
    const wchar_t* name;
    CItemInfo::Counter counter;
  } kEvents[] = {{L"Reads", CItemInfo::Reads},
                 {L"Writes", CItemInfo::Writes},
                 {L"Polls", CItemInfo::Polls},
                 {L"Updates", CItemInfo::Updates}};
  CPropertyRow* events = AddPropertyGroup(list, L"Events");
  for (const auto& row : kEvents) {
    const CSpyCounter& counter = m_info.m_counters[row.counter];
    add(events, row.name, MakeTextValue(FormatCountAndTime(static_cast<int>(counter.m_nCount), counter.m_ftTime)),
        nullptr);
  }
}

int CompareText(const CString& a, const CString& b) { return std::wcscmp(a.GetString(), b.GetString()); }

int CompareVarTypeNames(VARTYPE a, VARTYPE b) { return CompareText(VarTypeToName(a), VarTypeToName(b)); }
