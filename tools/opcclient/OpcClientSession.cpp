#include "tools/opcclient/OpcClientSession.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <algorithm>
#include <thread>

#include "interfaces/opc/OpcCategories.h"
#include "interfaces/opc/OpcError.h"
#include "platform/com/Activation.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComObject.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/Guid.h"
#include "platform/com/Memory.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "platform/win32/Registry.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/Time.h"

namespace {

std::string Narrow(const wchar_t* s) { return s ? WideToUtf8(s) : std::string(); }
std::wstring Wide(const std::string& s) { return Utf8ToWide(s); }

// The interface I of from; *result tells why there is none (E_NOINTERFACE, or a lost server's error).
template <class I, class From>
CComPtr<I> Query(From* from, HRESULT* result = nullptr) {
  CComPtr<I> out;
  HRESULT hr = from ? from->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&out.p)) : E_POINTER;
  if (SUCCEEDED(hr) && !out) hr = E_NOINTERFACE;
  if (result) *result = hr;
  return out;
}

struct TypeName {
  const char* name;
  VARTYPE vt;
};
constexpr TypeName kTypes[] = {{"empty", VT_EMPTY}, {"i1", VT_I1}, {"i2", VT_I2},   {"i4", VT_I4},
                               {"i8", VT_I8},       {"ui1", VT_UI1}, {"ui2", VT_UI2}, {"ui4", VT_UI4},
                               {"ui8", VT_UI8},     {"r4", VT_R4},   {"r8", VT_R8},   {"bool", VT_BOOL},
                               {"bstr", VT_BSTR},   {"date", VT_DATE}, {"cy", VT_CY}};

std::string TypeText(VARTYPE vt) {
  std::string prefix = (vt & VT_ARRAY) ? "array of " : "";
  for (const TypeName& t : kTypes)
    if (t.vt == (vt & VT_TYPEMASK)) return prefix + t.name;
  return prefix + std::to_string(vt & VT_TYPEMASK);
}

bool ParseType(const std::string& text, VARTYPE* vt) {
  for (const TypeName& t : kTypes) {
    if (text == t.name) {
      *vt = t.vt;
      return true;
    }
  }
  return false;
}

// Options "name=value" after the positional words.
std::map<std::string, std::string> Options(const std::vector<std::string>& args, size_t from) {
  std::map<std::string, std::string> options;
  for (size_t i = from; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    if (eq != std::string::npos) options[args[i].substr(0, eq)] = args[i].substr(eq + 1);
  }
  return options;
}

// The sinks of watch: each data change and the shutdown request as a line.
class CWatchSink : public CComObjectRootEx<CComMultiThreadModel>, public IOPCDataCallback, public IOPCShutdown {
 public:
  BEGIN_COM_MAP(CWatchSink)
    COM_INTERFACE_ENTRY(IOPCDataCallback)
    COM_INTERFACE_ENTRY(IOPCShutdown)
  END_COM_MAP()

