#include "platform/com/DispatchTable.h"

#include <gtest/gtest.h>

#include "platform/com/tests/dispatch/DispatchObject.h"

using namespace dispatch_test;

namespace {

VARIANT I4(LONG v) {
  VARIANT x;
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}
VARIANT I2(short v) {
  VARIANT x;
  x.vt = VT_I2;
  x.iVal = v;
  return x;
}
// Callers own the BSTRs of these; the fixture frees them.
VARIANT Text(const wchar_t* s) {
  VARIANT x;
  x.vt = VT_BSTR;
  x.bstrVal = SysAllocString(s);
  return x;
}
VARIANT Missing() {
  VARIANT x;
  x.vt = VT_ERROR;
  x.scode = DISP_E_PARAMNOTFOUND;
  return x;
}

class DispatchTableTest : public ::testing::Test {
 protected:
  CComObject<CDispatchObject>* raw = nullptr;
  CComPtr<IDispatch> object = MakeDispatchObject(&raw);
  std::vector<VARIANT> rgvarg;  // as the caller lays them out: reversed
  VARIANT result{};
  EXCEPINFO excep{};
  UINT argErr = 999;

  ~DispatchTableTest() override {
    for (VARIANT& v : rgvarg) VariantClear(&v);
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
  }
  HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> reversedArgs, bool namedPut = false) {
    for (VARIANT& v : rgvarg) VariantClear(&v);
    rgvarg = std::move(reversedArgs);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS dp{rgvarg.data(), namedPut ? &put : nullptr, static_cast<UINT>(rgvarg.size()), namedPut ? 1u : 0u};
    VariantClear(&result);
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, &result, &excep, &argErr);
  }
};

TEST_F(DispatchTableTest, ArgumentsArriveReversedAndReachTheHandlerInOrder) {
  for (WORD flags : {DISPATCH_METHOD, static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
    ASSERT_EQ(S_OK, Call(kSub, flags, {I4(3), I4(10)})) << flags;  // Sub(10, 3)
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(7, result.lVal);
  }
}

TEST_F(DispatchTableTest, ArgumentsAreCoercedToTheDeclaredTypes) {
  ASSERT_EQ(S_OK, Call(kSub, DISPATCH_METHOD, {I2(2), Text(L" 12 ")}));
  EXPECT_EQ(10, result.lVal);

  struct Case {
    VARIANT right;
    HRESULT hr;
  } cases[] = {
      {Text(L"abc"), DISP_E_TYPEMISMATCH},
      {Text(L"99999999999"), DISP_E_OVERFLOW},
  };
  for (Case& c : cases) {
    argErr = 999;
    EXPECT_EQ(c.hr, Call(kSub, DISPATCH_METHOD, {c.right, I4(1)}));
    EXPECT_EQ(0u, argErr);  // the position in rgvarg: the right-hand argument
  }
  argErr = 999;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(kSub, DISPATCH_METHOD, {I4(1), Text(L"x")}));
  EXPECT_EQ(1u, argErr);
}

TEST_F(DispatchTableTest, PropertyGetWithParametersAndNamedPut) {
  // Item(4) = "four": index positional, value named DISPID_PROPERTYPUT at rgvarg[0].
  ASSERT_EQ(S_OK, Call(kItem, DISPATCH_PROPERTYPUT, {Text(L"four"), I2(4)}, true));
  EXPECT_EQ(L"four", raw->m_items[4]);
  ASSERT_EQ(S_OK, Call(kItem, DISPATCH_PROPERTYGET, {I4(4)}));
  ASSERT_EQ(VT_BSTR, result.vt);
  EXPECT_STREQ(L"four", result.bstrVal);

  ASSERT_EQ(S_OK, Call(kValue, DISPATCH_PROPERTYPUT, {Text(L"41")}, true));
  EXPECT_EQ(41, raw->m_value);
  ASSERT_EQ(S_OK, Call(kValue, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}));
  EXPECT_EQ(41, result.lVal);
}

