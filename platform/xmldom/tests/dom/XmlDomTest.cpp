#include "platform/xmldom/XmlDomDocument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "platform/xmldom/testing/PathVariant.h"

namespace {

using tessaly::testing::PathVariant;

class XmlDomTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = root.Path() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Loads bytes; the document, or null when the load did not succeed.
  XmlDomDocumentPtr Load(const std::string& bytes) {
    XmlDomDocumentPtr doc;
    EXPECT_EQ(CXmlDomDocument::Create(doc), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = doc->load(PathVariant(Write("in.xml", bytes)).v, &ok);
    EXPECT_EQ(hr == S_OK, ok == VARIANT_TRUE);
    return hr == S_OK ? doc : nullptr;
  }
  static std::wstring Name(const XmlDomNodePtr& n) {
    std::wstring s;
    n->get_baseName(s);
    return s;
  }
  static std::wstring Text(const XmlDomNodePtr& n) {
    std::wstring s;
    n->get_text(s);
    return s;
  }
  static XmlDomNodePtr First(const XmlDomNodePtr& n) {
    XmlDomNodePtr c;
    n->get_firstChild(c);
    return c;
  }
  static XmlDomNodePtr Next(const XmlDomNodePtr& n) {
    XmlDomNodePtr c;
    n->get_nextSibling(c);
    return c;
  }
  static std::string Saved(const XmlDomDocumentPtr& doc) {
    std::string xml;
    EXPECT_EQ(doc->SaveToString(xml), S_OK);
    return xml;
  }

  tessaly::testing::TempMachineRoot root;
};

TEST_F(XmlDomTest, IndentedFileLoadsWithoutWhitespaceNodes) {
  auto doc = Load("<?xml version=\"1.0\"?>\n<t:types xmlns:t=\"urn:x\">\n  <t:node>\n    <pid>80 00</pid>\n"
                  "    <!-- note -->\n    <nv><index>5</index><type>A<b>B</b>C</type></nv>\n  </t:node>\n</t:types>\n");
  ASSERT_TRUE(doc);
  XmlDomNodePtr top;
  ASSERT_EQ(doc->get_documentElement(top), S_OK);
  EXPECT_EQ(Name(top), L"types");
  EXPECT_EQ(top->NodeName(), L"t:types");
  XmlDomNodePtr node = First(top);
  EXPECT_EQ(Name(node), L"node");
  EXPECT_EQ(Next(node), nullptr);
  XmlDomNodePtr pid = First(node);
  ASSERT_TRUE(pid) << Saved(doc);
  EXPECT_EQ(Name(pid), L"pid");
  EXPECT_EQ(Text(pid), L"80 00");
  XmlDomNodePtr comment = Next(pid);
  ASSERT_TRUE(comment) << Saved(doc);
  EXPECT_EQ(comment->Type(), XmlDomNodeType::Comment);
  EXPECT_EQ(Name(comment), L"");
  XmlDomNodePtr nv = Next(comment);
  ASSERT_TRUE(nv) << Saved(doc);
  EXPECT_EQ(Text(nv), L"5ABC");  // all descendant text
  XmlDomNodePtr none = nv;
  EXPECT_EQ(nv->get_nextSibling(none), S_FALSE);
  EXPECT_EQ(none, nullptr);

  // Declaration, namespace attribute and comment survive; no indentation is written.
  EXPECT_EQ(Saved(doc),
            "<?xml version=\"1.0\" ?><t:types xmlns:t=\"urn:x\"><t:node><pid>80 00</pid><!-- note --><nv><index>5</index>"
            "<type>A<b>B</b>C</type></nv></t:node></t:types>");
}

TEST_F(XmlDomTest, LoadFailsForFilesWithoutOneDocumentElement) {
  const char* cases[] = {"", "   \n", "<?xml version=\"1.0\"?>", "<a><b></a>", "<a/><b/>", "<a/>trailing", "not xml"};
  for (const char* bytes : cases) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(Load(bytes), nullptr);
  }
  XmlDomDocumentPtr doc;
  ASSERT_EQ(CXmlDomDocument::Create(doc), S_OK);
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(doc->load(PathVariant(root.Path() + "/missing.xml").v, &ok), S_FALSE);
  EXPECT_EQ(ok, VARIANT_FALSE);
  XmlDomNodePtr top;
  EXPECT_EQ(doc->get_documentElement(top), S_FALSE);
  EXPECT_EQ(doc->save(PathVariant(root.Path() + "/out.xml").v), E_FAIL);
  EXPECT_FALSE(std::filesystem::exists(root.Path() + "/out.xml"));
  VARIANT number{};
  number.vt = VT_I4;
  EXPECT_EQ(doc->load(number, &ok), E_INVALIDARG);
}

