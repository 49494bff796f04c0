// The XML archive behind projects.xml, the project files and timing.xml: any bytes load or are
// refused with cause 5 and every reading operation copes with what loaded; and text the program
// stores comes back through a save and a load (white space condensed, as TinyXML reads it).
#include <filesystem>

#include "foundation/XmlArchive.h"
#include "fuzz/FuzzSupport.h"

namespace {

CString PathOf(const std::string& path) { return CString(std::filesystem::path(path).wstring().c_str()); }

// Every element's text and number, through the archive's own reading operations.
void ReadAll(CXmlArchive& ar, int depth) {
  int n = 0;
  for (TiXmlElement* e = ar.GetCurrent()->FirstChildElement(); e != nullptr && n < 64; e = e->NextSiblingElement(), ++n) {
    const CString name = CXmlArchive::FromAnsi(e->Value());
    CString text;
    UINT number = 0;
    try {
      ar.ReadString(name.GetString(), text);
      ar.ReadUInt(name.GetString(), number);
    } catch (const CArchiveException&) {
      FUZZ_CHECK(false);  // the element is there
    }
    if (depth < 8 && ar.EnterElementAt(name.GetString(), 0) != nullptr) {
      ReadAll(ar, depth + 1);
      ar.LeaveElementLoading();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaly::fuzz::Input in(data, size);
  // Text as the program stores it: names, paths, descriptions (no control characters).
  std::wstring stored;
  for (wchar_t c : in.Text(64)) {
    if (c >= 0x20 && c != 0x7F && (c < 0xD800 || c > 0xDFFF) && c != 0xFEFF && c < 0xFFFE) stored += c;
  }
  const std::string storedPath = tessaly::fuzz::Folder() + "/stored.xml";
  {
    CXmlArchive ar(PathOf(storedPath), CXmlArchive::store);
    ar.AddElement(L"configuration")->SetAttribute("version", 1);
    ar.AddTextElement(L"Name", stored.c_str());
    ar.LeaveElementStoring();
    FUZZ_CHECK(ar.Save());
  }
  try {
    CXmlArchive ar(PathOf(storedPath), CXmlArchive::load);
    ar.EnterElement(L"configuration");
    CString read;
    ar.ReadString(L"Name", read);
    FUZZ_CHECK(std::wstring(read.GetString()) == stored);  // blanks too: nothing is condensed
  } catch (const CArchiveException&) {
    FUZZ_CHECK(false);  // what the program stored loads again
  }

  const std::string path = tessaly::fuzz::WriteFile("archive.xml", in.RestData(), in.RestSize());
  try {
    CXmlArchive ar(PathOf(path), CXmlArchive::load);
    ReadAll(ar, 0);
  } catch (const CArchiveException& e) {
    FUZZ_CHECK(e.m_cause == CArchiveException::badIndex);
  }
  return 0;
}
