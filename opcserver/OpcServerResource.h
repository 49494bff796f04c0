// String resources of the OPC server: event headlines, state lines, error and vendor texts.
#pragma once

#include "platform/win32/WinTypes.h"

constexpr UINT IDS_OPC_ACTIVE = 50042;
constexpr UINT IDS_OPC_INACTIVE = 50043;
constexpr UINT IDS_OPC_RIGHTS_RW = 50126;
constexpr UINT IDS_OPC_RIGHTS_R = 50128;
constexpr UINT IDS_OPC_VENDOR_NAME = 51042;
constexpr UINT IDS_OPC_UNKNOWN_ERROR = 51050;
constexpr UINT IDS_OPC_ITEM_DATATYPE = 51052;

// Event headlines and lines.
constexpr UINT IDS_OPC_ADD_CLIENT = 51100;
constexpr UINT IDS_OPC_REMOVE_CLIENT = 51101;
constexpr UINT IDS_OPC_RENAME_CLIENT = 51102;
constexpr UINT IDS_OPC_ADD_GROUP = 51103;
constexpr UINT IDS_OPC_GROUP_STATE_LINE = 51104;
constexpr UINT IDS_OPC_REMOVE_GROUP = 51105;
constexpr UINT IDS_OPC_GROUP_CLIENT_HANDLE = 51106;
constexpr UINT IDS_OPC_GROUP_LCID = 51107;
constexpr UINT IDS_OPC_GROUP_TIMEBIAS = 51108;
constexpr UINT IDS_OPC_GROUP_UPDATE_RATE = 51109;
constexpr UINT IDS_OPC_GROUP_DEADBAND = 51110;
constexpr UINT IDS_OPC_RENAME_GROUP = 51111;
constexpr UINT IDS_OPC_GROUP_ACTIVE = 51112;
constexpr UINT IDS_OPC_SYNC_READ = 51113;
constexpr UINT IDS_OPC_SYNC_WRITE = 51114;
constexpr UINT IDS_OPC_ASYNC_READ = 51115;
constexpr UINT IDS_OPC_ASYNC_READ_DONE = 51116;
constexpr UINT IDS_OPC_ASYNC_WRITE = 51117;
constexpr UINT IDS_OPC_ASYNC_WRITE_DONE = 51118;
constexpr UINT IDS_OPC_ASYNC_CANCEL = 51119;
constexpr UINT IDS_OPC_ASYNC_CANCEL_DONE = 51120;
constexpr UINT IDS_OPC_DATACHANGE = 51121;
constexpr UINT IDS_OPC_OPERATION_FAILED = 51122;
constexpr UINT IDS_OPC_ADD_ITEM = 51123;
constexpr UINT IDS_OPC_ITEM_LINE = 51124;
constexpr UINT IDS_OPC_REMOVE_ITEM = 51125;
constexpr UINT IDS_OPC_ITEM_CLIENT_HANDLE = 51126;
constexpr UINT IDS_OPC_ITEM_VALUE = 51127;
constexpr UINT IDS_OPC_ITEM_QUALITY = 51128;
constexpr UINT IDS_OPC_ITEM_WRITE = 51129;
constexpr UINT IDS_OPC_ITEM_READ = 51130;
constexpr UINT IDS_OPC_CLIENT_DROPPED = 51131;

// The OPC codes' texts, in the order of OpcErrorText's table.
constexpr UINT IDS_OPC_ERROR_FIRST = 63000;

// Enters the table above into the process's string table (once; later calls do nothing).
void RegisterOpcServerStrings();
