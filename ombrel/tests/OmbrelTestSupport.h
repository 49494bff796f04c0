// What the Ombrel tests share: a fresh machine root with the chosen components registered from
// their library files, the settings key, a client for the call records of the stand-ins, byte
// array VARIANTs and a capture of standard error (where the debug trace goes).
#pragma once

#include "interfaces/gorrin/GorrinContract.h"
#include "interfaces/ombrel/IUNVTElement.h"
#include "interfaces/ombrel/OmbrelContract.h"
#include "interfaces/pravel/PravelContract.h"
#include "platform/com/ComErrors.h"  // ComVariant.h needs it first
#include "platform/com/ComVariant.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/SafeArray.h"
#include "platform/win32/Registry.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/testing/TempMachineRoot.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace ombrel_test {

enum Partner { kPravel = 1, kGorrin = 2, kSennet = 4, kAll = 7 };

inline bool SennetBuilt() {
#ifdef SENNET_MODULE
  return true;
#else
  return false;
#endif
}

// Registers a component library in the current machine root, the way regsvr does.
inline HRESULT RegisterLibrary(const char* path) {
  void* handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!handle) return E_FAIL;
  auto reg = reinterpret_cast<HRESULT (*)()>(::dlsym(handle, "DllRegisterServer"));
  return reg ? reg() : E_FAIL;
}

inline void SetSetting(const wchar_t* name, DWORD type, const std::wstring& text, DWORD number = 0) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, OMBREL_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                           nullptr),
            ERROR_SUCCESS);
  if (type == REG_DWORD) {
    RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  } else {
    RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

inline std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstringstream in(text);
  std::wstring line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// A VT_ARRAY|VT_UI1 VARIANT holding bytes.
inline CComVariant Bytes(const std::vector<BYTE>& bytes) {
  CComVariant v;
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  void* raw = nullptr;
  SafeArrayAccessData(sa, &raw);
  std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(raw));
  SafeArrayUnaccessData(sa);
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = sa;
  return v;
}
inline CComVariant Bytes(std::initializer_list<BYTE> bytes) { return Bytes(std::vector<BYTE>(bytes)); }
inline std::vector<BYTE> BytesOf(const VARIANT& v) {
  if (v.vt != (VT_ARRAY | VT_UI1)) return {};
  LONG lo = 0, hi = -1;
  SafeArrayGetLBound(v.parray, 1, &lo);
  SafeArrayGetUBound(v.parray, 1, &hi);
  void* raw = nullptr;
  SafeArrayAccessData(v.parray, &raw);
  std::vector<BYTE> out(static_cast<BYTE*>(raw), static_cast<BYTE*>(raw) + (hi - lo + 1));
  SafeArrayUnaccessData(v.parray);
  return out;
}

// The call record of a stand-in library, read through an object of its own.
class CallRecord {
 public:
  explicit CallRecord(const wchar_t* progId) : m_progId(progId) {}
  // Made on first use, once the library is registered.
  bool Available() {
    if (!m_driver.m_lpDispatch) m_driver.CreateDispatch(m_progId);
    return m_driver.m_lpDispatch != nullptr;
  }
  std::vector<std::wstring> Calls() {
    if (!Available()) return {};
    return Lines(m_driver.GetProperty<std::wstring>(pravel::DISPID_CALL_LOG));
  }
  void Clear() {
    if (Available()) m_driver.InvokeMethod(pravel::DISPID_CLEAR_CALL_LOG);
  }

 private:
  const wchar_t* m_progId;
  COleDispatchDriver m_driver;
};

// Standard error into a file while it lives; Text() ends the capture.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    m_saved = ::dup(2);
    char name[] = "/tmp/ombrel-stderr-XXXXXX";
    m_fd = ::mkstemp(name);
    m_path = name;
    ::dup2(m_fd, 2);
  }
  ~StderrCapture() {
    Stop();
    ::unlink(m_path.c_str());
  }
  std::vector<std::wstring> Lines() {
    Stop();
    std::ifstream in(m_path);
    std::stringstream text;
    text << in.rdbuf();
    return ombrel_test::Lines(Utf8ToWide(text.str()));
  }

 private:
  void Stop() {
    if (m_saved < 0) return;
    std::fflush(stderr);
    ::dup2(m_saved, 2);
    ::close(m_saved);
    ::close(m_fd);
    m_saved = -1;
  }
  int m_saved = -1;
  int m_fd = -1;
  std::string m_path;
};

// A fresh root with Ombrel and the chosen partners registered, and the records cleared.
class OmbrelFixture : public ::testing::Test {
 protected:
  void Register(int partners) {
    ASSERT_EQ(RegisterLibrary(OMBREL_MODULE), S_OK);
    if (partners & kPravel) {
      ASSERT_EQ(RegisterLibrary(PRAVEL_MODULE), S_OK);
    }
    if (partners & kGorrin) {
      ASSERT_EQ(RegisterLibrary(GORRIN_MODULE), S_OK);
    }
#ifdef SENNET_MODULE
    if (partners & kSennet) {
      ASSERT_EQ(RegisterLibrary(SENNET_MODULE), S_OK);
    }
#endif
    pravelLog.Clear();
    gorrinLog.Clear();
  }
  // The control, created by its ProgID.
  void CreateControl() {
    ASSERT_TRUE(ctrl.CreateDispatch(OMBREL_PROGID));
    pravelLog.Clear();
    gorrinLog.Clear();
  }
  COleDispatchDriver Element(CComPtr<IDispatch> p) {
    COleDispatchDriver d;
    d.AttachDispatch(p.Detach());
    return d;
  }
  CComPtr<IDispatch> SNVType(short index) { return ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_GET_SNV_TYPE, index); }
  void SetBackTypeComp(bool on) { ctrl.SetProperty(ombrel::DISPID_BACK_TYPE_COMPATIBILITY, VT_BOOL, on); }

  tessaly::testing::TempMachineRoot root;
  CallRecord pravelLog{PRAVEL_PROGID};
  CallRecord gorrinLog{GORRIN_PROGID};
  COleDispatchDriver ctrl;
};

}  // namespace ombrel_test
