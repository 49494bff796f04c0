#include "platform/com/testcomponent/TestAdder.h"

#include "platform/com/InprocServer.h"

#include <stdexcept>

namespace {

class CTestAdder : public CComObjectRootEx<CComMultiThreadModel>,
                   public CComCoClass<CTestAdder, &CLSID_TestAdder>,
                   public ITestAdder {
 public:
  BEGIN_COM_MAP(CTestAdder)
    COM_INTERFACE_ENTRY(ITestAdder)
  END_COM_MAP()

  HRESULT Add(LONG a, LONG b, LONG* sum) override {
    if (!sum) return E_POINTER;
    *sum = a + b;
    return S_OK;
  }
  HRESULT Throw() override {
    COM_TRY
    throw std::runtime_error("inside the component");
    COM_CATCH
  }
};

const wchar_t kScript[] = LR"(
HKCR
{
  Tessaly.TestAdder.1 = s 'Test Adder' { CLSID = s '%CLSID%' }
  Tessaly.TestAdder = s 'Test Adder'
  {
    CLSID = s '%CLSID%'
    CurVer = s 'Tessaly.TestAdder.1'
  }
  NoRemove CLSID
  {
    ForceRemove %CLSID% = s 'Test Adder'
    {
      ProgID = s 'Tessaly.TestAdder.1'
      VersionIndependentProgID = s 'Tessaly.TestAdder'
      InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Both' }
    }
  }
}
)";

const InprocClassEntry kClasses[] = {
    {&CLSID_TestAdder, &CTestAdder::CreateInstance, kScript, 0},
};

}  // namespace

TESSALY_INPROC_SERVER(kClasses)
