#include "foundation/LonAddress.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/XmlArchive.h"
#include "platform/win32/testing/TempMachineRoot.h"

TEST(DomainId, HexTextForms) {
  struct Case {
    const wchar_t* text;
    wchar_t separator;
    int length;
    const wchar_t* back;
  };
  const Case cases[] = {
      {L"12345", 0, 3, L"012345"},                        // a leading 0 is supplied
      {L"0102030405060708090A0B0C0D", 0, 6, L"010203040506"},  // first 6 bytes only
      {L"", 0, 0, L""},
      {L"A5", 0, 1, L"A5"},
      {L"7d:2e:94", L':', 3, L"7D2E94"},
      {L"ZZ", 0, 0, L""},
  };
  for (const Case& c : cases) {
    CDomainId id;
    id.FromHexText(c.text, c.separator);
    EXPECT_EQ(id.m_nLength, c.length) << c.text;
    EXPECT_EQ(id.ToHexText(), c.back) << c.text;
  }
  CDomainId broken;
  broken.m_nLength = 1000;  // never reads past the 6 bytes
  EXPECT_EQ(broken.ToHexText().GetLength(), 12);
  broken.m_nLength = -3;
  EXPECT_EQ(broken.ToHexText(), L"");
}

TEST(LonAddress, DefaultsAndInUseState) {
  CLonAddress fresh;
  EXPECT_EQ(fresh.m_domainLengthState, 255);
  EXPECT_EQ(fresh.GetAuthKey().ToHexText(), L"7D2E94A1C06B");
  EXPECT_EQ(fresh.GetDomain().m_nLength, 0);
  EXPECT_FALSE(fresh.IsDomainLengthValid());

  CDomainId domain;
  domain.FromHexText(L"12345", 0);
  CLonAddress address(domain, 4, 9);
  EXPECT_EQ(address.m_domainLengthState, 3);
  address.SetDomainLengthState(false);
  EXPECT_EQ(address.m_domainLengthState, 255);
  address.SetDomainLengthState(true);
  EXPECT_EQ(address.m_domainLengthState, 3);
  address.m_domainLengthState = 1;
  address.SetDomainLengthState(true);  // a valid state stays
  EXPECT_EQ(address.m_domainLengthState, 1);

  CLonAddress copy;
  copy.CopyFrom(address);
  EXPECT_EQ(copy.m_node, 9);
  EXPECT_EQ(copy.GetDomain().ToHexText(), L"012345");
}

TEST(LonAddress, XmlRoundTripAndMissingElements) {
  tessaly::testing::TempMachineRoot root;
  const CString path = CString((root.PathW() + L"/address.xml").c_str());
  CDomainId domain;
  domain.FromHexText(L"A1B2C3D4E5F6", 0);
  CLonAddress withDomain(domain, 200, 127);
  CLonAddress empty(CDomainId(), 1, 2);
  CDomainId key;
  key.FromHexText(L"00112233FFEE", 0);
  withDomain.SetAuthKey(key);
  {
    CXmlArchive ar(path, CXmlArchive::store);
    ar.AddElement(L"domain");
    withDomain.SerializeXml(ar);
    ar.LeaveElementStoring();
    ar.AddElement(L"domain");
    empty.SerializeXml(ar);
    ar.LeaveElementStoring();
    ASSERT_TRUE(ar.Save());
  }
  std::stringstream text;
  text << std::ifstream(CStringToUtf8(path)).rdbuf();
  EXPECT_NE(text.str().find("<domainID>A1B2C3D4E5F6</domainID>"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("<auth>7D2E94A1C06B</auth>"), std::string::npos);  // the default key

  CXmlArchive ar(path, CXmlArchive::load);
  CLonAddress first;
  ar.EnterElementAt(L"domain", 0);
  first.SerializeXml(ar);
  ar.LeaveElementLoading();
  EXPECT_EQ(first.GetDomain().ToHexText(), L"A1B2C3D4E5F6");
  EXPECT_EQ(first.m_domainLengthState, 6);
  EXPECT_EQ(first.m_subnet, 200);
  EXPECT_EQ(first.m_node, 127);
  EXPECT_EQ(first.GetAuthKey().ToHexText(), L"00112233FFEE");

  CLonAddress second;
  ar.EnterElementAt(L"domain", 1);
  second.SerializeXml(ar);
  EXPECT_EQ(second.GetDomain().m_nLength, 0);
  EXPECT_EQ(second.m_domainLengthState, 0);
  ar.LeaveElementLoading();

  // Without its "auth" element the record throws cause 5 and stays as it was.
  std::ofstream(CStringToUtf8(path), std::ios::trunc)
      << "<domain><domainID>01</domainID><subnet>300</subnet><node>5</node></domain>";
  CXmlArchive partial(path, CXmlArchive::load);
  partial.EnterElement(L"domain");
  CLonAddress untouched;
  try {
    untouched.SerializeXml(partial);
    FAIL() << "no exception";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
  }
  EXPECT_EQ(untouched.m_domainLengthState, 255);
}