TEST_F(DispatchTableTest, CallShapeErrors) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<VARIANT> args;
    bool named;
    HRESULT hr;
  } cases[] = {
      {"put without the named argument", kValue, DISPATCH_PROPERTYPUT, {I4(1)}, false, DISP_E_PARAMNOTOPTIONAL},
      {"put without any argument", kValue, DISPATCH_PROPERTYPUT, {}, false, DISP_E_BADPARAMCOUNT},
      {"indexed put without its index", kItem, DISPATCH_PROPERTYPUT, {I4(1)}, true, DISP_E_BADPARAMCOUNT},
      {"too few", kSub, DISPATCH_METHOD, {I4(1)}, false, DISP_E_BADPARAMCOUNT},
      {"too many", kSub, DISPATCH_METHOD, {I4(1), I4(2), I4(3)}, false, DISP_E_BADPARAMCOUNT},
      {"required one missing", kSub, DISPATCH_METHOD, {I4(1), Missing()}, false, DISP_E_PARAMNOTOPTIONAL},
      {"unknown DISPID", 77, DISPATCH_METHOD, {}, false, DISP_E_MEMBERNOTFOUND},
      {"a get called as put", kSub, DISPATCH_PROPERTYPUT, {I4(1)}, true, DISP_E_MEMBERNOTFOUND},
      {"a method called as get", kSub, DISPATCH_PROPERTYGET, {I4(1), I4(2)}, false, DISP_E_MEMBERNOTFOUND},
      {"a raw failure passes through", kRawFail, DISPATCH_METHOD, {}, false, E_ACCESSDENIED},
  };
  for (Case& c : cases) EXPECT_EQ(c.hr, Call(c.id, c.flags, c.args, c.named)) << c.what;

  DISPPARAMS dp{nullptr, nullptr, 0, 0};
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
            object->Invoke(kValue, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &dp, &result, nullptr, nullptr));
}

TEST_F(DispatchTableTest, OptionalArgumentsMayBeLeftOutOrSentAsMissing) {
  ASSERT_EQ(S_OK, Call(kOpt, DISPATCH_METHOD, {I4(1)}));
  EXPECT_EQ(101, result.lVal);
  ASSERT_EQ(S_OK, Call(kOpt, DISPATCH_METHOD, {Missing(), I4(1)}));
  EXPECT_EQ(101, result.lVal);
  ASSERT_EQ(S_OK, Call(kOpt, DISPATCH_METHOD, {I4(5), I4(1)}));
  EXPECT_EQ(6, result.lVal);
}

TEST_F(DispatchTableTest, ByReferenceArgumentsAreWrittenThrough) {
  LONG n = 21;
  VARIANT ref;
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &n;
  ASSERT_EQ(S_OK, Call(kTwice, DISPATCH_METHOD, {ref}));
  EXPECT_EQ(42, n);

  // A reference to a VARIANT holding an I4 is accepted for a by-reference I4.
  VARIANT held = I4(5);
  ref.vt = VT_BYREF | VT_VARIANT;
  ref.pvarVal = &held;
  ASSERT_EQ(S_OK, Call(kTwice, DISPATCH_METHOD, {ref}));
  EXPECT_EQ(10, held.lVal);

  // A by-value I4 cannot be written through.
  EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(kTwice, DISPATCH_METHOD, {I4(1)}));
  EXPECT_EQ(0u, argErr);

  VARIANT target = I4(0);
  ref.pvarVal = &target;
  ASSERT_EQ(S_OK, Call(kSetRef, DISPATCH_METHOD, {ref}));
  ASSERT_EQ(VT_BSTR, target.vt);
  EXPECT_STREQ(L"set", target.bstrVal);
  VariantClear(&target);
}

TEST_F(DispatchTableTest, ArrayInAByValueVariantIsFilledInPlace) {
  VARIANT arr;
  arr.vt = VT_ARRAY | VT_UI1;
  arr.parray = SafeArrayCreateVector(VT_UI1, 0, 3);
  ASSERT_EQ(S_OK, Call(kFill, DISPATCH_METHOD, {arr}));
  BYTE* data = static_cast<BYTE*>(arr.parray->pvData);
  EXPECT_EQ(1, data[0]);
  EXPECT_EQ(3, data[2]);
  // rgvarg owns arr now; the fixture clears it.
}

TEST_F(DispatchTableTest, FailingHandlerGivesAnException) {
  EXPECT_EQ(DISP_E_EXCEPTION, Call(kFail, DISPATCH_METHOD, {}));
  EXPECT_STREQ(L"Device is offline", excep.bstrDescription);
  EXPECT_STREQ(L"Test.Object", excep.bstrSource);
  EXPECT_EQ(E_ABORT, excep.scode);
  EXPECT_EQ(VT_EMPTY, result.vt);
  // Without EXCEPINFO the failure is still reported.
  DISPPARAMS dp{nullptr, nullptr, 0, 0};
  EXPECT_EQ(DISP_E_EXCEPTION, object->Invoke(kFail, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr));
}

TEST_F(DispatchTableTest, NoCppExceptionOfAHandlerCrossesTheInterface) {
  EXPECT_EQ(DISP_E_EXCEPTION, Call(kThrowStd, DISPATCH_METHOD, {}));
  EXPECT_STREQ(L"disk full", excep.bstrDescription);
  EXPECT_STREQ(L"Test.Object", excep.bstrSource);
  EXPECT_EQ(E_OUTOFMEMORY, Call(kThrowAlloc, DISPATCH_METHOD, {}));
  EXPECT_EQ(VT_EMPTY, result.vt);
}

