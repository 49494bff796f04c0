#include "platform/com/DispatchDriver.h"

#include <gtest/gtest.h>

#include "platform/com/Activation.h"
#include "platform/com/SafeArray.h"
#include "platform/com/tests/dispatch/DispatchObject.h"
#include "platform/win32/testing/TempMachineRoot.h"

using namespace dispatch_test;

namespace {

class DispatchDriverTest : public ::testing::Test {
 protected:
  CComObject<CDispatchObject>* raw = nullptr;
  COleDispatchDriver driver{MakeDispatchObject(&raw).Detach()};
};

TEST_F(DispatchDriverTest, TypedCallsInNaturalOrder) {
  EXPECT_EQ(7, driver.InvokeMethod<LONG>(kSub, 10, 3));
  EXPECT_EQ(7.0, driver.InvokeMethod<double>(kSub, 10, 3));  // converted to the asked type
  EXPECT_EQ(L"7", driver.InvokeMethod<std::wstring>(kSub, 10, 3));

  driver.SetPropertyWithParams(kItem, short(2), L"two");
  EXPECT_EQ(L"two", raw->m_items[2]);
  EXPECT_EQ(L"two", driver.GetPropertyWithParams<std::wstring>(kItem, short(2)));
  CString text;
  driver.GetPropertyWithParams(kItem, VT_BSTR, &text, short(2));
  EXPECT_STREQ(L"two", text.GetString());

  driver.SetProperty(kValue, VT_I4, std::wstring(L"12"));  // coerced before the call
  EXPECT_EQ(12, raw->m_value);
  LONG value = 0;
  driver.GetProperty(kValue, VT_I4, &value);
  EXPECT_EQ(12, value);
  BOOL flag = FALSE;
  driver.GetProperty(kValue, VT_BOOL, &flag);
  EXPECT_TRUE(flag);
}

TEST_F(DispatchDriverTest, ByReferenceArguments) {
  LONG n = 4;
  driver.InvokeMethod(kTwice, &n);
  EXPECT_EQ(8, n);
  VARIANT v;
  VariantInit(&v);
  driver.InvokeMethod(kSetRef, &v);
  ASSERT_EQ(VT_BSTR, v.vt);
  EXPECT_STREQ(L"set", v.bstrVal);
  VariantClear(&v);
}

TEST_F(DispatchDriverTest, ByValueArrayIsFilledInPlaceByTheCallee) {
  VARIANT arr;
  arr.vt = VT_ARRAY | VT_UI1;
  arr.parray = SafeArrayCreateVector(VT_UI1, 0, 4);
  driver.InvokeMethod(kFill, arr);
  BYTE* data = nullptr;
  ASSERT_EQ(S_OK, SafeArrayAccessData(arr.parray, reinterpret_cast<void**>(&data)));
  EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4}), std::vector<BYTE>(data, data + 4));
  SafeArrayUnaccessData(arr.parray);
  VariantClear(&arr);
}

TEST_F(DispatchDriverTest, RawInvokeBuildsReversedParametersAndNamedPut) {
  std::vector<VARIANT> args(2);
  args[0].vt = VT_I4;
  args[0].lVal = 10;
  args[1].vt = VT_I4;
  args[1].lVal = 4;
  VARIANT result;
  driver.Invoke(kSub, DISPATCH_METHOD, args, &result);
  EXPECT_EQ(6, result.lVal);

  std::vector<VARIANT> put(1);
  put[0].vt = VT_I4;
  put[0].lVal = 99;
  driver.Invoke(kValue, DISPATCH_PROPERTYPUT, put, nullptr);
  EXPECT_EQ(99, raw->m_value);
}

TEST_F(DispatchDriverTest, FailingCallThrowsWithTheCalleesMessage) {
  try {
    driver.InvokeMethod(kFail);
    FAIL() << "no exception";
  } catch (const COleDispatchException& e) {
    EXPECT_STREQ(L"Device is offline", e.m_strDescription.GetString());
    EXPECT_STREQ(L"Test.Object", e.m_strSource.GetString());
    EXPECT_EQ(E_ABORT, e.m_scode);
    wchar_t buffer[8];
    EXPECT_TRUE(e.GetErrorMessage(buffer, 8));
    EXPECT_STREQ(L"Device ", buffer);  // cut to the buffer, always terminated
  }
}

TEST_F(DispatchDriverTest, OtherFailuresThrowWithTheCodesText) {
  struct Case {
    std::function<void()> call;
    HRESULT hr;
  } cases[] = {
      {[&] { driver.InvokeMethod(77); }, DISP_E_MEMBERNOTFOUND},
      {[&] { driver.InvokeMethod<LONG>(kSub, L"abc", 1); }, DISP_E_TYPEMISMATCH},
      {[&] { driver.InvokeMethod(kRawFail); }, E_ACCESSDENIED},
      {[&] { driver.SetProperty(kValue, VT_I4, L"not a number"); }, DISP_E_TYPEMISMATCH},
  };
  for (Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << "no exception for " << std::hex << c.hr;
    } catch (const COleDispatchException& e) {
      EXPECT_EQ(c.hr, e.m_scode);
      EXPECT_EQ(ComErrorText(c.hr), std::wstring(e.m_strDescription.GetString()));
      EXPECT_FALSE(e.m_strDescription.IsEmpty());
    }
  }
}

TEST(DispatchDriver, EmptyDriverMakesNoCallAndLeavesResultsEmpty) {
  COleDispatchDriver empty;
  EXPECT_EQ(0, empty.InvokeMethod<LONG>(11));
  LPDISPATCH d = reinterpret_cast<LPDISPATCH>(1);
  empty.GetProperty(2, VT_DISPATCH, &d);
  EXPECT_EQ(nullptr, d);
  EXPECT_NO_THROW(empty.SetProperty(8, VT_BOOL, true));
}

TEST(DispatchDriver, AttachDetachAndRelease) {
  CComObject<CDispatchObject>* raw = nullptr;
  CComPtr<IDispatch> object = MakeDispatchObject(&raw);
  {
    COleDispatchDriver a;
    a.AttachDispatch(object, FALSE);  // not ours to release
    COleDispatchDriver copy = a;      // a copy holds a reference of its own
    EXPECT_EQ(2, raw->GetRefCount());
  }
  EXPECT_EQ(1, raw->GetRefCount());
  COleDispatchDriver b;
  object.p->AddRef();
  b.AttachDispatch(object);
  EXPECT_EQ(object.p, b.DetachDispatch());
  EXPECT_EQ(nullptr, b.m_lpDispatch);
  EXPECT_EQ(2, raw->GetRefCount());
  object.p->Release();
}

TEST(DispatchDriver, CreateDispatchFailsForAnUnknownProgId) {
  tessaly::testing::TempMachineRoot root;
  COleDispatchDriver driver;
  HRESULT hr = S_OK;
  EXPECT_FALSE(driver.CreateDispatch(L"No.Such.Thing.1", &hr));
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(nullptr, driver.m_lpDispatch);
  EXPECT_FALSE(driver.CreateDispatch(GUID_NULL));
}

}  // namespace