TEST_F(XmlDomTest, TreeEditsMoveRemoveAndRefuseCycles) {
  auto doc = Load("<r><a/><b/></r>");
  ASSERT_TRUE(doc);
  XmlDomNodePtr r, a, b, c;
  doc->get_documentElement(r);
  a = First(r);
  b = Next(a);
  ASSERT_EQ(doc->createElement(L"c", c), S_OK);
  EXPECT_EQ(doc->createElement(L"1bad", c), E_INVALIDARG);
  EXPECT_EQ(doc->createElement(L"a b", c), E_INVALIDARG);
  ASSERT_EQ(doc->createElement(L"c", c), S_OK);

  EXPECT_EQ(a->appendChild(c), S_OK);
  EXPECT_EQ(b->appendChild(c), S_OK);  // moved, not copied
  EXPECT_EQ(First(a), nullptr);
  EXPECT_EQ(c->Parent(), b);
  EXPECT_EQ(c->appendChild(r), E_INVALIDARG);  // an ancestor
  EXPECT_EQ(c->appendChild(c), E_INVALIDARG);
  EXPECT_EQ(r->removeChild(c), E_INVALIDARG);  // a grandchild, not a child

  XmlDomNodePtr removed;
  EXPECT_EQ(r->removeChild(a, &removed), S_OK);
  EXPECT_EQ(removed, a);
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(First(r), b);
  EXPECT_EQ(Saved(doc), "<r><b><c /></b></r>");
  EXPECT_EQ(r->appendChild(a), S_OK);  // a removed node stays usable
  EXPECT_EQ(Saved(doc), "<r><b><c /></b><a /></r>");
}

TEST_F(XmlDomTest, TextIsEscapedAndReadByTheAnsiRule) {
  auto doc = Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><a>caf\xE9</a><b>&lt;&#x41;&gt;</b></r>");
  ASSERT_TRUE(doc);
  XmlDomNodePtr r;
  doc->get_documentElement(r);
  EXPECT_EQ(Text(First(r)), L"caf\u00E9");
  EXPECT_EQ(Text(Next(First(r))), L"<A>");
  ASSERT_EQ(First(r)->put_text(L"x<&>\"y\u00FC"), S_OK);
  ASSERT_EQ(Next(First(r))->put_text(L""), S_OK);
  EXPECT_EQ(First(Next(First(r))), nullptr);

  // Written as UTF-8, and the declaration says so.
  std::string path = root.Path() + "/out.xml";
  ASSERT_EQ(doc->save(PathVariant(path).v), S_OK);
  EXPECT_EQ(Read(path), "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><r><a>x&lt;&amp;&gt;&quot;y\xC3\xBC</a><b /></r>");
  auto again = Load(Read(path));
  ASSERT_TRUE(again);
  again->get_documentElement(r);
  EXPECT_EQ(Text(First(r)), L"x<&>\"y\u00FC");
}

