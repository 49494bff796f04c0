#include "foundation/XmlArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32/testing/TempMachineRoot.h"

namespace {

class XmlArchiveTest : public ::testing::Test {
 protected:
  CString PathOf(const char* name) const { return CString((m_root.PathW() + L"/").c_str()) + CString(name); }
  void WriteFile(const CString& path, const std::string& bytes) {
    std::ofstream(CStringToUtf8(path), std::ios::binary) << bytes;
  }
  std::string ReadFile(const CString& path) {
    std::ifstream in(CStringToUtf8(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int CauseOfLoading(const CString& path) {
    try {
      CXmlArchive ar(path, CXmlArchive::load);
    } catch (const CArchiveException& e) {
      return e.m_cause;
    }
    return -1;
  }

  tessaly::testing::TempMachineRoot m_root;
};

}  // namespace

TEST_F(XmlArchiveTest, RoundTripOfElementsTextNumbersAndComments) {
  const CString path = PathOf("config.xml");
  {
    CXmlArchive ar(path, CXmlArchive::store);
    ar.AddComment(L"Tessaly configuration");
    TiXmlElement* root = ar.AddElement(L"configuration");
    root->SetAttribute("version", 2);
    ar.AddTextElement(L"name", L"Halle 3 \u00e4\u20ac");
    ar.AddIntElement(L"count", -17);
    ar.AddShortElement(L"short", static_cast<SHORT>(40000));
    ar.AddElement(L"item");
    ar.AddIntElement(L"id", 1);
    ar.LeaveElementStoring();
    ar.AddElement(L"item");
    ar.AddIntElement(L"id", 2);
    ar.LeaveElementStoring();
    ar.LeaveElementStoring();
    ar.LeaveElementStoring();  // leaving past the root keeps the document current
    EXPECT_EQ(ar.GetCurrent(), &ar);
    ASSERT_TRUE(ar.Save());
  }
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" ?>", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("<short>-25536</short>"), std::string::npos);
  EXPECT_NE(bytes.find("<!--Tessaly configuration-->"), std::string::npos);

  CXmlArchive ar(path, CXmlArchive::load);
  TiXmlElement* root = ar.EnterElement(L"configuration");
  int version = 0;
  ASSERT_NE(root->Attribute("version", &version), nullptr);
  EXPECT_EQ(version, 2);
  CString name;
  ar.ReadString(L"name", name);
  EXPECT_EQ(name, L"Halle 3 \u00e4\u20ac");
  UINT count = 0;
  ar.ReadUInt(L"count", count);
  EXPECT_EQ(count, static_cast<UINT>(-17));
  USHORT shortValue = 0;
  ar.ReadUShort(L"short", shortValue);
  EXPECT_EQ(shortValue, 40000);
  std::vector<UINT> ids;
  for (int i = 0; ar.EnterElementAt(L"item", i) != nullptr; ++i) {
    UINT id = 0;
    ar.ReadUInt(L"id", id);
    ids.push_back(id);
    ar.LeaveElementLoading();
  }
  EXPECT_EQ(ids, (std::vector<UINT>{1, 2}));
  ar.LeaveElementLoading();
  ar.LeaveElementLoading();
  EXPECT_EQ(ar.GetCurrent(), &ar);
}

TEST_F(XmlArchiveTest, TextsOfBlanksOnlyLoadAsSaved) {
  // TinyXML drops a text node of blanks alone however it was escaped; a root name of one blank
  // converted from an older project must not come back empty.
  const wchar_t* texts[] = {L" ", L"\t", L"  \n  ", L"", L" a ", L"\v\f"};
  const CString path = PathOf("blanks.xml");
  {
    CXmlArchive ar(path, CXmlArchive::store);
    ar.AddElement(L"r");
    for (const wchar_t* text : texts) ar.AddTextElement(L"t", text);
    ar.LeaveElementStoring();
    ASSERT_TRUE(ar.Save());
  }
  CXmlArchive ar(path, CXmlArchive::load);
  ar.EnterElement(L"r");
  for (int i = 0; ar.EnterElementAt(L"t", i) != nullptr; ++i) {
    EXPECT_EQ(CString(texts[i]), CXmlArchive::FromAnsi(ar.GetCurrent()->ToElement()->GetText())) << i;
    ar.LeaveElementLoading();
  }
}

TEST_F(XmlArchiveTest, FilesThatCannotBeLoadedRaiseCauseFive) {
  WriteFile(PathOf("empty.xml"), "");
  WriteFile(PathOf("text.xml"), "this is not xml");
  WriteFile(PathOf("broken.xml"), "<a><b></a>");
  // Deep enough to overflow TinyXML's recursive parser, were it not refused first.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  WriteFile(PathOf("deep.xml"), deep);
  for (const char* name : {"missing.xml", "empty.xml", "text.xml", "broken.xml", "deep.xml"}) {
    EXPECT_EQ(CauseOfLoading(PathOf(name)), CArchiveException::badIndex) << name;
  }
}

TEST_F(XmlArchiveTest, BytesThatAreNoUtf8AreReadOneByOneWhateverTheDeclarationSays) {
  // TinyXML's UTF-8 reading takes a lead byte's whole length on trust: it swallowed the "</a"
  // after the cut sequence here, and a lead byte at the very end takes it past the text.
  for (const char* declaration : {"<?xml version=\"1.0\" ?>", "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", ""}) {
    CXmlArchive ar(std::string(declaration) + "<r><a>x\xF2</a><b>y</b><c>\xC3\xA9</c></r>");
    ar.EnterElement(L"r");
    CString a, b, c;
    ar.ReadString(L"a", a);
    ar.ReadString(L"b", b);
    ar.ReadString(L"c", c);
    EXPECT_EQ(CString(L"x\u00F2"), a) << declaration;
    EXPECT_EQ(CString(L"y"), b) << declaration;
    EXPECT_EQ(CString(L"\u00E9"), c) << declaration << ": a text of its own is still read by the ANSI rule";
  }
}

TEST_F(XmlArchiveTest, LineEndsAreReadAsTinyXmlReadsThem) {
  const std::string crlf = "<r>\r\n<a>one\r\ntwo\rthree</a>\r\n</r>\r\n";
  WriteFile(PathOf("crlf.xml"), crlf);
  // First: the archive switches TinyXML's condensing off, for `own` below too.
  CXmlArchive fromFile(PathOf("crlf.xml"), CXmlArchive::load);
  // A file's text already read (a project being opened) loads as the file does.
  CXmlArchive fromText(crlf);
  TiXmlDocument own(CStringToUtf8(PathOf("crlf.xml")));
  ASSERT_TRUE(own.LoadFile(TIXML_ENCODING_UNKNOWN));
  const std::string expected = own.RootElement()->FirstChildElement("a")->GetText();
  for (CXmlArchive* ar : {&fromFile, &fromText}) {
    ar->EnterElement(L"r");
    CString text;
    ar->ReadString(L"a", text);
    EXPECT_EQ(CStringToUtf8(text), expected);
  }
}

TEST_F(XmlArchiveTest, MissingElementsAndEnterElementAt) {
  const CString path = PathOf("list.xml");
  // A comment and a text that read like the element's name are no entries of the list.
  WriteFile(path, "<root><!--item--><item>1</item>item<other/><item>2</item></root>");
  CXmlArchive ar(path, CXmlArchive::load);
  TiXmlElement* root = ar.EnterElement(L"root");
  try {
    ar.EnterElement(L"absent");
    FAIL() << "no exception";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
  }
  EXPECT_EQ(ar.GetCurrent(), root);
  EXPECT_EQ(ar.EnterElementAt(L"absent", 0), nullptr);
  EXPECT_EQ(ar.GetCurrent(), root);
  CString text;
  EXPECT_THROW(ar.ReadString(L"absent", text), CArchiveException);

  TiXmlElement* second = ar.EnterElementAt(L"item", 1);
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(second->GetText(), "2");
  ar.LeaveElementLoading();
  EXPECT_EQ(ar.EnterElementAt(L"item", 2), nullptr);
  EXPECT_EQ(ar.GetCurrent(), root);
}

TEST_F(XmlArchiveTest, NumbersAreReadAsDecimalAndCutToWidth) {
  const CString path = PathOf("numbers.xml");
  WriteFile(path,
            "<r><a> 42abc</a><b>abc</b><c>300</c><d>-1</d><e>70000</e><f/><g>99999999999</g></r>");
  CXmlArchive ar(path, CXmlArchive::load);
  ar.EnterElement(L"r");
  struct Case {
    const wchar_t* name;
    UINT asUInt;
    USHORT asUShort;
    BYTE asByte;
  };
  const Case cases[] = {
      {L"a", 42, 42, 42},
      {L"b", 0, 0, 0},
      {L"c", 300, 300, 44},
      {L"d", 0xFFFFFFFFu, 0xFFFF, 0xFF},
      {L"e", 70000, 4464, 112},
      {L"f", 0, 0, 0},
      {L"g", 0x7FFFFFFFu, 0xFFFF, 0xFF},  // saturates at 32 bits first
  };
  for (const Case& c : cases) {
    UINT u = 1;
    USHORT s = 1;
    BYTE b = 1;
    ar.ReadUInt(c.name, u);
    ar.ReadUShort(c.name, s);
    ar.ReadByte(c.name, b);
    EXPECT_EQ(u, c.asUInt) << c.name;
    EXPECT_EQ(s, c.asUShort) << c.name;
    EXPECT_EQ(b, c.asByte) << c.name;
  }
}

TEST_F(XmlArchiveTest, OperationsOfTheOtherModeDoNothing) {
  const CString path = PathOf("modes.xml");
  WriteFile(path, "<r><a>5</a></r>");
  {
    CXmlArchive loading(path, CXmlArchive::load);
    EXPECT_TRUE(loading.IsLoading());
    EXPECT_EQ(loading.AddElement(L"x"), nullptr);
    EXPECT_EQ(loading.AddTextElement(L"x", L"y"), nullptr);
    EXPECT_EQ(loading.AddIntElement(L"x", 1), nullptr);
    EXPECT_EQ(loading.AddComment(L"x"), nullptr);
    loading.LeaveElementStoring();
    EXPECT_EQ(loading.GetCurrent(), &loading);
    EXPECT_FALSE(loading.Save());
  }
  EXPECT_EQ(ReadFile(path), "<r><a>5</a></r>");

  CXmlArchive storing(PathOf("never-saved.xml"), CXmlArchive::store);
  EXPECT_TRUE(storing.IsStoring());
  EXPECT_EQ(storing.EnterElement(L"r"), nullptr);
  EXPECT_EQ(storing.EnterElementAt(L"r", 0), nullptr);
  UINT value = 9;
  CString text(L"kept");
  storing.ReadUInt(L"a", value);
  storing.ReadString(L"a", text);
  EXPECT_EQ(value, 9u);
  EXPECT_EQ(text, L"kept");
  EXPECT_FALSE(std::filesystem::exists(CStringToUtf8(PathOf("never-saved.xml"))));
}

TEST_F(XmlArchiveTest, FailedSaveIsReportedAndKeepsTheOldFile) {
  const CString inMissingFolder = PathOf("no-such-folder/out.xml");
  CXmlArchive lost(inMissingFolder, CXmlArchive::store);
  lost.AddElement(L"r");
  EXPECT_FALSE(lost.Save());

  const std::string folder = m_root.Path() + "/locked";
  std::filesystem::create_directory(folder);
  const CString target = PathOf("locked/keep.xml");
  WriteFile(target, "<old/>");
  ::chmod(folder.c_str(), 0500);  // no new file beside the target
  CXmlArchive ar(target, CXmlArchive::store);
  ar.AddElement(L"new");
  const bool saved = ar.Save();
  ::chmod(folder.c_str(), 0700);
  if (::geteuid() != 0) {
    EXPECT_FALSE(saved);  // root ignores the permission
  }
  if (!saved) {
    EXPECT_EQ(ReadFile(target), "<old/>");
  }
}
