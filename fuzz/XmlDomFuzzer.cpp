// The DOM the type table stands on: any bytes load or are refused with a reason, and a loaded
// document, saved, loads again to the same text.
#include "fuzz/FuzzSupport.h"
#include "platform/xmldom/XmlDomDocument.h"
#include "platform/xmldom/testing/PathVariant.h"

using tessaly::testing::PathVariant;

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

  std::string first;
  FUZZ_CHECK(doc->SaveToString(first) == S_OK);
  const std::string saved = tessaly::fuzz::Folder() + "/saved.xml";
  FUZZ_CHECK(doc->save(PathVariant(saved).v) == S_OK);
  XmlDomDocumentPtr again;
  FUZZ_CHECK(CXmlDomDocument::Create(again) == S_OK);
  FUZZ_CHECK(again->load(PathVariant(saved).v, &ok) == S_OK);
  std::string second;
  FUZZ_CHECK(again->SaveToString(second) == S_OK);
  FUZZ_CHECK(first == second);
  return 0;
}
