#include "platform/com/Enumerators.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/tests/atl/TestInterfaces.h"

namespace {

CComPtr<IEnumString> Strings(std::vector<std::wstring> items) {
  CComPtr<IEnumString> e;
  EXPECT_EQ(S_OK, CreateEnumString(std::move(items), &e));
  return e;
}

// Fetches up to n strings; returns the result and the texts (freed).
std::pair<HRESULT, std::vector<std::wstring>> Take(IEnumString* e, ULONG n) {
  std::vector<LPOLESTR> out(n + 1, nullptr);
  ULONG fetched = 12345;
  HRESULT hr = e->Next(n, out.data(), &fetched);
  std::vector<std::wstring> texts;
  for (ULONG i = 0; i < fetched && i < n; ++i) {
    texts.emplace_back(out[i]);
    CoTaskMemFree(out[i]);
  }
  EXPECT_EQ(nullptr, out[n]);  // nothing written past what was asked
  if (FAILED(hr)) {
    EXPECT_EQ(0u, fetched);
  }
  return {hr, texts};
}

TEST(Enumerator, NextReportsFewerThanAskedWithSFalse) {
  auto e = Strings({L"a", L"b", L"c"});
  struct Step {
    ULONG ask;
    HRESULT hr;
    std::vector<std::wstring> got;
  } steps[] = {
      {2, S_OK, {L"a", L"b"}},
      {2, S_FALSE, {L"c"}},
      {1, S_FALSE, {}},
      {0, S_OK, {}},
  };
  for (const Step& s : steps) {
    auto [hr, got] = Take(e, s.ask);
    EXPECT_EQ(s.hr, hr) << "asking " << s.ask;
    EXPECT_EQ(s.got, got) << "asking " << s.ask;
  }
}

TEST(Enumerator, SkipResetAndCloneKeepTheirOwnPositions) {
  auto e = Strings({L"a", L"b", L"c"});
  EXPECT_EQ(S_OK, e->Skip(1));
  CComPtr<IEnumString> clone;
  ASSERT_EQ(S_OK, e->Clone(&clone));
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"c"}), Take(clone, 2).second);
  EXPECT_EQ(std::vector<std::wstring>{L"b"}, Take(e, 1).second);  // the clone did not move e
  EXPECT_EQ(S_FALSE, e->Skip(5));
  EXPECT_EQ(S_FALSE, Take(e, 1).first);
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ(std::vector<std::wstring>{L"a"}, Take(e, 1).second);
  EXPECT_EQ(S_OK, e->Skip(2));
  EXPECT_EQ(S_OK, e->Skip(0));
}

TEST(Enumerator, PointerRules) {
  auto e = Strings({L"a", L"b"});
  LPOLESTR out[2] = {};
  EXPECT_EQ(E_INVALIDARG, e->Next(2, out, nullptr));  // more than one needs a count
  EXPECT_EQ(E_POINTER, e->Next(1, nullptr, nullptr));
  EXPECT_EQ(E_POINTER, e->Clone(nullptr));
  EXPECT_EQ(S_OK, e->Next(1, out, nullptr));  // one may go without
  EXPECT_STREQ(L"a", out[0]);
  CoTaskMemFree(out[0]);
}

TEST(Enumerator, CopiesItemsSoTheSourceMayChange) {
  std::vector<std::wstring> source{L"x"};
  CComPtr<IEnumString> e;
  ASSERT_EQ(S_OK, CreateEnumString(source, &e));
  source[0] = L"changed";
  EXPECT_EQ(std::vector<std::wstring>{L"x"}, Take(e, 1).second);
}

class CCounted : public CComObjectRootEx<CComMultiThreadModel>, public ITestFoo {
 public:
  BEGIN_COM_MAP(CCounted)
    COM_INTERFACE_ENTRY(ITestFoo)
  END_COM_MAP()
  int Foo() override { return 3; }
};

TEST(Enumerator, UnknownItemsAreHandedOutWithAReference) {
  CComObject<CCounted>* raw = nullptr;
  ASSERT_EQ(S_OK, CComObject<CCounted>::CreateInstance(&raw));
  CComPtr<IUnknown> item(static_cast<ITestFoo*>(raw));
  CComPtr<IEnumUnknown> e;
  ASSERT_EQ(S_OK, CreateEnumUnknown({item, item}, &e));
  EXPECT_EQ(3, raw->GetRefCount());
  IUnknown* out[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_OK, e->Next(2, out, &fetched));
  EXPECT_EQ(5, raw->GetRefCount());
  out[0]->Release();
  out[1]->Release();
  e.Release();
  EXPECT_EQ(1, raw->GetRefCount());
}

TEST(Enumerator, StructItemsByValue) {
  FORMATETC f{7, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  CComPtr<IEnumFORMATETC> e;
  ASSERT_EQ(S_OK, (CreateEnumerator<IEnumFORMATETC, CopyPolicyValue<FORMATETC>>({f}, &e)));
  FORMATETC out{};
  ULONG fetched = 0;
  EXPECT_EQ(S_OK, e->Next(1, &out, &fetched));
  EXPECT_EQ(7, out.cfFormat);
  EXPECT_EQ(TYMED_HGLOBAL, out.tymed);
}

}  // namespace
