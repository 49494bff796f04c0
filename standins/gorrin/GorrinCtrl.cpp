#include "standins/gorrin/GorrinCtrl.h"

#include "platform/com/InprocServer.h"
#include "platform/win32/CString.h"
#include "standins/gorrin/GorrinTypeElement.h"
#include "standins/pravel/CallLog.h"
#include "standins/pravel/NvTypeCatalogue.h"

namespace {

void Log(const wchar_t* fmt, auto... args) { CCallLog::Add(FormatString(fmt, args...).GetString()); }

// A user type of (pid, selector, kind) by number; the standard types stand behind selector 0.
const NvTypeDef* FindByIndex(short index, const std::wstring& pid, short selector, bool isNv, short& typeSelector) {
  for (const nvtypes::UserType& u : nvtypes::UserTypes()) {
    if (u.pid == pid && u.selector == selector && u.isNv == isNv && u.def.index == index) {
      typeSelector = u.selector;
      return &u.def;
    }
  }
  typeSelector = 0;
  if (selector != 0) return nullptr;
  return nvtypes::FindByIndex(isNv ? nvtypes::StandardNvTypes() : nvtypes::StandardCpTypes(), index);
}

// A user type of (pid, selector) by name, else a standard type of that name.
const NvTypeDef* FindByName(const std::wstring& name, const std::wstring& pid, short selector, short& typeSelector) {
  for (const nvtypes::UserType& u : nvtypes::UserTypes()) {
    if (u.pid == pid && u.selector == selector && u.def.name == name) {
      typeSelector = u.selector;
      return &u.def;
    }
  }
  typeSelector = 0;
  if (const NvTypeDef* def = nvtypes::FindByName(nvtypes::StandardNvTypes(), name)) return def;
  return nvtypes::FindByName(nvtypes::StandardCpTypes(), name);
}

}  // namespace

CGorrinCtrl::CGorrinCtrl() {
  using namespace gorrin;
  m_table.AddMethod(L"GetTypeByName", DISPID_TYPE_BY_NAME,
                    [](const std::wstring& name, const std::wstring& pid, short selector) -> CComPtr<IDispatch> {
                      Log(L"2(%s,%s,%d)", name.c_str(), pid.c_str(), selector);
                      short typeSelector = 0;
                      const NvTypeDef* def = FindByName(name, pid, selector, typeSelector);
                      return MakeElement(def, typeSelector);
                    });
  auto byIndex = [](bool isNv) {
    return [isNv](short index, const std::wstring& pid, short selector) -> CComPtr<IDispatch> {
      Log(L"%d(%d,%s,%d)", isNv ? 3 : 4, index, pid.c_str(), selector);
      short typeSelector = 0;
      const NvTypeDef* def = FindByIndex(index, pid, selector, isNv, typeSelector);
      return MakeElement(def, typeSelector);
    };
  };
  m_table.AddMethod(L"GetNvTypeByIndex", DISPID_NV_TYPE_BY_INDEX, byIndex(true));
  m_table.AddMethod(L"GetCpTypeByIndex", DISPID_CP_TYPE_BY_INDEX, byIndex(false));
  m_table.AddGet(L"TypeCount", DISPID_TYPE_COUNT, [](const std::wstring& pid, short selector, short reserved) -> short {
    Log(L"5(%s,%d,%d)", pid.c_str(), selector, reserved);
    short count = 0;
    for (const nvtypes::UserType& u : nvtypes::UserTypes())
      if (u.pid == pid && u.selector == selector && u.isNv) ++count;
    return count;
  });
  m_table.AddGet(L"LocaleId", DISPID_LOCALE_ID, [this]() -> std::wstring {
    Log(L"6");
    return m_localeId;
  });
  m_table.AddPut(L"LocaleId", DISPID_LOCALE_ID, [this](const std::wstring& locale) {
    Log(L"6=%s", locale.c_str());
    m_localeId = locale;
  });
  m_table.AddGet(L"CallLog", DISPID_CALL_LOG, []() -> std::wstring { return CCallLog::Text(); });
  m_table.AddMethod(L"ClearCallLog", DISPID_CLEAR_CALL_LOG, []() { CCallLog::Clear(); });
}

CComPtr<IDispatch> CGorrinCtrl::MakeElement(const NvTypeDef* def, short selector) {
  CComPtr<IDispatch> element;
  if (def) {
    HRESULT hr = CreateComObject<CGorrinTypeElement>(&element.p, *def, selector);
    if (FAILED(hr)) throw CDispatchError(L"The type element could not be made.", hr);
  }
  return element;
}

namespace {

const wchar_t kScript[] = LR"(
HKCR
{
  GORRIN.GorrinCtrl.1 = s 'Gorrin Control' { CLSID = s '%CLSID%' }
  NoRemove CLSID
  {
    ForceRemove %CLSID% = s 'Gorrin Control'
    {
      ProgID = s 'GORRIN.GorrinCtrl.1'
      InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
    }
  }
}
)";

const InprocClassEntry kClasses[] = {
    {&CLSID_GorrinCtrl, &CGorrinCtrl::CreateInstance, kScript, 0},
};

}  // namespace

TESSALY_INPROC_SERVER(kClasses)
