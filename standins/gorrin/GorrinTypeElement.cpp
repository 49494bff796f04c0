#include "standins/gorrin/GorrinTypeElement.h"

#include "interfaces/gorrin/GorrinContract.h"
#include "platform/win32/CString.h"
#include "standins/pravel/CallLog.h"

#include <cwctype>

CGorrinTypeElement::CGorrinTypeElement(const NvTypeDef& def, short selector)
    : m_def(def), m_selector(selector), m_table(GORRIN_PROGID) {
  using namespace gorrin;
  auto log = [this](const wchar_t* fmt, auto... args) {
    CCallLog::Add((CString(m_def.name.c_str()) + L"." + FormatString(fmt, args...)).GetString());
  };
  m_table.AddGet(L"SubFieldCount", DISPID_ELEM_SUBFIELD_COUNT, [this, log]() -> short {
    log(L"1");
    return Codec().SubFieldCount();
  });
  m_table.AddGet(L"Index", DISPID_ELEM_INDEX, [this, log]() -> short {
    log(L"2");
    return m_def.index;
  });
  m_table.AddGet(L"Selector", DISPID_ELEM_SELECTOR, [this, log]() -> short {
    log(L"3");
    return m_selector;
  });
  m_table.AddMethod(L"SubindexByName", DISPID_ELEM_SUBINDEX_BY_NAME,
                    [this, log](const std::wstring& name, short* field) -> bool {
                      log(L"4(%s)", name.c_str());
                      short index = Codec().SubindexByName(name);
                      if (index < 0) return false;
                      *field = index;
                      return true;
                    });
  m_table.AddMethod(L"FormatVT", DISPID_ELEM_FORMAT_VT,
                    [this, log](short len, const VARIANT& data, short vt, VARIANT* fmtdata, short sub) -> bool {
                      log(L"5(%d,%d,%d)", len, vt, sub);
                      return Codec().FormatVT(data, len, static_cast<VARTYPE>(vt), fmtdata, sub);
                    });
  m_table.AddMethod(L"GetValueVT", DISPID_ELEM_GET_VALUE_VT, [this, log](short vt, VARIANT* value, short sub) -> bool {
    log(L"6(%d,%d)", vt, sub);
    return Codec().GetValueVT(static_cast<VARTYPE>(vt), value, sub);
  });
  m_table.AddMethod(L"WriteFormatVT", DISPID_ELEM_WRITE_FORMAT_VT,
                    [this, log](short len, const VARIANT& data, const VARIANT& value, short sub) -> bool {
                      log(L"7(%d,%d)", len, sub);
                      return Codec().WriteFormatVT(data, len, value, sub);
                    });
  m_table.AddMethod(L"GetBounds", DISPID_ELEM_GET_BOUNDS, [this, log](short sub, double* min, double* max) -> bool {
    log(L"8(%d)", sub);
    return Codec().GetBounds(sub, *min, *max);
  });
  m_table.AddGet(L"Canonical", DISPID_ELEM_CANONICAL, [this, log](short sub) -> short {
    log(L"9(%d)", sub);
    return Codec().Canonical(sub);
  });
  m_table.AddGet(L"Length", DISPID_ELEM_LENGTH, [this, log](short sub) -> short {
    log(L"10(%d)", sub);
    return Codec().Length(sub);
  });
  m_table.AddGet(L"Type", DISPID_ELEM_TYPE, [this, log](short sub) -> std::wstring {
    log(L"11(%d)", sub);
    return Codec().TypeName(sub);
  });
  m_table.AddGet(L"MeasurementSystem", DISPID_ELEM_MEASUREMENT, [this, log]() -> std::wstring {
    log(L"12");
    return m_bUsUnits ? L"US" : L"SI";
  });
  m_table.AddPut(L"MeasurementSystem", DISPID_ELEM_MEASUREMENT, [this, log](const std::wstring& system) {
    log(L"12=%s", system.c_str());
    CString upper(system.c_str());
    upper.MakeUpper();
    if (upper == L"SI") m_bUsUnits = false;
    else if (upper == L"US") m_bUsUnits = true;
    else throw CDispatchError(L"The measurement system is \"SI\" or \"US\".", E_INVALIDARG);
  });
  m_table.AddMethod(L"WriteValue2", DISPID_ELEM_WRITE_VALUE2,
                    [this, log](short len, VARIANT* data, const VARIANT& value, short sub) -> bool {
                      log(L"13(%d,%d)", len, sub);
                      return Codec().WriteValue2(data, len, value, sub);
                    });
}

CNvTypeCodec CGorrinTypeElement::Codec() const { return CNvTypeCodec(m_def, NvFormatOptions{false, m_bUsUnits}); }