  // The names are copied: a call already under way may still arrive after the caller let go.
  void Attach(FILE* out, const std::map<OPCHANDLE, std::string>* names) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_out = out;
    m_names = *names;
  }
  HRESULT OnDataChange(DWORD dwTransid, OPCHANDLE, HRESULT, HRESULT, DWORD dwCount, OPCHANDLE* clients,
                       VARIANT* values, WORD* qualities, FILETIME* times, HRESULT* errors) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    NoteTransaction(dwTransid);
    for (DWORD i = 0; i < dwCount; ++i) {
      auto it = m_names.find(clients[i]);
      std::string name = it == m_names.end() ? std::to_string(clients[i]) : it->second;
      if (FAILED(errors[i])) {
        std::fprintf(m_out, "change\t%s\terror\t%s\n", name.c_str(), HresultText(errors[i]).c_str());
        continue;
      }
      std::fprintf(m_out, "change\t%s\t%s\t%s\t%s\n", name.c_str(), VariantText(values[i]).c_str(),
                   QualityText(qualities[i]).c_str(), TimeText(times[i]).c_str());
    }
    std::fflush(m_out);
    return S_OK;
  }
  HRESULT OnReadComplete(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                         HRESULT*) override {
    return S_OK;
  }
  HRESULT OnWriteComplete(DWORD dwTransid, OPCHANDLE, HRESULT, DWORD dwCount, OPCHANDLE* clients,
                          HRESULT* errors) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      for (DWORD i = 0; i < dwCount; ++i) {
        auto it = m_names.find(clients[i]);
        std::string name = it == m_names.end() ? std::to_string(clients[i]) : it->second;
        std::fprintf(m_out, "%s\t%s\t%s\n", SUCCEEDED(errors[i]) ? "written" : "error\twrite", name.c_str(),
                     HresultText(errors[i]).c_str());
        m_failed |= FAILED(errors[i]);
      }
      std::fflush(m_out);
      m_completed.push_back(dwTransid);
    }
    m_cv.notify_all();
    return S_OK;
  }
  HRESULT OnCancelComplete(DWORD, OPCHANDLE) override { return S_OK; }
  // Waits (10 s at most) for the completion of a transaction; false when it did not come or failed.
  bool WaitForCompletion(DWORD transaction) {
    std::unique_lock<std::mutex> lock(m_mutex);
    bool done = m_cv.wait_for(lock, std::chrono::seconds(10), [&] {
      return std::find(m_completed.begin(), m_completed.end(), transaction) != m_completed.end();
    });
    return done && !m_failed;
  }
  // Data changes of a refresh carry its transaction id; they count as its completion.
  void NoteTransaction(DWORD transaction) {
    if (transaction == 0) return;
    m_completed.push_back(transaction);
    m_cv.notify_all();
  }
  HRESULT ShutdownRequest(LPCWSTR reason) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      std::fprintf(m_out, "shutdown\t%s\n", Narrow(reason).c_str());
      std::fflush(m_out);
      m_shutdown = true;
    }
    m_cv.notify_all();
    return S_OK;
  }
  // Waits for the time or the server's shutdown request; true when the server asked to go.
  bool WaitFor(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, time, [this] { return m_shutdown; });
  }

 private:
  FILE* m_out = stdout;
  std::map<OPCHANDLE, std::string> m_names;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_shutdown = false;
  bool m_failed = false;
  std::vector<DWORD> m_completed;
};

// A sink advised on the group for as long as it lives.
class CAdvisedSink {
 public:
  CAdvisedSink(FILE* out, IUnknown* group, const std::map<OPCHANDLE, std::string>* names) {
    CComObject<CWatchSink>::CreateInstance(&m_sink);
    m_held = static_cast<IOPCDataCallback*>(m_sink);
    m_sink->Attach(out, names);
    CComPtr<IConnectionPointContainer> container = Query<IConnectionPointContainer>(group, &m_hr);
    if (container) m_hr = container->FindConnectionPoint(IID_IOPCDataCallback, &m_point.p);
    if (SUCCEEDED(m_hr)) m_hr = m_point->Advise(static_cast<IOPCDataCallback*>(m_sink), &m_cookie);
  }
  ~CAdvisedSink() {
    if (m_cookie) m_point->Unadvise(m_cookie);
  }
  CAdvisedSink(const CAdvisedSink&) = delete;
  CAdvisedSink& operator=(const CAdvisedSink&) = delete;
  HRESULT Result() const { return m_hr; }
  CWatchSink* Sink() { return m_sink; }

 private:
  CComObject<CWatchSink>* m_sink = nullptr;
  CComPtr<IUnknown> m_held;
  CComPtr<IConnectionPoint> m_point;
  DWORD m_cookie = 0;
  HRESULT m_hr = S_OK;
};


// Every command: its arguments and what it does.
struct CommandHelp {
  const char* name;
  const char* arguments;
  const char* text;
};
constexpr CommandHelp kCommands[] = {
    {"servers", "", "Lists the OPC Data Access servers registered on this machine (or --host's)."},
    {"connect", "<progid|clsid>", "Connects to a server; one that is not running is started."},
    {"status", "", "Prints the server's state, group count, version, start time and vendor."},
    {"browse", "[tree|flat] [filter]",
     "Lists the server's address space: branches with their leaves (tree, the default) or every item ID (flat)."},
    {"props", "<itemid>", "Lists an item's properties with their values."},
    {"group", "<name> [rate=ms] [deadband=percent] [active=0|1]",
     "Adds a group and makes it the current one; for the current group's name, changes its state."},
    {"add", "<itemid> [type]",
     "Adds an item to the current group, in its canonical type or the one named (empty i1 i2 i4 i8 ui1 ui2 ui4 ui8 "
     "r4 r8 bool bstr date cy)."},
    {"validate", "<itemid> [type]", "Checks an item as add would, without adding it."},
    {"read", "[cache|device] [itemid...]", "Reads the current group's items (all, or those named), from the cache by default."},
    {"write", "<itemid> <value> [sync|async]", "Writes a value to an added item, synchronously by default."},
    {"refresh", "[cache|device]", "Asks for the values of every active item through the data callback."},
    {"watch", "[seconds]", "Prints the current group's data changes for the time given (5 s by default)."},
    {"help", "[command]", "Prints this list, or what one command does."},
};

}  // namespace