TEST_F(DispatchTableTest, NamedArgumentsOtherThanThePutValueAreRefused) {
  // A method takes no named arguments.
  DISPID named = 0;
  rgvarg = {I4(1), I4(2)};
  DISPPARAMS dp{rgvarg.data(), &named, 2, 1};
  EXPECT_EQ(DISP_E_NONAMEDARGS, object->Invoke(kSub, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, &excep, &argErr));
  // A put names its value DISPID_PROPERTYPUT and nothing else.
  DISPID other = 3;
  for (VARIANT& v : rgvarg) VariantClear(&v);
  rgvarg = {I4(5)};
  DISPPARAMS put{rgvarg.data(), &other, 1, 1};
  argErr = 999;
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, object->Invoke(kValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, &excep, &argErr));
  EXPECT_EQ(0u, argErr);
  EXPECT_EQ(0, raw->m_value);
  // A reference to no VARIANT for a by-reference VARIANT parameter.
  VARIANT none;
  none.vt = VT_BYREF | VT_VARIANT;
  none.pvarVal = nullptr;
  argErr = 999;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(kSetRef, DISPATCH_METHOD, {none}));
  EXPECT_EQ(0u, argErr);
}

TEST_F(DispatchTableTest, NamesAreFoundIgnoringCase) {
  struct Case {
    const wchar_t* name;
    HRESULT hr;
    DISPID id;
  } cases[] = {{L"Sub", S_OK, kSub}, {L"VALUE", S_OK, kValue}, {L"item", S_OK, kItem},
               {L"Nope", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}, {L"Su", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}};
  for (const Case& c : cases) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
    DISPID id = 12345;
    EXPECT_EQ(c.hr, object->GetIDsOfNames(IID_NULL, names, 1, 0, &id)) << c.name;
    EXPECT_EQ(c.id, id) << c.name;
  }
  LPOLESTR withParam[] = {const_cast<LPOLESTR>(L"Sub"), const_cast<LPOLESTR>(L"a")};
  DISPID ids[2];
  EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, withParam, 2, 0, ids));
  EXPECT_EQ(kSub, ids[0]);
  EXPECT_EQ(DISPID_UNKNOWN, ids[1]);
}

// Members are found by DISPID and kind inside and outside the directly indexed range; a later
// entry of the same DISPID and kind replaces the earlier one; long argument lists work too.
TEST(DispatchTable, MembersAreFoundByIdAndKindAtAnyId) {
  CDispatchTable table;
  const DISPID ids[] = {0, 1, 1023, 1024, 100000, DISPID_NEWENUM, -552};
  for (DISPID id : ids) {
    table.AddGet(L"Get", id, [id]() -> LONG { return id; });
    table.AddMethod(L"Method", id, [id]() -> LONG { return id + 1; });
  }
  table.AddGet(L"Get", 1, []() -> LONG { return 77; });  // replaces
  for (DISPID id : ids) {
    for (WORD flags : {WORD(DISPATCH_PROPERTYGET), WORD(DISPATCH_METHOD)}) {
      VARIANT result{};
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      ASSERT_EQ(S_OK, table.Invoke(id, IID_NULL, flags, &none, &result, nullptr, nullptr)) << id;
      LONG expected = flags == DISPATCH_METHOD ? id + 1 : id == 1 ? 77 : id;
      EXPECT_EQ(VT_I4, result.vt) << id;
      EXPECT_EQ(expected, result.lVal) << id;
    }
    EXPECT_EQ(nullptr, table.Find(id, DispatchKind::PropertyPut)) << id;
  }
  EXPECT_EQ(nullptr, table.Find(2, DispatchKind::PropertyGet));
  EXPECT_EQ(nullptr, table.Find(5000, DispatchKind::Method));

  table.AddMethod(L"Sum", 7, [](LONG a, LONG b, LONG c, LONG d, LONG e, LONG f, LONG g, LONG h, LONG i, short j) {
    return a - b + c + d + e + f + g + h + i + j;
  });
  std::vector<VARIANT> reversed;
  for (LONG v = 10; v >= 1; --v) reversed.push_back(v == 2 ? I2(100) : I4(v));  // the second one coerced
  DISPPARAMS dp{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  VARIANT result{};
  ASSERT_EQ(S_OK, table.Invoke(7, IID_NULL, DISPATCH_METHOD, &dp, &result, nullptr, nullptr));
  EXPECT_EQ(1 - 100 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10, result.lVal);
}

}  // namespace
