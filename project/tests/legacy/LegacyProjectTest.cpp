// Older project files (.tdb) as the test writer builds them: a valid record, class
// back-references, ANSI and long strings, truncation anywhere and lengths that lie; the device
// record's XML form.
#include <gtest/gtest.h>

#include "foundation/XmlArchive.h"
#include "platform/win32/Files.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "project/ODevice.h"
#include "project/testing/LegacyProjectWriter.h"

namespace {

bool Load(const std::vector<BYTE>& bytes, ODevice& device) { return LoadLegacyProject(bytes.data(), bytes.size(), device); }

TEST(LegacyProjectTest, AValidRecordIsReadFieldByField) {
  CLegacyProjectFields fields;
  fields.skipped = L"ignored";
  fields.domainId1 = L"A1B2C3";
  fields.node0 = 300;  // 16 bits in the record, the low byte in an address
  fields.subnet1 = 513;
  fields.extra2 = L"x2";
  fields.value1 = 7;
  fields.extra = L"extra";
  fields.value2 = 9;
  ODevice device;
  ASSERT_TRUE(Load(WriteLegacyProject(fields), device));
  EXPECT_EQ(CString(L"FTT-10"), device.GetChannel());
  EXPECT_EQ(CString(L"LON1"), device.GetPort());
  EXPECT_EQ(CString(L"C:\\Projects\\plant.mdb"), device.GetDbPath());
  EXPECT_EQ(CString(L"Plant"), device.GetName());
  EXPECT_EQ(CString(L"x2"), device.m_strExtra2);
  EXPECT_EQ(CString(L"extra"), device.m_strExtra);
  EXPECT_EQ(7, device.m_wValue1);
  EXPECT_EQ(9, device.m_wValue2);
  EXPECT_EQ(0, device.m_nDbMode);
  EXPECT_EQ(300, device.m_wNode0);
  CLonAddress a0, a1, other;
  device.GetDomain(0, a0);
  device.GetDomain(1, a1);
  device.GetDomain(2, other);
  EXPECT_EQ(CString(L"4B"), a0.GetDomain().ToHexText());
  EXPECT_EQ(1, a0.m_subnet);
  EXPECT_EQ(300 & 0xFF, a0.m_node);
  EXPECT_EQ(CString(L"A1B2C3"), a1.GetDomain().ToHexText());
  EXPECT_EQ(513 & 0xFF, a1.m_subnet);
  EXPECT_EQ(0, other.GetDomain().m_nLength);
}

TEST(LegacyProjectTest, ClassReferencesOfTheTagGroup) {
  struct Case {
    CLegacyProjectFields::GroupClass groupClass;
    bool loads;
  } cases[] = {
      {CLegacyProjectFields::GroupClass::kNew, true},
      {CLegacyProjectFields::GroupClass::kBackToDevice, true},     // a device is a tag group
      {CLegacyProjectFields::GroupClass::kBackToDocument, false},  // the document is not
  };
  for (const Case& c : cases) {
    CLegacyProjectFields fields;
    fields.groupClass = c.groupClass;
    ODevice device;
    EXPECT_EQ(c.loads, Load(WriteLegacyProject(fields), device)) << static_cast<int>(c.groupClass);
    if (c.loads) {
      EXPECT_EQ(CString(L"Plant"), device.GetName());
    }
  }
}

TEST(LegacyProjectTest, NamesInEveryStringForm) {
  struct Case {
    const char* what;
    std::vector<BYTE> raw;
    CString expected;
  } cases[] = {
      {"ANSI 0xE9", AnsiArchiveString("R\xE9sum\xE9"), L"R\u00E9sum\u00E9"},
      {"254 characters", UnicodeArchiveString(std::u16string(254, u'n')), CString(std::wstring(254, L'n'))},
      {"255 characters", UnicodeArchiveString(std::u16string(255, u'n')), CString(std::wstring(255, L'n'))},
      {"0xFFFE characters", UnicodeArchiveString(std::u16string(0xFFFE, u'n')), CString(std::wstring(0xFFFE, L'n'))},
      {"ANSI 300 bytes", AnsiArchiveString(std::string(300, 'a')), CString(std::wstring(300, L'a'))},
  };
  for (const Case& c : cases) {
    CLegacyProjectFields fields;
    fields.rawName = c.raw;
    ODevice device;
    ASSERT_TRUE(Load(WriteLegacyProject(fields), device)) << c.what;
    EXPECT_EQ(c.expected, device.GetName()) << c.what;
    EXPECT_EQ(1, device.m_wValue2) << c.what;
  }
}

TEST(LegacyProjectTest, ATruncatedFileFailsAtEveryOffset) {
  CLegacyProjectFields fields;
  fields.domainId1 = L"A1B2C3";
  fields.rawName = AnsiArchiveString("R\xE9sum\xE9");
  const std::vector<BYTE> whole = WriteLegacyProject(fields);
  ODevice check;
  ASSERT_TRUE(Load(whole, check));
  for (size_t size = 0; size < whole.size(); ++size) {
    std::vector<BYTE> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    ODevice device;
    EXPECT_FALSE(Load(cut, device)) << size;
  }
}

TEST(LegacyProjectTest, AStringLengthOfFFFFFFFFFailsWithoutAllocating) {
  for (std::vector<BYTE> raw : {std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                std::vector<BYTE>{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}) {
    CLegacyProjectFields fields;
    fields.rawName = raw;
    ODevice device;
    EXPECT_FALSE(Load(WriteLegacyProject(fields), device));
  }
  const std::vector<BYTE> foreign = {'<', '?', 'x', 'm', 'l'};
  ODevice device;
  EXPECT_FALSE(Load(foreign, device));
}

class LegacyXmlTest : public ::testing::Test {
 protected:
  int LoadCause(const std::string& text, ODevice& device) {
    try {
      CXmlArchive ar(text);
      ar.EnterElement(L"device");
      device.SerializeXml(ar);
      return CArchiveException::none;
    } catch (const CArchiveException& e) {
      return e.m_cause;
    }
  }
  tessaly::testing::TempMachineRoot root;
};

TEST_F(LegacyXmlTest, TheXmlFormRoundTripsAndTakesOnlyDomainsZeroAndOne) {
  ODevice device;
  device.m_strChannel = L"FTT-10";
  device.m_strPort = L"LON1";
  device.m_strDbPath = L"/data/plant.mdb";
  device.SetName(L"Plant");
  CLonAddress address;
  CDomainId id;
  id.FromHexText(L"A1B2C3", 0);
  address.SetDomain(id);
  address.m_subnet = 4;
  address.m_node = 5;
  device.SetDomain(1, address);
  device.SetDomain(2, address);  // nothing
  const CString path = CString(tessaly::win32::JoinPath(CString(root.Path().c_str()), L"device.xml"));
  {
    CXmlArchive ar(path, CXmlArchive::store);
    ar.AddElement(L"device");
    device.SerializeXml(ar);
    ASSERT_TRUE(ar.Save());
  }
  std::vector<BYTE> bytes;
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReadWholeFile(path, bytes));
  std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(std::string::npos, text.find("<domain index=\"0\">"));
  EXPECT_NE(std::string::npos, text.find("<domain index=\"1\">"));
  EXPECT_NE(std::string::npos, text.find("<dbmode>"));

  ODevice back;
  ASSERT_EQ(CArchiveException::none, LoadCause(text, back));
  EXPECT_EQ(CString(L"Plant"), back.GetName());
  EXPECT_EQ(CString(L"/data/plant.mdb"), back.GetDbPath());
  EXPECT_EQ(CString(L"A1B2C3"), back.m_strDomainId1);
  EXPECT_EQ(5, back.m_wNode1);

  size_t first = text.find("<domain index=\"1\">");
  std::string third = text;
  third.replace(first, 18, "<domain index=\"2\">");
  ODevice dropped;
  EXPECT_EQ(CArchiveException::none, LoadCause(third, dropped));
  EXPECT_TRUE(dropped.m_strDomainId1.IsEmpty()) << "index 2 is read and dropped";
  std::string unindexed = text;
  unindexed.replace(first, 18, "<domain>");
  EXPECT_EQ(CArchiveException::badIndex, LoadCause(unindexed, dropped));
}

}  // namespace
