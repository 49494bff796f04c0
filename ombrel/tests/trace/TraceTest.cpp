// The debug trace of the value elements. The switch is read once per process, when the module
// is first used, so every test here turns it on before the first control is made.
#include "ombrel/tests/OmbrelTestSupport.h"

namespace {

using namespace ombrel_test;

class TraceTest : public OmbrelFixture {
 protected:
  void SetUp() override {
    SetSetting(L"DbgLog", REG_DWORD, L"", 1);
    Register(kPravel | kGorrin);
    CreateControl();
  }
  COleDispatchDriver Snvt(short index) { return Element(SNVType(index)); }
};

TEST_F(TraceTest, FormatVTWritesBeginAndEndLines) {
  COleDispatchDriver e = Snvt(105);
  CComVariant data = Bytes({0x08, 0x66});
  CComVariant out;
  StderrCapture capture;
  EXPECT_TRUE(e.InvokeMethod<bool>(ombrel::DISPID_ELEM_FORMAT_VT, static_cast<const VARIANT&>(data), short(2),
                                   short(VT_BSTR), static_cast<VARIANT*>(&out), short(-1)));
  EXPECT_EQ(capture.Lines(),
            (std::vector<std::wstring>{
                L"UNVTElement::FormatVT BEGIN: Type='SNVT_temp_p' Sub=-1, Data='0866', Len=2, vt=8,  BackTypeComp=0",
                L"UNVTElement::FormatVT END: Result=1, fmtdata='21.50'"}));
}

TEST_F(TraceTest, AnArrayResultIsNamedNotConvertedAndTheResultStillReturned) {
  COleDispatchDriver e = Snvt(0);
  CComVariant data = Bytes({0xAB});
  CComVariant out;
  StderrCapture capture;
  EXPECT_TRUE(e.InvokeMethod<bool>(ombrel::DISPID_ELEM_FORMAT_VT, static_cast<const VARIANT&>(data), short(1),
                                   short(VT_ARRAY | VT_UI1), static_cast<VARIANT*>(&out), short(-1)));
  std::vector<std::wstring> lines = capture.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], L"UNVTElement::FormatVT END: Result=1, fmtdata='The value is not converted to the string.'");
  EXPECT_EQ(BytesOf(out), std::vector<BYTE>{0xAB});
}

TEST_F(TraceTest, LongLinesAreCutAt255Characters) {
  COleDispatchDriver e = Snvt(0);
  struct Case {
    size_t bytes;
    std::wstring data;  // what stands after "Data='" (up to the cut)
  } cases[] = {
      {150, std::wstring(300, L'5')},  // 300 digits: the line is cut inside them
      {300, L"', Len=300"},            // 300 bytes and more give no hex text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    CComVariant data = Bytes(std::vector<BYTE>(c.bytes, 0x55));
    CComVariant out;
    StderrCapture capture;
    e.InvokeMethod<bool>(ombrel::DISPID_ELEM_FORMAT_VT, static_cast<const VARIANT&>(data), short(c.bytes),
                         short(VT_BSTR), static_cast<VARIANT*>(&out), short(-1));
    std::vector<std::wstring> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    const std::wstring head = L"UNVTElement::FormatVT BEGIN: Type='RAW_DATA' Sub=-1, Data='";
    EXPECT_EQ(lines[0].substr(0, head.size()), head);
    EXPECT_EQ(lines[0].substr(head.size(), c.data.size()), c.data.substr(0, 255 - head.size()));
    EXPECT_LE(lines[0].size(), 255u);
    EXPECT_EQ(lines[1].size(), 255u);  // 300 or 600 digits of fmtdata
  }
}

TEST_F(TraceTest, BothWriteMembersUseTheWriteFormatVTTexts) {
  COleDispatchDriver e = Snvt(105);
  SetBackTypeComp(true);
  CComVariant value(L"21.5");
  for (DISPID member : {ombrel::DISPID_ELEM_WRITE_FORMAT_VT, ombrel::DISPID_ELEM_WRITE_VALUE2}) {
    SCOPED_TRACE(member);
    CComVariant data = Bytes({0, 0});
    StderrCapture capture;
    if (member == ombrel::DISPID_ELEM_WRITE_FORMAT_VT)
      EXPECT_TRUE(e.InvokeMethod<bool>(member, static_cast<const VARIANT&>(data), short(2),
                                       static_cast<const VARIANT&>(value), short(-1)));
    else
      EXPECT_TRUE(e.InvokeMethod<bool>(member, static_cast<VARIANT*>(&data), short(2),
                                       static_cast<const VARIANT&>(value), short(-1)));
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::wstring>{L"UNVTElement::WriteFormatVT BEGIN: Type='SNVT_temp_p' Sub=-1, BackTypeComp=1",
                                         L"UNVTElement::WriteFormatVT END: Result=1"}));
    EXPECT_EQ(BytesOf(data), (std::vector<BYTE>{0x08, 0x66}));
  }
}

}  // namespace
