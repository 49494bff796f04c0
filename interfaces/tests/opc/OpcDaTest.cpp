#include "interfaces/opc/OpcCategories.h"
#include "interfaces/opc/OpcDa.h"
#include "interfaces/opc/OpcError.h"
#include "interfaces/opc/OpcProperties.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <type_traits>

namespace {

std::string GuidText(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return buf;
}

struct IdCase {
  const char* name;
  const GUID& id;
  const char* text;
};

// Clients on other machines find our objects by these numbers; a single wrong digit makes
// an interface unreachable.
TEST(OpcIds, InterfaceAndCategoryIdsMatchTheirPublishedTextForms) {
  const IdCase cases[] = {
      {"IOPCServer", uuidof<IOPCServer>(), "{39C13A4D-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCServerPublicGroups", uuidof<IOPCServerPublicGroups>(), "{39C13A4E-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCBrowseServerAddressSpace", uuidof<IOPCBrowseServerAddressSpace>(),
       "{39C13A4F-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCGroupStateMgt", uuidof<IOPCGroupStateMgt>(), "{39C13A50-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCPublicGroupStateMgt", uuidof<IOPCPublicGroupStateMgt>(), "{39C13A51-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCSyncIO", uuidof<IOPCSyncIO>(), "{39C13A52-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCAsyncIO", uuidof<IOPCAsyncIO>(), "{39C13A53-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCItemMgt", uuidof<IOPCItemMgt>(), "{39C13A54-011E-11D0-9675-0020AFD8ADB3}"},
      {"IEnumOPCItemAttributes", uuidof<IEnumOPCItemAttributes>(), "{39C13A55-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCDataCallback", uuidof<IOPCDataCallback>(), "{39C13A70-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCAsyncIO2", uuidof<IOPCAsyncIO2>(), "{39C13A71-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCItemProperties", uuidof<IOPCItemProperties>(), "{39C13A72-011E-11D0-9675-0020AFD8ADB3}"},
      {"IOPCShutdown", uuidof<IOPCShutdown>(), "{F31DFDE1-07B6-11D2-B2D8-0060083BA1FB}"},
      {"IOPCCommon", uuidof<IOPCCommon>(), "{F31DFDE2-07B6-11D2-B2D8-0060083BA1FB}"},
      {"CATID_OPCDAServer10", CATID_OPCDAServer10, "{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}"},
      {"CATID_OPCDAServer20", CATID_OPCDAServer20, "{63D5F432-CFE4-11D1-B2C8-0060083BA1FB}"},
  };
  std::set<GUID> seen;
  for (const IdCase& c : cases) {
    EXPECT_EQ(GuidText(c.id), c.text) << c.name;
    EXPECT_TRUE(seen.insert(c.id).second) << c.name << " repeats another id";
  }
  EXPECT_EQ(uuidof<IOPCServer>(), IID_IOPCServer);
  EXPECT_EQ(uuidof<IOPCDataCallback>(), IID_IOPCDataCallback);
  EXPECT_EQ(uuidof<IOPCShutdown>(), IID_IOPCShutdown);
}

template <class... T>
constexpr bool AllComInterfaces = ((std::is_base_of_v<IUnknown, T> && std::is_abstract_v<T> &&
                                    std::is_polymorphic_v<T> && !std::is_destructible_v<T>)&&...);
static_assert(AllComInterfaces<IOPCServer, IOPCCommon, IOPCServerPublicGroups, IOPCBrowseServerAddressSpace,
                               IOPCItemProperties, IOPCGroupStateMgt, IOPCPublicGroupStateMgt, IOPCItemMgt,
                               IEnumOPCItemAttributes, IOPCSyncIO, IOPCAsyncIO, IOPCAsyncIO2, IOPCDataCallback,
                               IOPCShutdown>);

// A client may pass any DWORD where an enumeration is declared; the server must be able to
// hold and reject it without undefined behaviour.
TEST(OpcEnums, HoldEveryDwordAClientMaySend) {
  static_assert(std::is_same_v<std::underlying_type_t<OPCENUMSCOPE>, DWORD>);
  static_assert(std::is_same_v<std::underlying_type_t<OPCDATASOURCE>, DWORD>);
  static_assert(sizeof(OPCSERVERSTATE) == 4 && sizeof(OPCEUTYPE) == 4 && sizeof(OPCBROWSEDIRECTION) == 4);
  const OPCENUMSCOPE scope = static_cast<OPCENUMSCOPE>(0xFFFFFFFFu);
  EXPECT_EQ(static_cast<DWORD>(scope), 0xFFFFFFFFu);
  const OPCDATASOURCE source = static_cast<OPCDATASOURCE>(7);
  EXPECT_NE(source, OPC_DS_CACHE);
  EXPECT_NE(source, OPC_DS_DEVICE);
  EXPECT_EQ(static_cast<DWORD>(source), 7u);
}

struct FieldCase {
  const char* field;
  size_t offset;
  size_t expected;
};

// The OPC 1.0 streams are read by clients byte by byte; these are the offsets the 32-bit
// Windows layout gives.
TEST(OpcStreamHeaders, FieldsLieAtTheirPublishedOffsets) {
  const FieldCase cases[] = {
      {"GROUPHEADER.dwSize", offsetof(OPCGROUPHEADER, dwSize), 0},
      {"GROUPHEADER.dwItemCount", offsetof(OPCGROUPHEADER, dwItemCount), 4},
      {"GROUPHEADER.hClientGroup", offsetof(OPCGROUPHEADER, hClientGroup), 8},
      {"GROUPHEADER.dwTransactionID", offsetof(OPCGROUPHEADER, dwTransactionID), 12},
      {"GROUPHEADER.hrStatus", offsetof(OPCGROUPHEADER, hrStatus), 16},
      {"ITEMHEADER1.hClient", offsetof(OPCITEMHEADER1, hClient), 0},
      {"ITEMHEADER1.dwValueOffset", offsetof(OPCITEMHEADER1, dwValueOffset), 4},
      {"ITEMHEADER1.wQuality", offsetof(OPCITEMHEADER1, wQuality), 8},
      {"ITEMHEADER1.wReserved", offsetof(OPCITEMHEADER1, wReserved), 10},
      {"ITEMHEADER1.ftTimeStampItem", offsetof(OPCITEMHEADER1, ftTimeStampItem), 12},
      {"ITEMHEADER2.hClient", offsetof(OPCITEMHEADER2, hClient), 0},
      {"ITEMHEADER2.dwValueOffset", offsetof(OPCITEMHEADER2, dwValueOffset), 4},
      {"ITEMHEADER2.wQuality", offsetof(OPCITEMHEADER2, wQuality), 8},
      {"ITEMHEADER2.wReserved", offsetof(OPCITEMHEADER2, wReserved), 10},
      {"GROUPHEADERWRITE.dwItemCount", offsetof(OPCGROUPHEADERWRITE, dwItemCount), 0},
      {"GROUPHEADERWRITE.hClientGroup", offsetof(OPCGROUPHEADERWRITE, hClientGroup), 4},
      {"GROUPHEADERWRITE.dwTransactionID", offsetof(OPCGROUPHEADERWRITE, dwTransactionID), 8},
      {"GROUPHEADERWRITE.hrStatus", offsetof(OPCGROUPHEADERWRITE, hrStatus), 12},
      {"ITEMHEADERWRITE.hClient", offsetof(OPCITEMHEADERWRITE, hClient), 0},
      {"ITEMHEADERWRITE.dwError", offsetof(OPCITEMHEADERWRITE, dwError), 4},
  };
  for (const FieldCase& c : cases) EXPECT_EQ(c.offset, c.expected) << c.field;

  // Headers are copied into the stream as they lie in memory: nothing may hide between them.
  static_assert(std::is_trivially_copyable_v<OPCGROUPHEADER> && std::is_trivially_copyable_v<OPCITEMHEADER1> &&
                std::is_trivially_copyable_v<OPCITEMHEADER2> && std::is_trivially_copyable_v<OPCGROUPHEADERWRITE> &&
                std::is_trivially_copyable_v<OPCITEMHEADERWRITE>);
  OPCITEMHEADER1 timed[2] = {};
  EXPECT_EQ(reinterpret_cast<char*>(&timed[1]) - reinterpret_cast<char*>(&timed[0]), 20);
  OPCITEMHEADER2 plain[2] = {};
  EXPECT_EQ(reinterpret_cast<char*>(&plain[1]) - reinterpret_cast<char*>(&plain[0]), 12);
}

struct ErrorCase {
  HRESULT code;
  DWORD value;
  bool success;
};

TEST(OpcErrors, EveryCodeHasItsValueSeverityAndAText) {
  const ErrorCase cases[] = {
      {OPC_E_INVALIDHANDLE, 0xC0040001, false},     {OPC_E_BADTYPE, 0xC0040004, false},
      {OPC_E_PUBLIC, 0xC0040005, false},            {OPC_E_BADRIGHTS, 0xC0040006, false},
      {OPC_E_UNKNOWNITEMID, 0xC0040007, false},     {OPC_E_INVALIDITEMID, 0xC0040008, false},
      {OPC_E_INVALIDFILTER, 0xC0040009, false},     {OPC_E_UNKNOWNPATH, 0xC004000A, false},
      {OPC_E_RANGE, 0xC004000B, false},             {OPC_E_DUPLICATENAME, 0xC004000C, false},
      {OPC_S_UNSUPPORTEDRATE, 0x0004000D, true},    {OPC_S_CLAMP, 0x0004000E, true},
      {OPC_S_INUSE, 0x0004000F, true},              {OPC_E_INVALIDCONFIGFILE, 0xC0040010, false},
      {OPC_E_NOTFOUND, 0xC0040011, false},          {OPC_E_INVALID_PID, 0xC0040203, false},
  };
  std::set<std::wstring> texts;
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(static_cast<DWORD>(c.code), c.value);
    EXPECT_EQ(SUCCEEDED(c.code), c.success) << std::hex << c.value;
    EXPECT_EQ(HRESULT_FACILITY(c.code), FACILITY_ITF) << std::hex << c.value;
    const LPCWSTR text = OpcErrorText(c.code);
    ASSERT_NE(text, nullptr) << std::hex << c.value;
    EXPECT_GT(std::wcslen(text), 10u) << std::hex << c.value;
    EXPECT_TRUE(texts.insert(text).second) << std::hex << c.value << " shares its text";
  }
  EXPECT_STREQ(OpcErrorText(OPC_E_UNKNOWNITEMID), L"The item is no longer available in the server address space");
  EXPECT_STREQ(OpcErrorText(OPC_S_UNSUPPORTEDRATE),
               L"The server does not support the requested data rate but will use the closest available rate.");
}

