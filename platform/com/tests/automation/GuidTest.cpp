#include "platform/com/Guid.h"

#include <gtest/gtest.h>

#include "platform/com/ComErrors.h"
#include "platform/com/Memory.h"

namespace {

DEFINE_GUID_TEXT(kSample, "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
DEFINE_GUID(kSampleToo, 0x6B29FC40, 0xCA47, 0x1067, 0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA);
static_assert(kSample.Data1 == 0x6B29FC40 && kSample.Data2 == 0xCA47 && kSample.Data4[7] == 0xDA);
static_assert(tessaly::GuidFromText("6b29fc40-ca47-1067-b31d-00dd010662da").Data3 == 0x1067);

TEST(Guid, TextIsBracedUppercaseAndRoundTrips) {
  EXPECT_EQ(kSample, kSampleToo);
  wchar_t buf[39];
  ASSERT_EQ(StringFromGUID2(kSample, buf, 39), 39);
  EXPECT_STREQ(buf, L"{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  EXPECT_EQ(StringFromGUID2(kSample, buf, 38), 0);

  for (int i = 0; i < 20; ++i) {
    GUID g{};
    ASSERT_EQ(CoCreateGuid(&g), S_OK);
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(g, &text), S_OK);
    GUID back{};
    EXPECT_EQ(CLSIDFromString(text, &back), S_OK);
    EXPECT_EQ(back, g);
    CoTaskMemFree(text);
  }
}

TEST(Guid, LowercaseTextIsAccepted) {
  GUID g{};
  EXPECT_EQ(IIDFromString(L"{6b29fc40-ca47-1067-b31d-00dd010662da}", &g), S_OK);
  EXPECT_EQ(g, kSample);
}

TEST(Guid, BadTextIsRefusedAndLeavesTheOutputAlone) {
  const wchar_t* bad[] = {
      L"",
      L"6B29FC40-CA47-1067-B31D-00DD010662DA",     // no braces
      L"{6B29FC40-CA47-1067-B31D-00DD010662D}",    // one digit short
      L"{6B29FC40-CA47-1067-B31D-00DD010662DAA}",  // one too many
      L"{6B29FC40-CA47-1067-B31D-00DD010662DG}",   // not hex
      L"{6B29FC40+CA47-1067-B31D-00DD010662DA}",   // wrong separator
      L"{6B29FC40-CA47-1067-B31D00-DD010662DA}",   // dash moved
      L"{6B29FC40-CA47-1067-B31D-00DD010662DA} ",  // trailing blank
  };
  for (const wchar_t* text : bad) {
    GUID g = kSample;
    EXPECT_EQ(CLSIDFromString(text, &g), CO_E_CLASSSTRING) << "text: " << text;
    EXPECT_EQ(IIDFromString(text, &g), E_INVALIDARG) << "text: " << text;
    EXPECT_EQ(g, kSample);
  }
}

TEST(Guid, CreatedGuidsAreVersion4AndDistinct) {
  GUID a{}, b{};
  ASSERT_EQ(CoCreateGuid(&a), S_OK);
  ASSERT_EQ(CoCreateGuid(&b), S_OK);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.Data3 >> 12, 4);
  EXPECT_EQ(a.Data4[0] & 0xC0, 0x80);
}

}  // namespace