void COpcClientSession::PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: opcclient [--host name[:port]] servers\n"
               "       opcclient [--host name[:port]] <progid|clsid> <command> [arguments...]\n"
               "       opcclient [--host name[:port]] [<progid|clsid>] -   (commands from standard input, one a line)\n"
               "       opcclient help [command]\n"
               "Output is tab-separated; the exit status is 0 when the last command succeeded, 1 when it failed,\n"
               "2 for a usage error.\n"
               "commands:\n");
  for (const CommandHelp& c : kCommands) std::fprintf(out, "  %s%s%s\n", c.name, *c.arguments ? " " : "", c.arguments);
}

bool COpcClientSession::PrintHelp(FILE* out, const std::string& command) {
  for (const CommandHelp& c : kCommands) {
    if (command != c.name) continue;
    std::fprintf(out, "%s%s%s\n  %s\n", c.name, *c.arguments ? " " : "", c.arguments, c.text);
    return true;
  }
  return false;
}

std::string HresultText(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(hr));
  std::wstring text = ComErrorText(hr);
  if (text.empty() && OpcErrorText(hr)) text = OpcErrorText(hr);
  return text.empty() ? std::string(code) : std::string(code) + " " + WideToUtf8(text);
}

std::string VariantText(const VARIANT& v) {
  if (v.vt & VT_ARRAY) {
    std::string text = "[";
    SAFEARRAY* sa = v.parray;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(sa, 1, &lower);
    SafeArrayGetUBound(sa, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
      VARIANT element;
      VariantInit(&element);
      element.vt = static_cast<VARTYPE>(v.vt & VT_TYPEMASK);
      if (element.vt == VT_VARIANT) SafeArrayGetElement(sa, &i, &element);
      else SafeArrayGetElement(sa, &i, &element.llVal);
      text += (i > lower ? " " : "") + VariantText(element);
      VariantClear(&element);
    }
    return text + "]";
  }
  VARIANT text;
  VariantInit(&text);
  std::string out;
  if (v.vt == VT_EMPTY) out = "";
  else if (SUCCEEDED(VariantChangeType(&text, &v, 0, VT_BSTR))) out = WideToUtf8(tessaly::BstrToString(text.bstrVal));
  else out = "?";
  VariantClear(&text);
  return out;
}

std::string QualityText(WORD quality) {
  const char* name = (quality & OPC_QUALITY_MASK) == OPC_QUALITY_GOOD        ? "good"
                     : (quality & OPC_QUALITY_MASK) == OPC_QUALITY_UNCERTAIN ? "uncertain"
                                                                              : "bad";
  char text[32];
  std::snprintf(text, sizeof(text), "%s(0x%02X)", name, quality);
  return text;
}

std::string TimeText(const FILETIME& ft) {
  SYSTEMTIME st{};
  if (!FileTimeToSystemTime(&ft, &st)) return "";
  char text[64];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", st.wYear, st.wMonth, st.wDay, st.wHour,
                st.wMinute, st.wSecond, st.wMilliseconds);
  return text;
}

COpcClientSession::~COpcClientSession() {
  m_group.Release();
  m_server.Release();
}

bool COpcClientSession::Fail(const std::string& what, HRESULT hr) {
  std::fprintf(m_out, "error\t%s\t%s\n", what.c_str(), HresultText(hr).c_str());
  std::fflush(m_out);
  return false;
}

bool COpcClientSession::Fail(const std::string& what) {
  std::fprintf(m_out, "error\t%s\n", what.c_str());
  std::fflush(m_out);
  return false;
}

