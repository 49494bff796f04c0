#include "project/OPCGroupTreeObject.h"

#include "foundation/Conversions.h"
#include "opcserver/OPCToolkitManager.h"

const GroupCounterRow kGroupCounterRows[CGroupInfo::CounterCount] = {
    {L"DataChange Events", CGroupInfo::DataChange},
    {L"SyncRead", CGroupInfo::SyncRead},
    {L"SyncWrite", CGroupInfo::SyncWrite},
    {L"AsyncRead", CGroupInfo::AsyncRead},
    {L"AsyncRead Complete", CGroupInfo::AsyncReadComplete},
    {L"AsyncWrite", CGroupInfo::AsyncWrite},
    {L"AsyncWrite Complete", CGroupInfo::AsyncWriteComplete},
    {L"AsyncCancel", CGroupInfo::AsyncCancel},
    {L"AsyncCancel Complete", CGroupInfo::AsyncCancelComplete},
};

CTreeObject* COPCGroupTreeObject::CreateObject(const wchar_t* name) {
  auto* object = new COPCGroupTreeObject();
  object->SetName(name);
  return object;
}

COPCGroupTreeObject* AsGroupTreeObject(CTreeObject* object) {
  auto* typed = static_cast<CDefaultObject*>(object);
  if (typed == nullptr || typed->GetType() != TreeObjectOpcGroup) return nullptr;
  return static_cast<COPCGroupTreeObject*>(typed);
}

void COPCGroupTreeObject::FillProperties(CPropertyList& list) {
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  CGroupInfo info;
  if (!GetOPCToolkitManager().GetGroupInfo(m_dwKey, info)) return;
  auto add = [](CPropertyRow* group, const wchar_t* name, COleVariant value, const wchar_t* description) {
    AddReadOnlyProperty(group, name, value, description != nullptr ? description : name);
  };
  add(misc, L"Name", MakeTextValue(info.m_strName), L"Name of the OPC Group object");
  add(misc, L"Deadband", COleVariant(info.m_fDeadband), nullptr);
  add(misc, L"Timebias", MakeLongValue(info.m_lTimeBias), nullptr);
  add(misc, L"UpdateRate", MakeLongValue(static_cast<LONG>(info.m_dwUpdateRate)), nullptr);
  add(misc, L"Last updateRate", MakeLongValue(static_cast<LONG>(info.m_dwLastCycle)), nullptr);
  add(misc, L"Active", MakeBoolValue(info.m_bActive), nullptr);
  add(misc, L"Client handle", MakeLongValue(static_cast<LONG>(info.m_hClient)), nullptr);
  add(misc, L"LCID", MakeLongValue(static_cast<LONG>(info.m_dwLCID)), nullptr);
  add(misc, L"Subscribed", MakeBoolValue(info.m_bSubscribed), nullptr);
  add(misc, L"Items count", MakeLongValue(static_cast<LONG>(info.m_nItemCount)), L"OPC items count");
  CPropertyRow* events = AddPropertyGroup(list, L"Events");
  for (const GroupCounterRow& row : kGroupCounterRows) {
    const CSpyCounter& counter = info.m_counters[row.counter];
    add(events, row.name, MakeTextValue(FormatCountAndTime(static_cast<int>(counter.m_nCount), counter.m_ftTime)),
        nullptr);
  }
}
