// The DOM the type table stands on: any bytes load or are refused with a reason, and a loaded
// document, saved, loads again, and saves to the same text from its second save on.
#include "fuzz/FuzzSupport.h"
#include "platform/xmldom/XmlDomDocument.h"
#include "platform/xmldom/testing/PathVariant.h"

using tessaly::testing::PathVariant;

namespace {

// The document saved to a file of that name and loaded from it, which must succeed.
XmlDomDocumentPtr Reloaded(const CXmlDomDocument& doc, const char* name) {
  const std::string path = tessaly::fuzz::Folder() + "/" + name;
  FUZZ_CHECK(doc.save(PathVariant(path).v) == S_OK);
  XmlDomDocumentPtr again;
  FUZZ_CHECK(CXmlDomDocument::Create(again) == S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  FUZZ_CHECK(again->load(PathVariant(path).v, &ok) == S_OK && ok == VARIANT_TRUE);
  return again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = tessaly::fuzz::WriteFile("in.xml", data, size);
  XmlDomDocumentPtr doc;
  FUZZ_CHECK(CXmlDomDocument::Create(doc) == S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  const HRESULT hr = doc->load(PathVariant(path).v, &ok);
  XmlDomNodePtr root;
  if (hr != S_OK) {
    FUZZ_CHECK(hr == S_FALSE && ok == VARIANT_FALSE);
    FUZZ_CHECK(!doc->ParseError().empty());
    FUZZ_CHECK(doc->get_documentElement(root) == S_FALSE);
    return 0;
  }
  FUZZ_CHECK(ok == VARIANT_TRUE && doc->get_documentElement(root) == S_OK);
  std::wstring text;
  root->get_text(text);

  // The first save may differ from the input (white space condensed, text of a file that is
  // not UTF-8 read by the ANSI rule); from then on a save and a load change nothing.
  std::string first, second, third;
  FUZZ_CHECK(doc->SaveToString(first) == S_OK);
  XmlDomDocumentPtr again = Reloaded(*doc, "saved.xml");
  FUZZ_CHECK(again->SaveToString(second) == S_OK);
  FUZZ_CHECK(Reloaded(*again, "saved-again.xml")->SaveToString(third) == S_OK);
  if (second != third) std::fprintf(stderr, "second save:\n%s\nthird save:\n%s\n", second.c_str(), third.c_str());
  FUZZ_CHECK(second == third);
  return 0;
}