bool COpcClientSession::Missing(const std::string& what, const std::string& missing, HRESULT hr) {
  // Only E_NOINTERFACE means the object lacks the interface; anything else (a lost server) is told as it is.
  return hr == E_NOINTERFACE ? Fail(what + ": " + missing, hr) : Fail(what, hr);
}

bool COpcClientSession::NeedServer() { return m_server ? true : Fail("no server: connect first"); }
bool COpcClientSession::NeedGroup() { return m_group ? true : (NeedServer() && Fail("no group: group <name> first")); }

bool COpcClientSession::Run(const std::vector<std::string>& words) {
  if (words.empty()) return true;
  const std::string& c = words[0];
  if (c == "servers") return Servers();
  if (c == "connect") return words.size() == 2 ? Connect(words[1]) : Fail("usage: connect <progid|clsid>");
  if (c == "status") return Status();
  if (c == "browse") return Browse(words);
  if (c == "props") return Props(words);
  if (c == "group") return Group(words);
  if (c == "add") return AddOrValidate(words, false);
  if (c == "validate") return AddOrValidate(words, true);
  if (c == "read") return Read(words);
  if (c == "write") return Write(words);
  if (c == "refresh") return Refresh(words);
  if (c == "watch") return Watch(words);
  if (c == "help") {
    if (words.size() == 1) {
      PrintUsage(m_out);
      return true;
    }
    return PrintHelp(m_out, words[1]) || Fail("no such command: " + words[1]);
  }
  return Fail("unknown command: " + c);
}

bool COpcClientSession::Servers() {
  // The classes whose registration marks them as OPC Data Access servers.
  HKEY classes = nullptr;
  LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &classes);
  if (rc != ERROR_SUCCESS) return Fail("servers", HRESULT_FROM_WIN32(static_cast<DWORD>(rc)));
  bool any = false;
  wchar_t name[64];
  for (DWORD index = 0;; ++index) {
    DWORD length = 64;
    if (RegEnumKeyExW(classes, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    CLSID clsid;
    if (FAILED(CLSIDFromString(name, &clsid))) continue;
    std::string versions;
    for (const auto& [catid, version] : {std::pair{CATID_OPCDAServer10, "DA1.0"}, std::pair{CATID_OPCDAServer20, "DA2.0"}}) {
      HKEY mark = nullptr;
      std::wstring sub = std::wstring(name) + L"\\Implemented Categories\\" + tessaly::GuidToString(catid);
      if (RegOpenKeyExW(classes, sub.c_str(), 0, KEY_READ, &mark) != ERROR_SUCCESS) continue;
      RegCloseKey(mark);
      versions += versions.empty() ? version : std::string(",") + version;
    }
    if (versions.empty()) continue;
    LPOLESTR progId = nullptr;
    ProgIDFromCLSID(clsid, &progId);
    std::fprintf(m_out, "server\t%s\t%s\t%s\n", WideToUtf8(name).c_str(), Narrow(progId).c_str(), versions.c_str());
    CoTaskMemFree(progId);
    any = true;
  }
  RegCloseKey(classes);
  if (!any) std::fprintf(m_out, "servers\tnone\n");
  return true;
}

bool COpcClientSession::Connect(const std::string& server) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(Wide(server).c_str(), &clsid);
  if (FAILED(hr)) return Fail("connect " + server, hr);
  m_group.Release();
  m_items.clear();
  m_server.Release();
  std::wstring host = Wide(m_host);
  COSERVERINFO info{0, host.empty() ? nullptr : host.data(), nullptr, 0};
  MULTI_QI qi{&IID_IOPCServer, nullptr, S_OK};
  hr = CoCreateInstanceEx(clsid, nullptr, host.empty() ? CLSCTX_LOCAL_SERVER : CLSCTX_REMOTE_SERVER,
                          host.empty() ? nullptr : &info, 1, &qi);
  if (FAILED(hr)) return Fail("connect " + server, hr);
  m_server.Attach(static_cast<IOPCServer*>(qi.pItf));
  if (auto common = Query<IOPCCommon>(m_server.p)) common->SetClientName(L"opcclient");
  std::fprintf(m_out, "connected\t%s\n", WideToUtf8(tessaly::GuidToString(clsid)).c_str());
  return true;
}

