// The object itself, for what the component hides: the DOM that cannot be made.
#include "sennet/XMLFormatter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

struct Bstr {
  explicit Bstr(const std::wstring& s) : p(tessaly::SysAllocStringView(s)) {}
  ~Bstr() { SysFreeString(p); }
  BSTR p;
};

class XMLFormatterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CComObject<CXMLFormatter>* object = nullptr;
    ASSERT_EQ(CComObject<CXMLFormatter>::CreateInstance(&object), S_OK);
    object->AddRef();
    formatter.Attach(static_cast<IXMLFormatter*>(object));
    raw = object;
  }
  std::wstring MakeFile(const char* name, const char* bytes) {
    std::string path = root.Path() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return std::filesystem::path(path).wstring();
  }
  LONG Lookup(const wchar_t* pid, short index, std::wstring* type = nullptr) {
    BSTR name = nullptr;
    short selector = 0;
    LONG ret = -1;
    EXPECT_TRUE(SUCCEEDED(formatter->GetNvTypeName(Bstr(pid).p, index, &name, &selector, &ret)));
    if (type) *type = tessaly::BstrToString(name);
    SysFreeString(name);
    return ret;
  }

  tessaly::testing::TempMachineRoot root;
  std::shared_ptr<CScriptedMessageBoxPresenter> boxes = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter scoped{boxes};
  CComPtr<IXMLFormatter> formatter;
  CXMLFormatter* raw = nullptr;
};

TEST_F(XMLFormatterTest, DomThatCannotBeMadeIsReportedAndKeepsTheEarlierTable) {
  std::wstring first = MakeFile("a.xml", "<t><node><pid>P</pid><nv><index>1</index><type>A</type></nv></node></t>");
  ASSERT_EQ(formatter->OpenFile(Bstr(first).p), S_OK);

  struct Case {
    HRESULT made;
    bool document;
    HRESULT want;
  } cases[] = {{E_OUTOFMEMORY, false, E_OUTOFMEMORY}, {S_OK, false, E_FAIL}};
  for (const Case& c : cases) {
    raw->SetDocumentFactory([c](XmlDomDocumentPtr& doc) {
      if (c.document) CXmlDomDocument::Create(doc);
      return c.made;
    });
    std::wstring second = MakeFile("b.xml", "<t/>");
    EXPECT_EQ(formatter->OpenFile(Bstr(second).p), c.want);
    ASSERT_FALSE(boxes->Texts().empty());
    EXPECT_EQ(boxes->Texts().back(), CString(ComErrorText(c.want)));

    // The table opened before still answers and still saves to its own file.
    std::wstring type;
    EXPECT_EQ(Lookup(L"P", 1, &type), 1);
    EXPECT_EQ(type, L"A");
  }
  EXPECT_EQ(boxes->Texts().size(), 2u);
  EXPECT_EQ(formatter->SetNvType(2, Bstr(L"B").p, Bstr(L"P").p, 0), S_OK);
  std::ifstream in(root.Path() + "/b.xml");
  std::string b((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(b, "<t/>");
}

TEST_F(XMLFormatterTest, NeverOpenedTableFindsNothingAndRefusesChanges) {
  BSTR name = nullptr;
  short selector = 5;
  LONG ret = 1;
  EXPECT_EQ(formatter->GetNvTypeName(Bstr(L"P").p, 1, &name, &selector, &ret), S_FALSE);
  EXPECT_EQ(ret, 0);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(SysStringLen(name), 0u);
  EXPECT_EQ(selector, 5);
  SysFreeString(name);
  EXPECT_TRUE(FAILED(formatter->SetNvType(1, Bstr(L"T").p, Bstr(L"P").p, 0)));
  EXPECT_TRUE(FAILED(formatter->RemoveNvType(Bstr(L"P").p, 1)));
  EXPECT_EQ(formatter->CloseFile(), S_OK);
  EXPECT_EQ(formatter->GetNvTypeName(Bstr(L"P").p, 1, nullptr, &selector, &ret), E_POINTER);
  EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(XMLFormatterTest, EntryWithoutTypeOrSelectorGetsThemOnSet) {
  std::wstring path = MakeFile("c.xml", "<t><node><pid>P</pid><nv><index>4</index></nv></node></t>");
  ASSERT_EQ(formatter->OpenFile(Bstr(path).p), S_OK);
  ASSERT_EQ(formatter->SetNvType(4, Bstr(L"T").p, Bstr(L"P").p, 6), S_OK);
  BSTR name = nullptr;
  short selector = 0;
  LONG ret = 0;
  ASSERT_EQ(formatter->GetNvTypeName(Bstr(L"P").p, 4, &name, &selector, &ret), S_OK);
  EXPECT_EQ(tessaly::BstrToString(name), L"T");
  EXPECT_EQ(selector, 6);
  SysFreeString(name);
}

std::string Entry(const char* pid, int index, const char* type) {
  return std::string("<node><pid>") + pid + "</pid><nv><index>" + std::to_string(index) + "</index><type>" + type +
         "</type><selector>0</selector></nv>";
}

TEST_F(XMLFormatterTest, SearchGoesDeepAndOnInDocumentOrder) {
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "<g>";
  deep += Entry("P", 1, "Deep") + "</node>";
  for (int i = 0; i < 200; ++i) deep += "</g>";
  const std::string text =
      "<t>" + deep + Entry("X", 1, "Outer") + Entry("H", 1, "Hidden") + "</node></node>" + Entry("Q", 2, "Later") + "</node></t>";
  std::wstring path = MakeFile("deep.xml", text.c_str());
  ASSERT_EQ(formatter->OpenFile(Bstr(path).p), S_OK);
  std::wstring type;
  EXPECT_EQ(Lookup(L"P", 1, &type), 1);
  EXPECT_EQ(type, L"Deep");
  EXPECT_EQ(Lookup(L"Q", 2, &type), 1);
  EXPECT_EQ(type, L"Later");
  EXPECT_EQ(Lookup(L"H", 1), 0);  // inside a node of another program ID
}

TEST_F(XMLFormatterTest, TooDeepFileIsNotLoadedAndNeverWritten) {
  std::string text = "<t>";
  for (int i = 0; i < 100000; ++i) text += "<g>";
  std::wstring path = MakeFile("hostile.xml", text.c_str());
  EXPECT_EQ(formatter->OpenFile(Bstr(path).p), S_FALSE);
  EXPECT_EQ(Lookup(L"P", 1), 0);
  EXPECT_TRUE(FAILED(formatter->SetNvType(1, Bstr(L"T").p, Bstr(L"P").p, 0)));
  std::ifstream in(root.Path() + "/hostile.xml");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), text);
}

}  // namespace
