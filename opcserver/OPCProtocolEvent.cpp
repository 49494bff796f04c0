#include "opcserver/OPCProtocolEvent.h"

#include "foundation/Conversions.h"
#include "opcserver/OpcServerResource.h"

namespace {
CString LoadText(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}
}  // namespace

template <>
CProtocolEventText COPCProtocolEventT<COPCServerMessenger>::GetText() const {
  RegisterOpcServerStrings();
  CProtocolEventText text;
  const CServerInfo& r = m_record;
  switch (m_nKind) {
    case OpcEventAddClient:
      FormatResourceString(text.m_text, IDS_OPC_ADD_CLIENT, r.m_strName);
      break;
    case OpcEventRemoveClient:
      FormatResourceString(text.m_text, IDS_OPC_REMOVE_CLIENT, r.m_strName);
      break;
    case OpcEventRenameClient:
      FormatResourceString(text.m_text, IDS_OPC_RENAME_CLIENT, m_strText, r.m_strName);
      break;
    default:
      break;
  }
  return text;
}

template <>
CProtocolEventText COPCProtocolEventT<COPCGroupMessenger>::GetText() const {
  RegisterOpcServerStrings();
  CProtocolEventText text;
  const CGroupInfo& r = m_record;
  const CString& g = r.m_strName;
  const CString& c = r.m_strClientName;
  UINT plain = 0;  // headlines with (group, client) only
  switch (m_nKind) {
    case OpcEventAddGroup: {
      FormatResourceString(text.m_text, IDS_OPC_ADD_GROUP, g, c);
      CString line;
      FormatResourceString(line, IDS_OPC_GROUP_STATE_LINE, LoadText(r.m_bActive ? IDS_OPC_ACTIVE : IDS_OPC_INACTIVE),
                           r.m_dwUpdateRate, static_cast<double>(r.m_fDeadband), r.m_hClient, r.m_lTimeBias,
                           r.m_dwLCID);
      text.AddLine(line);
      break;
    }
    case OpcEventRemoveGroup: plain = IDS_OPC_REMOVE_GROUP; break;
    case OpcEventGroupClientHandle:
      FormatResourceString(text.m_text, IDS_OPC_GROUP_CLIENT_HANDLE, g, c, r.m_hClient);
      break;
    case OpcEventGroupLCID:
      FormatResourceString(text.m_text, IDS_OPC_GROUP_LCID, g, c, r.m_dwLCID);
      break;
    case OpcEventGroupTimeBias:
      FormatResourceString(text.m_text, IDS_OPC_GROUP_TIMEBIAS, g, c, r.m_lTimeBias);
      break;
    case OpcEventGroupUpdateRate:
      FormatResourceString(text.m_text, IDS_OPC_GROUP_UPDATE_RATE, g, c, r.m_dwUpdateRate);
      break;
    case OpcEventGroupDeadband:
      FormatResourceString(text.m_text, IDS_OPC_GROUP_DEADBAND, g, c, static_cast<double>(r.m_fDeadband));
      break;
    case OpcEventRenameGroup:
      FormatResourceString(text.m_text, IDS_OPC_RENAME_GROUP, m_strText, g, c);
      break;
    case OpcEventGroupActive: {
      CString state = LoadText(r.m_bActive ? IDS_OPC_ACTIVE : IDS_OPC_INACTIVE);
      state.MakeLower();
      FormatResourceString(text.m_text, IDS_OPC_GROUP_ACTIVE, g, c, state);
      break;
    }
    case OpcEventSyncRead: plain = IDS_OPC_SYNC_READ; break;
    case OpcEventSyncWrite: plain = IDS_OPC_SYNC_WRITE; break;
    case OpcEventAsyncRead: plain = IDS_OPC_ASYNC_READ; break;
    case OpcEventAsyncReadComplete: plain = IDS_OPC_ASYNC_READ_DONE; break;
    case OpcEventAsyncWrite: plain = IDS_OPC_ASYNC_WRITE; break;
    case OpcEventAsyncWriteComplete: plain = IDS_OPC_ASYNC_WRITE_DONE; break;
    case OpcEventAsyncCancel: plain = IDS_OPC_ASYNC_CANCEL; break;
    case OpcEventAsyncCancelComplete: plain = IDS_OPC_ASYNC_CANCEL_DONE; break;
    case OpcEventDataChange: plain = IDS_OPC_DATACHANGE; break;
    case OpcEventOperationFailed:
      text.m_text = LoadText(IDS_OPC_OPERATION_FAILED);
      break;
    default:
      break;
  }
  if (plain) FormatResourceString(text.m_text, plain, g, c);
  return text;
}

template <>
CProtocolEventText COPCProtocolEventT<COPCItemMessenger>::GetText() const {
  RegisterOpcServerStrings();
  CProtocolEventText text;
  const CItemInfo& r = m_record;
  const CString& i = r.m_strItemID;
  const CString& g = r.m_strGroupName;
  const CString& c = r.m_strClientName;
  switch (m_nKind) {
    case OpcEventAddItem: {
      FormatResourceString(text.m_text, IDS_OPC_ADD_ITEM, i, g, c);
      CString line;
      FormatResourceString(line, IDS_OPC_ITEM_LINE, LoadText(r.m_bActive ? IDS_OPC_ACTIVE : IDS_OPC_INACTIVE),
                           FormatAccessRightsText(r.m_dwAccessRights), VarTypeToName(r.m_vtCanonical),
                           VarTypeToName(r.m_vtRequested), r.m_hClient, QualityToText(r.m_wQuality),
                           r.m_counters[CItemInfo::Reads].m_nCount, r.m_counters[CItemInfo::Writes].m_nCount,
                           r.m_counters[CItemInfo::Polls].m_nCount, r.m_counters[CItemInfo::Updates].m_nCount);
      text.AddLine(line);
      break;
    }
    case OpcEventRemoveItem:
      FormatResourceString(text.m_text, IDS_OPC_REMOVE_ITEM, i, g, c);
      break;
    case OpcEventItemDatatype:
      FormatResourceString(text.m_text, IDS_OPC_ITEM_DATATYPE, i, g, c, VarTypeToName(r.m_vtRequested));
      break;
    case OpcEventItemClientHandle:
      FormatResourceString(text.m_text, IDS_OPC_ITEM_CLIENT_HANDLE, i, g, c, r.m_hClient);
      break;
    case OpcEventItemValue:
      FormatResourceString(text.m_text, IDS_OPC_ITEM_VALUE, i, g, c, r.m_strValue);
      break;
    case OpcEventItemQuality:
      FormatResourceString(text.m_text, IDS_OPC_ITEM_QUALITY, i, g, c, QualityToText(r.m_wQuality));
      break;
    case OpcEventItemWrite:
      FormatResourceString(text.m_text, IDS_OPC_ITEM_WRITE, i, g, c, r.m_strValue);
      break;
    case OpcEventItemRead:
      FormatResourceString(text.m_text, IDS_OPC_ITEM_READ, i, g, c);
      break;
    default:
      break;
  }
  return text;
}