bool COpcClientSession::Status() {
  if (!NeedServer()) return false;
  OPCSERVERSTATUS* s = nullptr;
  HRESULT hr = m_server->GetStatus(&s);
  if (FAILED(hr)) return Fail("status", hr);
  std::fprintf(m_out, "status\tstate=%u\tgroups=%u\tversion=%u.%u.%u\tstart=%s\tnow=%s\tvendor=%s\n",
               static_cast<unsigned>(s->dwServerState), static_cast<unsigned>(s->dwGroupCount), s->wMajorVersion,
               s->wMinorVersion, s->wBuildNumber, TimeText(s->ftStartTime).c_str(),
               TimeText(s->ftCurrentTime).c_str(), Narrow(s->szVendorInfo).c_str());
  CoTaskMemFree(s->szVendorInfo);
  CoTaskMemFree(s);
  return true;
}

bool COpcClientSession::Browse(const std::vector<std::string>& args) {
  if (!NeedServer()) return false;
  HRESULT queried = S_OK;
  auto browse = Query<IOPCBrowseServerAddressSpace>(m_server.p, &queried);
  if (!browse) return Missing("browse", "the server offers no address space browsing", queried);
  bool flat = args.size() > 1 && args[1] == "flat";
  std::wstring filter = args.size() > 2 ? Wide(args[2]) : L"";
  // Tree: branches depth first, each leaf under its branch; flat: every item ID.
  std::vector<std::wstring> path;
  bool ok = true;
  auto list = [&](OPCBROWSETYPE type, std::vector<std::wstring>* out) {
    CComPtr<IEnumString> names;
    HRESULT hr = browse->BrowseOPCItemIDs(type, filter.c_str(), VT_EMPTY, 0, &names.p);
    if (FAILED(hr)) {
      ok = Fail("browse", hr);
      return;
    }
    if (hr == S_FALSE || !names) return;
    LPOLESTR name = nullptr;
    ULONG fetched = 0;
    while (names->Next(1, &name, &fetched) == S_OK) {
      out->push_back(name);
      CoTaskMemFree(name);
    }
  };
  if (flat) {
    std::vector<std::wstring> items;
    list(OPC_FLAT, &items);
    for (const auto& id : items) std::fprintf(m_out, "item\t%s\n", WideToUtf8(id).c_str());
    return ok;
  }
  std::function<void(int)> walk = [&](int depth) {
    std::vector<std::wstring> leaves, branches;
    list(OPC_LEAF, &leaves);
    for (const auto& leaf : leaves) {
      LPWSTR id = nullptr;
      browse->GetItemID(const_cast<LPWSTR>(leaf.c_str()), &id);
      std::fprintf(m_out, "leaf\t%d\t%s\t%s\n", depth, WideToUtf8(leaf).c_str(), Narrow(id).c_str());
      CoTaskMemFree(id);
    }
    list(OPC_BRANCH, &branches);
    for (const auto& branch : branches) {
      std::fprintf(m_out, "branch\t%d\t%s\n", depth, WideToUtf8(branch).c_str());
      if (SUCCEEDED(browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, branch.c_str()))) {
        walk(depth + 1);
        browse->ChangeBrowsePosition(OPC_BROWSE_UP, L"");
      }
    }
  };
  browse->ChangeBrowsePosition(OPC_BROWSE_TO, L"");
  walk(0);
  return ok;
}

bool COpcClientSession::Props(const std::vector<std::string>& args) {
  if (!NeedServer()) return false;
  if (args.size() != 2) return Fail("usage: props <itemid>");
  HRESULT queried = S_OK;
  auto props = Query<IOPCItemProperties>(m_server.p, &queried);
  if (!props) return Missing("props", "the server offers no item properties", queried);
  std::wstring id = Wide(args[1]);
  DWORD count = 0;
  DWORD* ids = nullptr;
  LPWSTR* descriptions = nullptr;
  VARTYPE* types = nullptr;
  HRESULT hr = props->QueryAvailableProperties(id.data(), &count, &ids, &descriptions, &types);
  if (FAILED(hr)) return Fail("props " + args[1], hr);
  VARIANT* values = nullptr;
  HRESULT* errors = nullptr;
  HRESULT hrValues = props->GetItemProperties(id.data(), count, ids, &values, &errors);
  for (DWORD i = 0; i < count; ++i) {
    std::string value = SUCCEEDED(hrValues) && SUCCEEDED(errors[i]) ? VariantText(values[i]) : "";
    std::fprintf(m_out, "property\t%u\t%s\t%s\t%s\n", static_cast<unsigned>(ids[i]), Narrow(descriptions[i]).c_str(),
                 TypeText(types[i]).c_str(), value.c_str());
    CoTaskMemFree(descriptions[i]);
    if (SUCCEEDED(hrValues)) VariantClear(&values[i]);
  }
  CoTaskMemFree(ids);
  CoTaskMemFree(descriptions);
  CoTaskMemFree(types);
  CoTaskMemFree(values);
  CoTaskMemFree(errors);
  return true;
}

