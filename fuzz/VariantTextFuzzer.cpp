// VariantChangeType from text, as clients write it to items: a failed conversion leaves the
// destination alone, and what converts comes back the same through its own text.
#include <cmath>

#include "fuzz/FuzzSupport.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Variant.h"

namespace {

const VARTYPE kTargets[] = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8,
                            VT_UI8, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BOOL, VT_EMPTY, VT_NULL, VT_ERROR};

// Back to text and again to the same type.
CComVariant RoundTrip(const VARIANT& value) {
  CComVariant text, back;
  FUZZ_CHECK(VariantChangeType(&text, &value, 0, VT_BSTR) == S_OK);
  FUZZ_CHECK(VariantChangeType(&back, &text, 0, value.vt) == S_OK);
  return back;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaly::fuzz::Input in(data, size);
  const LCID lcid = in.Byte() & 1 ? LCID(0x0409) : LCID(in.Byte() | (in.Byte() << 8));
  CComVariant source(in.Text(256).c_str());
  for (VARTYPE vt : kTargets) {
    CComVariant out(L"untouched");
    const HRESULT hr = VariantChangeTypeEx(&out, &source, lcid, 0, vt);
    if (FAILED(hr)) {
      FUZZ_CHECK(hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW);
      FUZZ_CHECK(out.vt == VT_BSTR && tessaly::BstrToString(out.bstrVal) == L"untouched");
      continue;
    }
    FUZZ_CHECK(hr == S_OK && out.vt == vt);
    switch (vt) {
      case VT_R4:
      case VT_R8:
      case VT_EMPTY:
      case VT_NULL:
        break;  // reals keep 7 or 15 digits in text, so they come back only close
      case VT_DATE:
        FUZZ_CHECK(std::fabs(RoundTrip(out).date - out.date) <= 0.5 / 86400 + 1e-9);
        break;
      default:
        FUZZ_CHECK(tessaly::VariantEquals(RoundTrip(out), out));
        break;
    }
    if (vt == VT_R8 && std::fabs(out.dblVal) < 1e300) {
      FUZZ_CHECK(std::isfinite(out.dblVal));
      FUZZ_CHECK(std::fabs(RoundTrip(out).dblVal - out.dblVal) <= std::fabs(out.dblVal) * 1e-14);
    }
  }
  return 0;
}
