// The XML archive behind projects.xml, the project files and timing.xml: any bytes load or are
// refused with cause 5, and a loaded document, written out, loads again.
#include <filesystem>

#include "foundation/XmlArchive.h"
#include "fuzz/FuzzSupport.h"

namespace {

// Every element's text, through the archive's own reading operations.
void ReadAll(CXmlArchive& ar, int depth) {
  TiXmlNode* current = ar.GetCurrent();
  int n = 0;
  for (TiXmlElement* e = current->FirstChildElement(); e != nullptr && n < 64; e = e->NextSiblingElement(), ++n) {
    const CString name = CXmlArchive::FromAnsi(e->Value());
    CString text;
    try {
      ar.ReadString(name.GetString(), text);
    } catch (const CArchiveException&) {
      FUZZ_CHECK(false);  // the element is there
    }
    UINT number = 0;
    ar.ReadUInt(name.GetString(), number);
    if (depth < 8 && ar.EnterElementAt(name.GetString(), 0) != nullptr) {
      ReadAll(ar, depth + 1);
      ar.LeaveElementLoading();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = tessaly::fuzz::WriteFile("archive.xml", data, size);
  std::string printed;
  try {
    CXmlArchive ar(CString(std::filesystem::path(path).wstring().c_str()), CXmlArchive::load);
    ReadAll(ar, 0);
    TiXmlPrinter printer;
    FUZZ_CHECK(ar.Accept(&printer));
    printed.assign(printer.CStr(), printer.Size());
  } catch (const CArchiveException& e) {
    FUZZ_CHECK(e.m_cause == CArchiveException::badIndex);
    return 0;
  }
  const std::string again = tessaly::fuzz::WriteFile("again.xml", reinterpret_cast<const uint8_t*>(printed.data()),
                                                     printed.size());
  try {
    CXmlArchive ar(CString(std::filesystem::path(again).wstring().c_str()), CXmlArchive::load);
  } catch (const CArchiveException&) {
    FUZZ_CHECK(false);  // what was loaded and written out must load again
  }
  return 0;
}
