// Sennet's type table: any nv_types.xml opens or is refused, and lookups and edits on it hold:
// what SetNvType stored is found again, in this object and in the file it saved.
#include <filesystem>

#include "fuzz/FuzzSupport.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "sennet/XMLFormatter.h"

namespace {

struct Bstr {
  explicit Bstr(const std::wstring& s) : p(tessaly::SysAllocStringView(s)) {}
  ~Bstr() { SysFreeString(p); }
  BSTR p;
};

CComPtr<IXMLFormatter> NewFormatter() {
  CComObject<CXMLFormatter>* object = nullptr;
  FUZZ_CHECK(CComObject<CXMLFormatter>::CreateInstance(&object) == S_OK);
  object->AddRef();
  CComPtr<IXMLFormatter> formatter;
  formatter.Attach(static_cast<IXMLFormatter*>(object));
  return formatter;
}

// Names drawn from letters, digits and XML's own special characters; the DOM condenses white
// space, as the component's files always had it.
std::wstring Name(tessaly::fuzz::Input& in) {
  static const wchar_t kAlphabet[] = L"AB09_.-<>&\"'\u00FC\u20AC";
  std::wstring s;
  for (uint8_t n = in.Byte() % 6; n > 0; --n) s += kAlphabet[in.Byte() % (sizeof kAlphabet / sizeof(wchar_t) - 1)];
  return s;
}

struct Found {
  LONG ret = 0;
  std::wstring type;
  short selector = 0;
};

Found Lookup(IXMLFormatter* f, const std::wstring& pid, short index) {
  BSTR name = nullptr;
  Found found;
  FUZZ_CHECK(SUCCEEDED(f->GetNvTypeName(Bstr(pid).p, index, &name, &found.selector, &found.ret)));
  FUZZ_CHECK(name != nullptr);
  found.type = tessaly::BstrToString(name);
  SysFreeString(name);
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaly::fuzz::Input in(data, size);
  struct Edit {
    uint8_t kind;
    std::wstring pid, type;
    short index, selector;
  };
  std::vector<Edit> edits;
  for (uint8_t n = in.Byte() % 5; n > 0; --n) {
    Edit e;
    e.kind = in.Byte() % 3;
    e.pid = Name(in);
    e.type = Name(in);
    e.index = static_cast<short>(in.Byte() | (in.Byte() << 8));
    e.selector = static_cast<short>(in.Byte() | (in.Byte() << 8));
    edits.push_back(e);
  }
  const std::string path = tessaly::fuzz::WriteFile("nv_types.xml", in.RestData(), in.RestSize());
  const std::wstring wide = std::filesystem::path(path).wstring();

  CComPtr<IXMLFormatter> f = NewFormatter();
  const HRESULT opened = f->OpenFile(Bstr(wide).p);
  FUZZ_CHECK(opened == S_OK || opened == S_FALSE);
  for (const Edit& e : edits) {
    if (e.kind == 0) {
      Lookup(f, e.pid, e.index);
    } else if (e.kind == 1) {
      const HRESULT hr = f->SetNvType(e.index, Bstr(e.type).p, Bstr(e.pid).p, e.selector);
      FUZZ_CHECK(SUCCEEDED(hr) || opened == S_FALSE);
      if (FAILED(hr)) continue;
      const Found here = Lookup(f, e.pid, e.index);
      FUZZ_CHECK(here.ret == 1 && here.type == e.type && here.selector == e.selector);
      // The file it saved opens again and says the same.
      CComPtr<IXMLFormatter> reread = NewFormatter();
      FUZZ_CHECK(reread->OpenFile(Bstr(wide).p) == S_OK);
      const Found there = Lookup(reread, e.pid, e.index);
      FUZZ_CHECK(there.ret == 1 && there.type == e.type && there.selector == e.selector);
    } else {
      const HRESULT hr = f->RemoveNvType(Bstr(e.pid).p, e.index);
      FUZZ_CHECK(SUCCEEDED(hr) || opened == S_FALSE);
    }
  }
  return 0;
}
