// Small interfaces and objects shared by the tests of this folder.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/Guid.h"

DEFINE_GUID_TEXT(IID_ITestFoo, "5A1C0001-0000-4000-8000-00000000AA01");
DEFINE_GUID_TEXT(IID_ITestBar, "5A1C0002-0000-4000-8000-00000000AA01");
DEFINE_GUID_TEXT(IID_ITestEvents, "5A1C0003-0000-4000-8000-00000000AA01");
DEFINE_GUID_TEXT(IID_ITestOther, "5A1C0004-0000-4000-8000-00000000AA01");

struct ITestFoo : IUnknown {
  virtual int Foo() = 0;

 protected:
  ~ITestFoo() = default;
};
DECLARE_INTERFACE_IID(ITestFoo, IID_ITestFoo)

struct ITestBar : IUnknown {
  virtual int Bar() = 0;

 protected:
  ~ITestBar() = default;
};
DECLARE_INTERFACE_IID(ITestBar, IID_ITestBar)

struct ITestEvents : IUnknown {
  virtual HRESULT OnEvent(int value) = 0;

 protected:
  ~ITestEvents() = default;
};
DECLARE_INTERFACE_IID(ITestEvents, IID_ITestEvents)

struct ITestOther : IUnknown {
  virtual HRESULT OnOther() = 0;

 protected:
  ~ITestOther() = default;
};
DECLARE_INTERFACE_IID(ITestOther, IID_ITestOther)