bool COpcClientSession::Group(const std::vector<std::string>& args) {
  if (!NeedServer()) return false;
  if (args.size() < 2) return Fail("usage: group <name> [rate=ms] [deadband=percent] [active=0|1]");
  auto options = Options(args, 2);
  DWORD rate = options.count("rate") ? static_cast<DWORD>(std::stoul(options["rate"])) : 1000;
  FLOAT deadband = options.count("deadband") ? std::stof(options["deadband"]) : 0.0f;
  BOOL active = options.count("active") ? (options["active"] != "0") : TRUE;
  if (m_group && args[1] == m_groupName) {
    HRESULT queried = S_OK;
    auto state = Query<IOPCGroupStateMgt>(m_group.p, &queried);
    if (!state) return Missing("group " + args[1], "the group offers no state", queried);
    DWORD revised = 0;
    HRESULT hr = state->SetState(&rate, &revised, &active, nullptr, &deadband, nullptr, nullptr);
    if (FAILED(hr)) return Fail("group " + args[1], hr);
    std::fprintf(m_out, "group\t%s\trate=%u\tactive=%d\tdeadband=%g\n", m_groupName.c_str(),
                 static_cast<unsigned>(revised), active ? 1 : 0, deadband);
    return true;
  }
  CComPtr<IOPCItemMgt> group;
  OPCHANDLE handle = 0;
  DWORD revised = 0;
  std::wstring name = Wide(args[1]);
  HRESULT hr = m_server->AddGroup(name.c_str(), active, rate, 1, nullptr, &deadband, LOCALE_SYSTEM_DEFAULT, &handle,
                                  &revised, IID_IOPCItemMgt, reinterpret_cast<LPUNKNOWN*>(&group.p));
  if (FAILED(hr)) return Fail("group " + args[1], hr);
  m_group = group;
  m_groupName = args[1];
  m_items.clear();
  std::fprintf(m_out, "group\t%s\trate=%u\tactive=%d\tdeadband=%g\thandle=%u\n", m_groupName.c_str(),
               static_cast<unsigned>(revised), active ? 1 : 0, deadband, static_cast<unsigned>(handle));
  return true;
}

bool COpcClientSession::AddOrValidate(const std::vector<std::string>& args, bool validate) {
  if (!NeedGroup()) return false;
  if (args.size() < 2 || args.size() > 3) return Fail("usage: " + args[0] + " <itemid> [type]");
  VARTYPE requested = VT_EMPTY;
  if (args.size() == 3 && !ParseType(args[2], &requested)) return Fail("unknown type: " + args[2]);
  std::wstring id = Wide(args[1]);
  OPCITEMDEF def{};
  def.szAccessPath = const_cast<LPWSTR>(L"");
  def.szItemID = id.data();
  def.bActive = TRUE;
  def.hClient = m_nextClient;
  def.vtRequestedDataType = requested;
  OPCITEMRESULT* results = nullptr;
  HRESULT* errors = nullptr;
  HRESULT hr = validate ? m_group->ValidateItems(1, &def, FALSE, &results, &errors)
                        : m_group->AddItems(1, &def, &results, &errors);
  if (FAILED(hr)) return Fail(args[0] + " " + args[1], hr);
  bool ok = SUCCEEDED(errors[0]);
  if (ok) {
    std::fprintf(m_out, "%s\t%s\thandle=%u\ttype=%s\trights=%u\n", validate ? "valid" : "added", args[1].c_str(),
                 static_cast<unsigned>(results[0].hServer), TypeText(results[0].vtCanonicalDataType).c_str(),
                 static_cast<unsigned>(results[0].dwAccessRights));
    if (!validate) m_items[args[1]] = Item{results[0].hServer, m_nextClient++, results[0].vtCanonicalDataType};
  } else {
    Fail(args[0] + " " + args[1], errors[0]);
  }
  CoTaskMemFree(results[0].pBlob);
  CoTaskMemFree(results);
  CoTaskMemFree(errors);
  return ok;
}