TEST_F(XmlDomTest, SaveReplacesTheFileWholeOrNotAtAll) {
  auto doc = Load("\xEF\xBB\xBF<r>old</r>");
  ASSERT_TRUE(doc);
  std::string target = Write("table.xml", "previous");
  ASSERT_EQ(doc->save(PathVariant(target).v), S_OK);
  EXPECT_EQ(Read(target), "\xEF\xBB\xBF<r>old</r>");  // the byte-order mark is kept
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.Path()), {}), 2);  // no temporary left

  HRESULT hr = doc->save(PathVariant(root.Path() + "/no/such/folder/t.xml").v);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(hr & 0xFFFF0000, 0x80070000);  // a file-system error
}

TEST_F(XmlDomTest, LongSiblingListsAreReleasedWithoutDeepRecursion) {
  XmlDomDocumentPtr doc;
  ASSERT_EQ(CXmlDomDocument::Create(doc), S_OK);
  XmlDomNodePtr parent;
  ASSERT_EQ(doc->createElement(L"r", parent), S_OK);
  for (int i = 0; i < 200000; ++i) {
    XmlDomNodePtr child;
    ASSERT_EQ(doc->createElement(L"nv", child), S_OK);
    ASSERT_EQ(parent->appendChild(child), S_OK);
  }
  parent.reset();  // would overflow the stack with one destructor per sibling in a chain
}

std::string Nested(size_t depth) {
  std::string text;
  for (size_t i = 0; i < depth; ++i) text += "<a>";
  text += "x";
  for (size_t i = 0; i < depth; ++i) text += "</a>";
  return text;
}

TEST_F(XmlDomTest, DeepDocumentsAreRefusedBeforeTheyAreParsed) {
  auto doc = Load(Nested(256));
  ASSERT_TRUE(doc);
  XmlDomNodePtr r;
  doc->get_documentElement(r);
  EXPECT_EQ(Text(r), L"x");
  EXPECT_EQ(Saved(doc), Nested(256));

  // 100,000 levels would overflow TinyXML's recursive parser if it ever saw them.
  for (size_t depth : {size_t(257), size_t(100000)}) {
    XmlDomDocumentPtr deep;
    ASSERT_EQ(CXmlDomDocument::Create(deep), S_OK);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(deep->load(PathVariant(Write("deep.xml", Nested(depth))).v, &ok), S_FALSE) << depth;
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(deep->ParseError(), L"The elements are nested too deeply.");
    EXPECT_EQ(deep->get_documentElement(r), S_FALSE);
  }
}

TEST_F(XmlDomTest, DeepTreesBuiltInMemoryAreWalkedWithoutRecursion) {
  XmlDomDocumentPtr doc;
  ASSERT_EQ(CXmlDomDocument::Create(doc), S_OK);
  // Built from the leaf up, so each append has no ancestors to check.
  XmlDomNodePtr top;
  ASSERT_EQ(doc->createElement(L"a", top), S_OK);
  ASSERT_EQ(top->put_text(L"leaf"), S_OK);
  XmlDomNodePtr held;
  for (int i = 0; i < 100000; ++i) {
    XmlDomNodePtr parent;
    ASSERT_EQ(doc->createElement(L"a", parent), S_OK);
    ASSERT_EQ(parent->appendChild(top), S_OK);
    top = parent;
    if (i == 50000) held = top;
  }
  EXPECT_EQ(Text(top), L"leaf");
  top.reset();  // one destructor per level in a chain would overflow the stack
  // A node someone still holds keeps what it holds.
  EXPECT_EQ(Text(held), L"leaf");

  // A tree deeper than any load accepts is not saved, and the file stays as it was.
  auto saved = Load("<r/>");
  ASSERT_TRUE(saved);
  XmlDomNodePtr r;
  saved->get_documentElement(r);
  ASSERT_EQ(r->appendChild(held), S_OK);
  std::string target = Write("table.xml", "previous");
  EXPECT_EQ(saved->save(PathVariant(target).v), E_FAIL);
  EXPECT_EQ(Read(target), "previous");
  std::string xml;
  EXPECT_EQ(saved->SaveToString(xml), E_FAIL);
}

}  // namespace
