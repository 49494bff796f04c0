#include <gtest/gtest.h>

#include <vector>

#include "interfaces/opc/OpcError.h"
#include "lon/CPTag.h"
#include "lon/LonTagsGroup.h"
#include "platform/com/Memory.h"

namespace {

// A tag with a fixed ID; the rest is not asked by the groups.
class CNamedTag : public COPCTag {
 public:
  explicit CNamedTag(const wchar_t* id) : m_id(id) {}
  VARTYPE GetCanonicalType() override { return VT_R8; }
  DWORD GetAccessRights() override { return 3; }
  CString GetItemID() override { return m_id; }
  CString GetName() override { return m_id; }
  HRESULT ReadValue(VARIANT*, VARTYPE) override { return E_FAIL; }
  WORD GetQuality() override { return 0x40; }
  void GetTimestamp(FILETIME* out) override { *out = FILETIME{0xFFFFFFFF, 0xFFFFFFFF}; }
  bool Refresh(DWORD) override { return false; }
  bool WriteValue(const VARIANT*) override { return false; }
  bool GetValueRange(double*, double*) override { return false; }
  CString m_id;
};

std::vector<CString> Ids(const std::list<COPCTag*>& tags) {
  std::vector<CString> ids;
  for (COPCTag* tag : tags) ids.push_back(tag->GetItemID());
  return ids;
}

struct AddressSpace {
  CLonTagsGroup root{L"Root"};
  CLonTagsGroup* device;
  CLonTagsGroup* block;
  AddressSpace() {
    root.AddTag(new CNamedTag(L"r1"));
    device = root.AddGroup(L"dev");
    device->AddTag(new CNamedTag(L"d1"));
    device->AddTag(new CNamedTag(L"d2"));
    block = device->AddGroup(L"blk");
    block->AddTag(new CNamedTag(L"b1"));
  }
};

TEST(TagGroupTest, BranchNavigation) {
  AddressSpace s;
  EXPECT_EQ(s.root.GetParentBranch(), nullptr);
  EXPECT_EQ(s.device->GetParentBranch(), &s.root);
  EXPECT_EQ(s.device->GetPath(), L"Root;dev");
  EXPECT_EQ(s.root.FindChildBranch(L"dev"), s.device);
  EXPECT_EQ(s.root.FindChildBranch(L"Dev"), nullptr);
  EXPECT_EQ(s.root.FindBranchByPath(L"Root;dev;blk"), s.block);
  std::list<COPCTagsBranch*> children;
  s.root.ListChildBranches(children);
  EXPECT_EQ(children, std::list<COPCTagsBranch*>{s.device});
}

TEST(TagGroupTest, ListTagsByBrowseType) {
  AddressSpace s;
  struct Case {
    DWORD type;
    std::vector<CString> ids;
  } cases[] = {
      {3, {L"r1", L"d1", L"d2", L"b1"}},  // OPC_FLAT: own tags first, then the subtree, depth first
      {2, {L"r1"}},
      {1, {L"r1"}},
  };
  for (const Case& c : cases) {
    std::list<COPCTag*> tags;
    s.root.ListTags(tags, c.type);
    EXPECT_EQ(Ids(tags), c.ids) << c.type;
  }
}

TEST(TagGroupTest, FindTagSearchesOwnTagsOnly) {
  AddressSpace s;
  EXPECT_NE(s.device->FindTag(L"d2"), nullptr);
  EXPECT_EQ(s.root.FindTag(L"d2"), nullptr);
  EXPECT_THROW(s.root.FindTag(nullptr), HRESULT);
  CLonTagsGroup empty(L"e");
  std::list<COPCTag*> tags;
  empty.ListTags(tags, 3);
  EXPECT_TRUE(tags.empty());
  EXPECT_EQ(empty.FindTag(nullptr), nullptr);
}

TEST(OpcTagTest, SupportedTypes) {
  CNamedTag tag(L"x");
  struct Case {
    VARTYPE vt;
    bool ok;
  } cases[] = {{VT_R8 | VT_ARRAY, true}, {VT_EMPTY, true}, {VT_BSTR, true}, {VT_UINT, true}, {VT_BOOL, true},
               {VT_VARIANT, false},      {VT_DECIMAL, false}, {VT_R8 | VT_BYREF, false}, {VT_NULL, false},
               {15, false},              {24, false}};
  for (const Case& c : cases) EXPECT_EQ(tag.IsSupportedType(c.vt), c.ok) << c.vt;
}

TEST(OpcTagTest, ItemPropertiesAndLookups) {
  CNamedTag tag(L"x");
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(tag.GetItemProperty(6, &v), S_OK);
  EXPECT_EQ(v.vt, VT_R4);
  EXPECT_FLOAT_EQ(v.fltVal, 100.0f);
  EXPECT_EQ(tag.GetItemProperty(1, &v), S_OK);
  EXPECT_EQ(v.vt, VT_I2);
  EXPECT_EQ(v.iVal, VT_R8);
  // No time stamp: a defined zero date, not garbage.
  EXPECT_EQ(tag.GetItemProperty(4, &v), S_OK);
  EXPECT_EQ(v.vt, VT_DATE);
  EXPECT_EQ(v.date, 0.0);
  VariantInit(&v);
  // A value that cannot be read is the property's error, not S_OK with nothing.
  EXPECT_EQ(tag.GetItemProperty(2, &v), E_FAIL);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(tag.GetItemProperty(7, &v), OPC_E_INVALID_PID);
  EXPECT_EQ(v.vt, VT_EMPTY);
  for (DWORD id : {101u, 5000u, 5001u}) EXPECT_EQ(tag.LookupItemID(id), E_FAIL);
  EXPECT_EQ(tag.LookupItemID(1), OPC_E_INVALID_PID);
  EXPECT_EQ(tag.GetItemPropertyCount(), 7u);
}

TEST(OpcTagTest, QueryAvailablePropertiesNeverWritesPastCount) {
  CNamedTag tag(L"x");
  struct Case {
    DWORD count;
    std::vector<DWORD> ids;
  } cases[] = {{3, {1, 2, 3}}, {7, {1, 2, 3, 4, 5, 101, 6}}, {9, {1, 2, 3, 4, 5, 101, 6}}, {0, {}}};
  for (const Case& c : cases) {
    std::vector<DWORD> ids(10, 0xDEAD);
    std::vector<LPWSTR> texts(10, nullptr);
    std::vector<VARTYPE> types(10, 0xBEEF);
    tag.QueryAvailableProperties(c.count, ids.data(), texts.data(), types.data());
    for (size_t i = 0; i < ids.size(); ++i) {
      if (i < c.ids.size()) {
        EXPECT_EQ(ids[i], c.ids[i]);
        ASSERT_NE(texts[i], nullptr);
      } else {
        EXPECT_EQ(ids[i], 0xDEADu) << "count " << c.count << " wrote entry " << i;
      }
      CoTaskMemFree(texts[i]);
    }
    if (c.ids.size() >= 2) {
      EXPECT_EQ(types[1], VT_R8);  // the value has the canonical type
    }
  }
  LPWSTR text = nullptr;
  DWORD id = 0;
  VARTYPE type = 0;
  tag.QueryAvailableProperties(1, &id, &text, &type);
  EXPECT_EQ(CString(text), L"Item Canonical DataType");
  CoTaskMemFree(text);
}

TEST(OpcTagTest, QualityFromStatus) {
  struct Case {
    LONG status;
    WORD quality;
  } cases[] = {{0, 0xC0}, {2, 0x40}, {1, 0x1C}, {3, 0x1C}, {-1, 0x1C}};
  for (const Case& c : cases) EXPECT_EQ(QualityFromLonStatus(c.status), c.quality) << c.status;
}

TEST(OpcTagTest, ActiveCountNeverBelowZero) {
  CNamedTag tag(L"x");
  tag.Activate();
  tag.Deactivate();
  tag.Deactivate();
  EXPECT_EQ(tag.m_nActiveCount.load(), 0);
}

}  // namespace