std::vector<OPCHANDLE> COpcClientSession::Handles(const std::vector<std::string>& ids, size_t from, bool* ok) {
  std::vector<OPCHANDLE> handles;
  *ok = true;
  if (ids.size() <= from) {
    for (const auto& entry : m_items) handles.push_back(entry.second.server);
    return handles;
  }
  for (size_t i = from; i < ids.size(); ++i) {
    auto it = m_items.find(ids[i]);
    if (it == m_items.end()) {
      *ok = Fail("not added: " + ids[i]);
      return {};
    }
    handles.push_back(it->second.server);
  }
  return handles;
}

std::string COpcClientSession::NameOf(OPCHANDLE client) {
  for (const auto& entry : m_items)
    if (entry.second.client == client) return entry.first;
  return std::to_string(client);
}

bool COpcClientSession::Read(const std::vector<std::string>& args) {
  if (!NeedGroup()) return false;
  size_t from = 1;
  OPCDATASOURCE source = OPC_DS_CACHE;
  if (args.size() > 1 && (args[1] == "cache" || args[1] == "device")) {
    source = args[1] == "device" ? OPC_DS_DEVICE : OPC_DS_CACHE;
    from = 2;
  }
  bool ok = true;
  std::vector<OPCHANDLE> handles = Handles(args, from, &ok);
  if (!ok) return false;
  if (handles.empty()) return Fail("read: no items");
  HRESULT queried = S_OK;
  auto io = Query<IOPCSyncIO>(m_group.p, &queried);
  if (!io) return Missing("read", "the group offers no synchronous I/O", queried);
  OPCITEMSTATE* states = nullptr;
  HRESULT* errors = nullptr;
  HRESULT hr = io->Read(source, static_cast<DWORD>(handles.size()), handles.data(), &states, &errors);
  if (FAILED(hr)) return Fail("read", hr);
  for (size_t i = 0; i < handles.size(); ++i) {
    std::string name = NameOf(states[i].hClient);
    if (FAILED(errors[i])) {
      ok = false;
      std::fprintf(m_out, "value\t%s\terror\t%s\n", name.c_str(), HresultText(errors[i]).c_str());
    } else {
      std::fprintf(m_out, "value\t%s\t%s\t%s\t%s\n", name.c_str(), VariantText(states[i].vDataValue).c_str(),
                   QualityText(states[i].wQuality).c_str(), TimeText(states[i].ftTimeStamp).c_str());
    }
    VariantClear(&states[i].vDataValue);
  }
  CoTaskMemFree(states);
  CoTaskMemFree(errors);
  std::fflush(m_out);
  return ok;
}

bool COpcClientSession::Write(const std::vector<std::string>& args) {
  if (!NeedGroup()) return false;
  if (args.size() < 3 || args.size() > 4) return Fail("usage: write <itemid> <value> [sync|async]");
  bool async = args.size() == 4 && args[3] == "async";
  if (args.size() == 4 && !async && args[3] != "sync") return Fail("usage: write <itemid> <value> [sync|async]");
  auto it = m_items.find(args[1]);
  if (it == m_items.end()) return Fail("not added: " + args[1]);
  VARIANT text, value;
  VariantInit(&text);
  VariantInit(&value);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(Wide(args[2]).c_str());
  VARTYPE target = it->second.canonical == VT_EMPTY ? static_cast<VARTYPE>(VT_BSTR) : it->second.canonical;
  HRESULT hr = VariantChangeType(&value, &text, 0, target);
  VariantClear(&text);
  if (FAILED(hr)) return Fail("write " + args[1] + ": the value does not fit the item's type", hr);
  OPCHANDLE handle = it->second.server;
  HRESULT* errors = nullptr;
  if (async) {
    HRESULT queried = S_OK;
    auto io2 = Query<IOPCAsyncIO2>(m_group.p, &queried);
    if (!io2) {
      VariantClear(&value);
      return Missing("write async", "the group offers no asynchronous I/O", queried);
    }
    std::map<OPCHANDLE, std::string> names{{it->second.client, args[1]}};
    CAdvisedSink sink(m_out, m_group.p, &names);
    if (FAILED(sink.Result())) {
      VariantClear(&value);
      return Fail("write async", sink.Result());
    }
    DWORD transaction = ++m_transaction, cancel = 0;
    hr = io2->Write(1, &handle, &value, transaction, &cancel, &errors);
    VariantClear(&value);
    if (FAILED(hr)) return Fail("write async " + args[1], hr);
    HRESULT itemError = errors[0];
    CoTaskMemFree(errors);
    if (FAILED(itemError)) return Fail("write async " + args[1], itemError);
    return sink.Sink()->WaitForCompletion(transaction) ? true : Fail("write async " + args[1] + ": no completion");
  }
  HRESULT queried = S_OK;
  auto io = Query<IOPCSyncIO>(m_group.p, &queried);
  if (!io) {
    VariantClear(&value);
    return Missing("write", "the group offers no synchronous I/O", queried);
  }
  hr = io->Write(1, &handle, &value, &errors);
  VariantClear(&value);
  if (FAILED(hr)) return Fail("write " + args[1], hr);
  bool ok = SUCCEEDED(errors[0]);
  if (ok) std::fprintf(m_out, "written\t%s\t%s\n", args[1].c_str(), HresultText(errors[0]).c_str());
  else Fail("write " + args[1], errors[0]);
  CoTaskMemFree(errors);
  return ok;
}

