#include "standins/pravel/PravelCtrl.h"

#include "platform/com/InprocServer.h"
#include "platform/win32/CString.h"
#include "standins/pravel/CallLog.h"
#include "standins/pravel/NvTypeCatalogue.h"

#include <optional>

namespace {

const NvTypeDef* Lookup(short index) {
  if (index == 0) return &nvtypes::RawType();
  return nvtypes::FindByIndex(nvtypes::StandardNvTypes(), index);
}

void Log(const wchar_t* fmt, auto... args) { CCallLog::Add(FormatString(fmt, args...).GetString()); }

}  // namespace

CPravelCtrl::CPravelCtrl() {
  using namespace pravel;
  auto codec = [this](short index) -> std::optional<CNvTypeCodec> {
    const NvTypeDef* def = Lookup(index);
    if (!def) return std::nullopt;
    return CNvTypeCodec(*def, NvFormatOptions{m_bBackTypeComp, false});
  };
  m_table.AddMethod(L"TypeName", DISPID_TYPE_NAME, [codec](short index, short sub) -> std::wstring {
    Log(L"2(%d,%d)", index, sub);
    auto c = codec(index);
    return c ? c->TypeName(sub) : std::wstring();
  });
  m_table.AddMethod(L"Canonical", DISPID_CANONICAL, [codec](short index, short sub) -> short {
    Log(L"3(%d,%d)", index, sub);
    auto c = codec(index);
    return c ? c->Canonical(sub) : 0;
  });
  m_table.AddMethod(L"FormatVT", DISPID_FORMAT_VT,
                    [codec](short index, short len, const VARIANT& data, short vt, VARIANT* fmtdata, short sub) -> bool {
                      Log(L"4(%d,%d,%d,%d)", index, len, vt, sub);
                      auto c = codec(index);
                      return c && c->FormatVT(data, len, static_cast<VARTYPE>(vt), fmtdata, sub);
                    });
  m_table.AddMethod(L"WriteFormatVT", DISPID_WRITE_FORMAT_VT,
                    [codec](short index, short len, const VARIANT& data, const VARIANT& value, short sub) -> bool {
                      Log(L"5(%d,%d,%d)", index, len, sub);
                      auto c = codec(index);
                      return c && c->WriteFormatVT(data, len, value, sub);
                    });
  m_table.AddMethod(L"SubindexByName", DISPID_SUBINDEX_BY_NAME, [codec](short index, const std::wstring& name) -> short {
    Log(L"6(%d,%s)", index, name.c_str());
    auto c = codec(index);
    return c ? c->SubindexByName(name) : static_cast<short>(-1);
  });
  m_table.AddGet(L"SubFieldCount", DISPID_SUBFIELD_COUNT, [codec](short index) -> short {
    Log(L"7(%d)", index);
    auto c = codec(index);
    return c ? c->SubFieldCount() : 0;
  });
  m_table.AddMethod(L"Length", DISPID_LENGTH, [codec](short index, short sub) -> short {
    Log(L"8(%d,%d)", index, sub);
    auto c = codec(index);
    return c ? c->Length(sub) : 0;
  });
  m_table.AddMethod(L"GetValueVT", DISPID_GET_VALUE_VT, [codec](short index, short vt, VARIANT* value, short sub) -> bool {
    Log(L"9(%d,%d,%d)", index, vt, sub);
    auto c = codec(index);
    return c && c->GetValueVT(static_cast<VARTYPE>(vt), value, sub);
  });
  m_table.AddMethod(L"GetBounds", DISPID_GET_BOUNDS, [codec](short index, double* min, double* max, short sub) -> bool {
    Log(L"10(%d,%d)", index, sub);
    auto c = codec(index);
    return c && c->GetBounds(sub, *min, *max);
  });
  m_table.AddPut(L"BackTypeCompatibility", DISPID_BACK_TYPE_COMP, [this](bool on) {
    Log(L"11=%d", on ? 1 : 0);
    m_bBackTypeComp = on;
  });
  m_table.AddGet(L"BackTypeCompatibility", DISPID_BACK_TYPE_COMP, [this]() -> bool { return m_bBackTypeComp; });
  m_table.AddGet(L"CallLog", DISPID_CALL_LOG, []() -> std::wstring { return CCallLog::Text(); });
  m_table.AddMethod(L"ClearCallLog", DISPID_CLEAR_CALL_LOG, []() { CCallLog::Clear(); });
}

namespace {

const wchar_t kScript[] = LR"(
HKCR
{
  PRAVEL.PravelCtrl.1 = s 'Pravel Control' { CLSID = s '%CLSID%' }
  NoRemove CLSID
  {
    ForceRemove %CLSID% = s 'Pravel Control'
    {
      ProgID = s 'PRAVEL.PravelCtrl.1'
      InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
    }
  }
}
)";

const InprocClassEntry kClasses[] = {
    {&CLSID_PravelCtrl, &CPravelCtrl::CreateInstance, kScript, 0},
};

}  // namespace

TESSALY_INPROC_SERVER(kClasses)