TEST(OpcErrors, CodesOutsideTheListHaveNoText) {
  for (HRESULT hr : {S_OK, S_FALSE, E_FAIL, E_INVALIDARG, static_cast<HRESULT>(0xC0040002),
                     static_cast<HRESULT>(0xC0040012), static_cast<HRESULT>(0x80040001),
                     static_cast<HRESULT>(0x0004000C), static_cast<HRESULT>(0xC004000D)})
    EXPECT_EQ(OpcErrorText(hr), nullptr) << std::hex << static_cast<DWORD>(hr);
}

// Each substatus belongs to exactly one quality group and leaves the limit bits free, so
// that masking a received word tells the group apart from the limit.
TEST(OpcQuality, SubstatusesSitInTheirGroupAndClearOfTheLimitBits) {
  struct {
    WORD value;
    WORD group;
  } const cases[] = {
      {OPC_QUALITY_CONFIG_ERROR, OPC_QUALITY_BAD},       {OPC_QUALITY_NOT_CONNECTED, OPC_QUALITY_BAD},
      {OPC_QUALITY_DEVICE_FAILURE, OPC_QUALITY_BAD},     {OPC_QUALITY_SENSOR_FAILURE, OPC_QUALITY_BAD},
      {OPC_QUALITY_LAST_KNOWN, OPC_QUALITY_BAD},         {OPC_QUALITY_COMM_FAILURE, OPC_QUALITY_BAD},
      {OPC_QUALITY_OUT_OF_SERVICE, OPC_QUALITY_BAD},     {OPC_QUALITY_LAST_USABLE, OPC_QUALITY_UNCERTAIN},
      {OPC_QUALITY_SENSOR_CAL, OPC_QUALITY_UNCERTAIN},   {OPC_QUALITY_EGU_EXCEEDED, OPC_QUALITY_UNCERTAIN},
      {OPC_QUALITY_SUB_NORMAL, OPC_QUALITY_UNCERTAIN},   {OPC_QUALITY_LOCAL_OVERRIDE, OPC_QUALITY_GOOD},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value & OPC_QUALITY_MASK, c.group) << std::hex << c.value;
    EXPECT_EQ(c.value & OPC_LIMIT_MASK, 0) << std::hex << c.value;
    EXPECT_EQ(c.value & OPC_STATUS_MASK, c.value) << std::hex << c.value;
  }
  const WORD word = OPC_QUALITY_EGU_EXCEEDED | OPC_LIMIT_HIGH;
  EXPECT_EQ(word & OPC_STATUS_MASK, OPC_QUALITY_EGU_EXCEEDED);
  EXPECT_EQ(word & OPC_LIMIT_MASK, OPC_LIMIT_HIGH);
  EXPECT_EQ(OPC_LIMIT_CONST, OPC_LIMIT_LOW | OPC_LIMIT_HIGH);
}

}  // namespace
