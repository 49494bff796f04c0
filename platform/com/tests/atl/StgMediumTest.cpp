#include <gtest/gtest.h>

#include "platform/com/ComObject.h"
#include "platform/com/Memory.h"
#include "platform/com/ObjIdl.h"

namespace {

class COwner : public CComObjectRootEx<CComMultiThreadModel>, public IAdviseSink {
 public:
  BEGIN_COM_MAP(COwner)
    COM_INTERFACE_ENTRY(IAdviseSink)
  END_COM_MAP()
  void OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  void OnViewChange(DWORD, LONG) override {}
  void OnRename(IMoniker*) override {}
  void OnSave() override {}
  void OnClose() override {}
};

TEST(StgMedium, GlobalMemoryIsFreedAndTheMediumEmptied) {
  STGMEDIUM medium{};
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 16);
  HGLOBAL handle = medium.hGlobal;
  ReleaseStgMedium(&medium);
  EXPECT_EQ(TYMED_NULL, medium.tymed);
  EXPECT_EQ(nullptr, medium.hGlobal);
  EXPECT_EQ(GMEM_INVALID_HANDLE, GlobalFlags(handle));  // gone
  ReleaseStgMedium(nullptr);
}

TEST(StgMedium, AnOwnerReleasesInsteadOfTheData) {
  CComObject<COwner>* owner = nullptr;
  ASSERT_EQ(S_OK, CComObject<COwner>::CreateInstance(&owner));
  owner->AddRef();
  owner->AddRef();
  STGMEDIUM medium{};
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 16);
  HGLOBAL handle = medium.hGlobal;
  medium.pUnkForRelease = static_cast<IAdviseSink*>(owner);
  ReleaseStgMedium(&medium);
  EXPECT_EQ(1, owner->GetRefCount());
  EXPECT_EQ(nullptr, medium.pUnkForRelease);
  EXPECT_NE(GMEM_INVALID_HANDLE, GlobalFlags(handle));  // still the owner's
  GlobalFree(handle);
  owner->Release();
}

}  // namespace
