#include <gtest/gtest.h>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Guid.h"

namespace {

DEFINE_GUID_TEXT(IID_ITestSourceEvents, "5A1C0010-0000-4000-8000-00000000AA02");

// An event source whose event interface is a dispinterface: sinks are called through IDispatch.
class CEventSource : public CComObjectRootEx<CComMultiThreadModel>,
                     public IConnectionPointContainerImpl<CEventSource>,
                     public IConnectionPointImpl<CEventSource, &IID_ITestSourceEvents> {
 public:
  BEGIN_COM_MAP(CEventSource)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
  END_COM_MAP()
  BEGIN_CONNECTION_POINT_MAP(CEventSource)
    CONNECTION_POINT_ENTRY(IID_ITestSourceEvents)
  END_CONNECTION_POINT_MAP()

  // Raises event id with the arguments given left to right; the results of each sink.
  std::vector<HRESULT> Raise(DISPID id, std::vector<VARIANT> args) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    std::vector<HRESULT> results;
    ForEachSink<IDispatch>([&](IDispatch* sink) {
      DISPPARAMS dp{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
      results.push_back(sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr));
    });
    for (VARIANT& v : args) VariantClear(&v);
    return results;
  }
};

// A sink in the MFC manner: a CCmdTarget with a dispatch map of the events it handles.
class CTestSink : public CCmdTarget {
 public:
  CTestSink() : CCmdTarget(IID_ITestSourceEvents) {
    EnableAutomation();
    m_dispatchMap.AddMethod(L"Loading", 1, this, &CTestSink::OnLoading);
    m_dispatchMap.AddMethod(L"ScanFinished", 2, this, &CTestSink::OnScanFinished);
    m_dispatchMap.AddMethod(L"NewNvValue", 6, this, &CTestSink::OnNewNvValue);
  }
  void OnLoading(BSTR neuronId, short node, short count) {
    log.push_back(L"Loading " + tessaly::BstrToString(neuronId) + L" " + std::to_wstring(node) + L"/" +
                  std::to_wstring(count));
  }
  void OnScanFinished() { log.push_back(L"ScanFinished"); }
  void OnNewNvValue(LONG cookie, const VARIANT& value) {
    log.push_back(L"NewNvValue " + std::to_wstring(cookie) + L" vt " + std::to_wstring(value.vt));
  }
  std::vector<std::wstring> log;
  DWORD m_dwCookie = 0;
};

VARIANT Bstr(const wchar_t* s) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(s);
  return v;
}
VARIANT Long(LONG n) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

class EventSinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CComObject<CEventSource>::CreateInstance(&source));
    source->AddRef();
  }
  void TearDown() override { source->Release(); }
  IUnknown* SourceUnknown() { return source->GetUnknown(); }
  CComObject<CEventSource>* source = nullptr;
};

TEST_F(EventSinkTest, DispatchMapReceivesEventsWithCoercedArguments) {
  auto* sink = new CTestSink;
  ASSERT_TRUE(AfxConnectionAdvise(SourceUnknown(), IID_ITestSourceEvents, sink->GetIDispatch(FALSE), TRUE,
                                  &sink->m_dwCookie));
  EXPECT_NE(0u, sink->m_dwCookie);
  EXPECT_EQ(2, sink->GetRefCount());

  // Node numbers arrive as I4 here and are converted to the map's I2.
  source->Raise(1, {Bstr(L"04A1B2C3D4E5"), Long(3), Long(10)});
  source->Raise(2, {});
  source->Raise(6, {Long(77), Bstr(L"1.5")});
  EXPECT_EQ((std::vector<std::wstring>{L"Loading 04A1B2C3D4E5 3/10", L"ScanFinished", L"NewNvValue 77 vt 8"}),
            sink->log);
  // An event the map does not handle is refused, not crashed on.
  EXPECT_EQ(std::vector<HRESULT>{DISP_E_MEMBERNOTFOUND}, source->Raise(4, {Long(0), Bstr(L""), Bstr(L"")}));

  EXPECT_TRUE(AfxConnectionUnadvise(SourceUnknown(), IID_ITestSourceEvents, sink->GetIDispatch(FALSE), TRUE,
                                    sink->m_dwCookie));
  EXPECT_EQ(1, sink->GetRefCount());
  EXPECT_FALSE(AfxConnectionUnadvise(SourceUnknown(), IID_ITestSourceEvents, sink->GetIDispatch(FALSE), TRUE,
                                     sink->m_dwCookie));
  source->Raise(2, {});
  EXPECT_EQ(3u, sink->log.size());
  delete sink;  // the owner deletes it once the source let go
}

TEST_F(EventSinkTest, UncountedAdviseLeavesTheSinksCountAlone) {
  auto* sink = new CTestSink;
  DWORD cookie = 0;
  ASSERT_TRUE(AfxConnectionAdvise(SourceUnknown(), IID_ITestSourceEvents, sink->GetIDispatch(FALSE), FALSE, &cookie));
  EXPECT_EQ(1, sink->GetRefCount());
  ASSERT_TRUE(AfxConnectionUnadvise(SourceUnknown(), IID_ITestSourceEvents, sink->GetIDispatch(FALSE), FALSE, cookie));
  EXPECT_EQ(1, sink->GetRefCount());
  sink->ExternalRelease();  // the last reference deletes it (ASan checks)
}

TEST_F(EventSinkTest, SinkAnswersItsEventInterfaceOnly) {
  auto* sink = new CTestSink;
  struct Case {
    const IID* iid;
    HRESULT hr;
  } cases[] = {{&IID_IUnknown, S_OK}, {&IID_IDispatch, S_OK}, {&IID_ITestSourceEvents, S_OK},
               {&IID_IConnectionPoint, E_NOINTERFACE}};
  for (const Case& c : cases) {
    void* p = nullptr;
    EXPECT_EQ(c.hr, sink->ExternalQueryInterface(*c.iid, &p));
    if (p) {
      EXPECT_EQ(static_cast<IDispatch*>(sink), p);
      sink->ExternalRelease();
    }
  }
  EXPECT_FALSE(AfxConnectionAdvise(SourceUnknown(), IID_IAdviseSink, sink, TRUE, &sink->m_dwCookie));
  EXPECT_EQ(0u, sink->m_dwCookie);
  delete sink;
}

}  // namespace
