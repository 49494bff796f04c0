// An item over the small and wide integer types: a value read again unchanged is no change, a
// new one is; the client's requested type converts it; a percent deadband applies to them all.
#include <gtest/gtest.h>

#include <memory>

#include "opcserver/OPCItem.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Variant.h"

namespace {

CComVariant Of(VARTYPE vt, LONGLONG n) {
  CComVariant wide;
  wide.vt = VT_I8;
  wide.llVal = n;
  CComVariant out;
  EXPECT_EQ(S_OK, VariantChangeType(&out, &wide, 0, vt));
  return out;
}

struct TypeCase {
  VARTYPE vt;
  LONGLONG first, second;  // second - first is the smallest step; both at the type's edge
  const wchar_t* secondText;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << "VARTYPE " << c.vt; }

class ItemValueTypesTest : public ::testing::TestWithParam<TypeCase> {
 protected:
  void SetUp() override {
    point = tags.Add(L"Dev.1.1.0", GetParam().vt);
    point->SetValue(Of(GetParam().vt, GetParam().first));
    point->low = static_cast<double>(GetParam().first) - 100;
    point->high = static_cast<double>(GetParam().first) + 100;
    item = std::make_unique<COPCItem>(tags.CreateTag(L"Dev.1.1.0"), nullptr, 1);
    ASSERT_EQ(S_OK, item->GetInitResult());
  }
  // A refresh and an update as the group's cycle makes them; whether the item changed.
  bool Cycle(float deadband = 0.0f) {
    item->ClearChanged();
    EXPECT_EQ(S_OK, item->Refresh(1));
    EXPECT_EQ(S_OK, item->Update(deadband));
    return item->IsChanged();
  }

  CFakeTagsManager tags;
  std::shared_ptr<FakePoint> point;
  std::unique_ptr<COPCItem> item;
};

TEST_P(ItemValueTypesTest, ChangesConversionsAndDeadband) {
  const TypeCase& c = GetParam();
  ASSERT_TRUE(item->SetRequestedType(VT_EMPTY, false));
  Cycle();
  EXPECT_FALSE(Cycle()) << "the same value again";
  CComVariant held;
  ASSERT_EQ(S_OK, item->GetValue(&held));
  EXPECT_EQ(c.vt, held.vt);
  EXPECT_TRUE(VariantsEqual(held, Of(c.vt, c.first)));

  // A one-step move is a change without a deadband and none inside a 50 % band of 200.
  point->SetValue(Of(c.vt, c.second));
  EXPECT_FALSE(Cycle(50.0f));
  EXPECT_TRUE(Cycle());
  EXPECT_FALSE(Cycle());
  ASSERT_TRUE(item->SetRequestedType(VT_BSTR, false));
  CComVariant text;
  ASSERT_EQ(S_OK, item->GetValue(&text));
  ASSERT_EQ(VT_BSTR, text.vt);
  EXPECT_STREQ(c.secondText, text.bstrVal);
  ASSERT_TRUE(item->SetRequestedType(VT_R8, false));
  CComVariant number;
  ASSERT_EQ(S_OK, item->GetValue(&number));
  EXPECT_EQ(static_cast<double>(c.second), number.dblVal);
  // Asked for a type the value does not fit: the conversion's error, as the client is told.
  // Between I1 and UI1 the conversion keeps the bits, as Windows' does.
  if (c.vt != VT_I1 && c.vt != VT_UI1) {
    ASSERT_TRUE(item->SetRequestedType(VT_I1, false));
    CComVariant small;
    EXPECT_EQ(DISP_E_OVERFLOW, item->GetValue(&small));
  }
}

INSTANTIATE_TEST_SUITE_P(Types, ItemValueTypesTest,
                         ::testing::Values(TypeCase{VT_I1, -128, -127, L"-127"}, TypeCase{VT_UI1, 255, 254, L"254"},
                                           TypeCase{VT_UI2, 65535, 65534, L"65534"},
                                           TypeCase{VT_UI4, 4294967295LL, 4294967294LL, L"4294967294"},
                                           TypeCase{VT_I8, -9007199254740992LL, -9007199254740991LL,
                                                    L"-9007199254740991"}));

TEST(VariantsEqualTest, SameTypeAndBitsOnly) {
  EXPECT_TRUE(VariantsEqual(Of(VT_I1, -1), Of(VT_I1, -1)));
  EXPECT_FALSE(VariantsEqual(Of(VT_I1, -1), Of(VT_UI1, 255)));  // the same byte, another type
  EXPECT_FALSE(VariantsEqual(Of(VT_UI2, 1), Of(VT_UI4, 1)));
  EXPECT_FALSE(VariantsEqual(Of(VT_I8, 1LL << 40), Of(VT_I8, (1LL << 40) + 1)));
  for (VARTYPE vt : {VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT})
    EXPECT_TRUE(IsDeadbandType(vt)) << vt;
  for (VARTYPE vt : {VT_EMPTY, VT_CY, VT_DATE, VT_BSTR, VT_BOOL, VT_DECIMAL}) EXPECT_FALSE(IsDeadbandType(vt)) << vt;
}

}  // namespace
