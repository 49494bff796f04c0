#include <gtest/gtest.h>

#include "foundation/KxModuleVersion.h"
#include "opcserver/OpcServerPropertiesManager.h"

namespace {

TEST(ServerPropertiesTest, VersionFromTheProductVersionText) {
  struct Case {
    const wchar_t* text;
    WORD major, minor, build;
  } cases[] = {{L"2.3.0.1", 2, 3, 0}, {L"7.5", 7, 5, 0}, {L"", 0, 0, 0}, {L"x.1.2", 0, 0, 0}, {L"70000.1.2.", 4464, 1, 2}};
  for (const Case& c : cases) {
    WORD major = 9, minor = 9, build = 9;
    COpcServerPropertiesManager::ParseVersionText(c.text, major, minor, build);
    EXPECT_EQ(c.major, major) << ::testing::PrintToString(std::wstring(c.text));
    EXPECT_EQ(c.minor, minor);
    EXPECT_EQ(c.build, build);
  }
  COpcServerPropertiesManager properties;
  WORD major = 0, minor = 0, build = 0, m2 = 1, n2 = 1, b2 = 1;
  properties.GetVersion(major, minor, build);
  COpcServerPropertiesManager::ParseVersionText(GetProductVersionText(), m2, n2, b2);
  EXPECT_EQ(m2, major);
  EXPECT_EQ(n2, minor);
  EXPECT_EQ(b2, build);
  EXPECT_EQ(CString(L"OPC Server by Norvane GmbH"), properties.GetVendorName());
}

}  // namespace