bool COpcClientSession::Refresh(const std::vector<std::string>& args) {
  if (!NeedGroup()) return false;
  HRESULT queried = S_OK;
  auto io2 = Query<IOPCAsyncIO2>(m_group.p, &queried);
  if (!io2) return Missing("refresh", "the group offers no asynchronous I/O", queried);
  std::map<OPCHANDLE, std::string> names;
  for (const auto& entry : m_items) names[entry.second.client] = entry.first;
  CAdvisedSink sink(m_out, m_group.p, &names);
  if (FAILED(sink.Result())) return Fail("refresh", sink.Result());
  DWORD transaction = ++m_transaction, cancel = 0;
  OPCDATASOURCE source = args.size() > 1 && args[1] == "device" ? OPC_DS_DEVICE : OPC_DS_CACHE;
  HRESULT hr = io2->Refresh2(source, transaction, &cancel);
  if (FAILED(hr)) return Fail("refresh", hr);
  return sink.Sink()->WaitForCompletion(transaction) ? true : Fail("refresh: no answer");
}

bool COpcClientSession::Watch(const std::vector<std::string>& args) {
  if (!NeedGroup()) return false;
  double seconds = args.size() > 1 ? std::stod(args[1]) : 5.0;
  std::map<OPCHANDLE, std::string> names;
  for (const auto& entry : m_items) names[entry.second.client] = entry.first;
  CComObject<CWatchSink>* sink = nullptr;
  CComObject<CWatchSink>::CreateInstance(&sink);
  CComPtr<IUnknown> held(static_cast<IOPCDataCallback*>(sink));
  sink->Attach(m_out, &names);
  CComPtr<IConnectionPoint> dataPoint, shutdownPoint;
  DWORD dataCookie = 0, shutdownCookie = 0;
  HRESULT hr = S_OK;
  auto groupContainer = Query<IConnectionPointContainer>(m_group.p, &hr);
  if (groupContainer) hr = groupContainer->FindConnectionPoint(IID_IOPCDataCallback, &dataPoint.p);
  if (SUCCEEDED(hr)) hr = dataPoint->Advise(static_cast<IOPCDataCallback*>(sink), &dataCookie);
  if (FAILED(hr)) return Fail("watch", hr);
  if (auto serverContainer = Query<IConnectionPointContainer>(m_server.p)) {
    if (SUCCEEDED(serverContainer->FindConnectionPoint(IID_IOPCShutdown, &shutdownPoint.p)))
      shutdownPoint->Advise(static_cast<IOPCShutdown*>(sink), &shutdownCookie);
  }
  bool shutdown = sink->WaitFor(std::chrono::milliseconds(static_cast<long long>(seconds * 1000)));
  dataPoint->Unadvise(dataCookie);
  if (shutdownPoint && shutdownCookie) shutdownPoint->Unadvise(shutdownCookie);
  if (shutdown) {
    m_group.Release();
    m_server.Release();
    m_items.clear();
  }
  return true;
}
