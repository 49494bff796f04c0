// The component as Ombrel meets it: registered, created by ProgID, called by DISPID.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "interfaces/sennet/SennetContract.h"
#include "platform/com/Activation.h"
#include "platform/com/Bstr.h"
#include "platform/com/DispatchDriver.h"
#include "platform/win32/Registry.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

using namespace sennet;

typedef HRESULT (*ExportFunc)();

ExportFunc Export(const char* name) {
  static void* handle = ::dlopen(SENNET_COMPONENT, RTLD_NOW | RTLD_LOCAL);
  return handle ? reinterpret_cast<ExportFunc>(::dlsym(handle, name)) : nullptr;
}

std::wstring RegString(const std::wstring& path, const wchar_t* name = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
  std::wstring value;
  if (!tessaly::win32::RegQueryString(key, name, value)) value = L"<no value>";
  RegCloseKey(key);
  return value;
}

struct Entry {
  LONG ret;
  std::wstring type;
  short selector;
};

class SennetComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ExportFunc reg = Export("DllRegisterServer");
    ASSERT_NE(reg, nullptr) << ::dlerror();
    ASSERT_EQ(reg(), S_OK);
    ASSERT_TRUE(table.CreateDispatch(SENNET_VI_PROGID));
    file = root.Path() + "/nv_types.xml";
  }
  void WriteFile(const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
  std::string ReadFile() const {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Open(const std::string& bytes) {
    WriteFile(bytes);
    table.InvokeMethod(DISPID_OPEN_FILE, std::filesystem::path(file).wstring());
  }
  Entry Get(const std::wstring& pid, short index, short selectorIn = 77) {
    BSTR name = SysAllocString(L"earlier");  // replaced, not leaked
    short selector = selectorIn;
    LONG ret = table.InvokeMethod<LONG>(DISPID_GET_NV_TYPE_NAME, pid, index, &name, &selector);
    Entry e{ret, tessaly::BstrToString(name), selector};
    SysFreeString(name);
    return e;
  }
  void Set(short index, const std::wstring& type, const std::wstring& pid, short selector) {
    table.InvokeMethod(DISPID_SET_NV_TYPE, index, type, pid, selector);
  }
  void Remove(const std::wstring& pid, short index) { table.InvokeMethod(DISPID_REMOVE_NV_TYPE, pid, index); }

  tessaly::testing::TempMachineRoot root;
  COleDispatchDriver table;
  std::string file;
};

TEST_F(SennetComponentTest, RegistersItsClassAndProgIds) {
  const std::wstring clsid = tessaly::GuidToString(CLSID_XMLFormatter);
  const std::wstring key = L"CLSID\\" + clsid;
  EXPECT_EQ(RegString(SENNET_PROGID), L"XMLFormatter Class");
  EXPECT_EQ(RegString(SENNET_PROGID L"\\CLSID"), clsid);
  EXPECT_EQ(RegString(SENNET_VI_PROGID L"\\CurVer"), SENNET_PROGID);
  EXPECT_EQ(RegString(key), L"XMLFormatter Class");
  EXPECT_EQ(RegString(key + L"\\ProgID"), SENNET_PROGID);
  EXPECT_EQ(RegString(key + L"\\VersionIndependentProgID"), SENNET_VI_PROGID);
  EXPECT_NE(RegString(key + L"\\Programmable"), L"<no key>");
  EXPECT_EQ(RegString(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(RegString(key + L"\\TypeLib"), tessaly::GuidToString(LIBID_SENNETLib));

  COleDispatchDriver byVersion;
  EXPECT_TRUE(byVersion.CreateDispatch(SENNET_PROGID));
  byVersion.ReleaseDispatch();
  table.ReleaseDispatch();
  ASSERT_EQ(Export("DllUnregisterServer")(), S_OK);
  EXPECT_EQ(RegString(key), L"<no key>");
  EXPECT_EQ(RegString(SENNET_VI_PROGID), L"<no key>");
  EXPECT_FALSE(byVersion.CreateDispatch(SENNET_PROGID));
}

TEST_F(SennetComponentTest, SetCreatesOneEntryAndChangesItInPlace) {
  Open("<types/>");
  EXPECT_EQ(Get(L"80000A0B0C0D0E0F", 5).ret, 0);
  Set(5, L"UNVT_temp", L"80000A0B0C0D0E0F", 2);
  const std::string once =
      "<types><node><pid>80000A0B0C0D0E0F</pid><nv><index>5</index><type>UNVT_temp</type><selector>2</selector></nv>"
      "</node></types>";
  EXPECT_EQ(ReadFile(), once);
  Entry e = Get(L"80000A0B0C0D0E0F", 5);
  EXPECT_EQ(e.ret, 1);
  EXPECT_EQ(e.type, L"UNVT_temp");
  EXPECT_EQ(e.selector, 2);

  Set(5, L"UNVT_other", L"80000A0B0C0D0E0F", -3);
  std::string changed = once;
  changed.replace(changed.find("UNVT_temp"), 9, "UNVT_other");
  changed.replace(changed.find("<selector>2<"), 12, "<selector>-3<");
  EXPECT_EQ(ReadFile(), changed);

  Set(-1, L"", L"80000a0b0c0d0e0f", 0);  // lower case: another program ID; empty name kept as empty text
  EXPECT_NE(ReadFile().find("<pid>80000a0b0c0d0e0f</pid><nv><index>-1</index><type /><selector>0</selector>"),
            std::string::npos);
  e = Get(L"80000a0b0c0d0e0f", -1);
  EXPECT_EQ(e.ret, 1);
  EXPECT_EQ(e.type, L"");
  EXPECT_EQ(Get(L"80000a0b0c0d0e0f", 5).ret, 0);
  EXPECT_EQ(Get(L"80000A0B0C0D0E0F", 5).type, L"UNVT_other");
}

TEST_F(SennetComponentTest, LookupsFollowTheFileFormat) {
  Open(R"(<?xml version="1.0"?>
<table>
  <node>
    <pid>A</pid>
    <nv><index>05</index><type>Padded</type><selector>1</selector></nv>
    <nv><index>7</index><type>First</type><type>Last</type><selector>4</selector><selector>9</selector></nv>
    <nv><index>8</index></nv>
    <nv><index>9</index><type>Odd</type><selector> 12abc</selector></nv>
    <nv><type>NoIndex</type><index>10</index></nv>
  </node>
  <group>
    <deeper>
      <node><pid>B</pid><nv><index>1</index><type>Deep</type><selector>3</selector></nv>
        <node><pid>C</pid><nv><index>1</index><type>Hidden</type></nv></node>
      </node>
    </deeper>
  </group>
  <node><comment/><pid>D</pid><nv><index>1</index><type>NotFirst</type></nv></node>
</table>
)");
  struct Case {
    const wchar_t* pid;
    short index;
    Entry want;
  } cases[] = {
      {L"A", 5, {0, L"", 77}},           // "05" is not 5
      {L"A", 7, {1, L"Last", 9}},        // the last of several children
      {L"A", 8, {1, L"", 0}},            // no type, no selector
      {L"A", 9, {1, L"Odd", 12}},        // the selector read as atoi reads it
      {L"A", 10, {0, L"", 77}},          // "index" must come first
      {L"B", 1, {1, L"Deep", 3}},        // nested below the document element
      {L"C", 1, {0, L"", 77}},           // inside a node that does not match
      {L"D", 1, {0, L"", 77}},           // "pid" must be the first child
      {L"a", 7, {0, L"", 77}},           // program IDs compare exactly
      {L"Z", 1, {0, L"", 77}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pid << " " << c.index);
    Entry e = Get(c.pid, c.index);
    EXPECT_EQ(e.ret, c.want.ret);
    EXPECT_EQ(e.type, c.want.type);
    EXPECT_EQ(e.selector, c.want.selector);
  }
}

TEST_F(SennetComponentTest, RemoveDropsTheEntryAndAlwaysRewritesTheFile) {
  Open("<t>\n  <node><pid>P</pid><nv><index>1</index><type>X</type><selector>0</selector></nv></node>\n</t>\n");
  Remove(L"P", 2);  // nothing to remove: written anew all the same
  EXPECT_EQ(ReadFile(), "<t><node><pid>P</pid><nv><index>1</index><type>X</type><selector>0</selector></nv></node></t>");
  Remove(L"P", 1);
  EXPECT_EQ(ReadFile(), "<t><node><pid>P</pid></node></t>");  // the node stays
  EXPECT_EQ(Get(L"P", 1).ret, 0);
  table.InvokeMethod(DISPID_CLOSE_FILE);  // changes nothing
  Set(1, L"Y", L"P", 0);
  EXPECT_EQ(Get(L"P", 1).type, L"Y");
}

TEST_F(SennetComponentTest, DocumentElementThatIsANodeStillFindsAddedNodes) {
  Open("<node><pid>A</pid><nv><index>1</index><type>Top</type><selector>0</selector></nv></node>");
  EXPECT_EQ(Get(L"A", 1).type, L"Top");
  Set(2, L"Added", L"B", 0);
  Set(2, L"Again", L"B", 1);
  EXPECT_EQ(ReadFile(),
            "<node><pid>A</pid><nv><index>1</index><type>Top</type><selector>0</selector></nv>"
            "<node><pid>B</pid><nv><index>2</index><type>Again</type><selector>1</selector></nv></node></node>");
  EXPECT_EQ(Get(L"B", 2).selector, 1);
}

TEST_F(SennetComponentTest, WithoutADocumentElementNothingIsWritten) {
  const char* files[] = {nullptr, "", "<?xml version=\"1.0\"?>\n", "<t><unclosed></t>", "\xFF\xFE<"};
  for (const char* bytes : files) {
    SCOPED_TRACE(bytes ? bytes : "(missing)");
    std::filesystem::remove(file);
    if (bytes) WriteFile(bytes);
    const std::string before = bytes ? ReadFile() : std::string();
    EXPECT_NO_THROW(table.InvokeMethod(DISPID_OPEN_FILE, std::filesystem::path(file).wstring()));  // S_FALSE
    EXPECT_EQ(Get(L"P", 1).ret, 0);
    EXPECT_THROW(Set(1, L"T", L"P", 0), COleDispatchException);
    EXPECT_THROW(Remove(L"P", 1), COleDispatchException);
    EXPECT_EQ(std::filesystem::exists(file), bytes != nullptr);
    if (bytes) {
      EXPECT_EQ(ReadFile(), before);
    }
  }
}

TEST_F(SennetComponentTest, FailedSaveIsReportedAndKeepsTheChangeInMemory) {
  std::filesystem::create_directory(root.Path() + "/sub");
  file = root.Path() + "/sub/nv_types.xml";
  Open("<t/>");
  std::filesystem::remove_all(root.Path() + "/sub");
  try {
    Set(3, L"Kept", L"P", 0);
    ADD_FAILURE() << "the save did not fail";
  } catch (const COleDispatchException& e) {
    EXPECT_EQ(e.m_scode & 0xFFFF0000, 0x80070000);  // the file system's error
  }
  EXPECT_EQ(Get(L"P", 3).type, L"Kept");
}

}  // namespace
