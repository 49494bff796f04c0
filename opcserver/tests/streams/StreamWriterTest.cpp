// The OPC 1.0 streams byte for byte, against small golden fixtures in the 32-bit layout.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "opcserver/OPCStreamWriter.h"
#include "platform/com/Activation.h"
#include "platform/com/Bstr.h"
#include "platform/com/Memory.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"

namespace {

std::vector<BYTE> Hex(const std::string& text) {
  std::vector<BYTE> out;
  std::istringstream in(text);
  std::string byte;
  while (in >> byte) out.push_back(static_cast<BYTE>(std::stoul(byte, nullptr, 16)));
  return out;
}

// The block's bytes; its size through blockSize.
std::vector<BYTE> Take(HGLOBAL block, size_t* blockSize = nullptr) {
  size_t size = GlobalSize(block);
  if (blockSize) *blockSize = size;
  const BYTE* p = static_cast<const BYTE*>(GlobalLock(block));
  std::vector<BYTE> bytes(p, p + size);
  GlobalUnlock(block);
  GlobalFree(block);
  return bytes;
}

DWORD DwordAt(const std::vector<BYTE>& b, size_t offset) {
  DWORD v;
  std::memcpy(&v, b.data() + offset, 4);
  return v;
}

// The stream up to its dwSize.
std::vector<BYTE> Stream(const std::vector<BYTE>& block) {
  return std::vector<BYTE>(block.begin(), block.begin() + DwordAt(block, 0));
}

struct Values {
  Values() {
    for (VARIANT& v : values) VariantInit(&v);
  }
  ~Values() {
    for (VARIANT& v : values) VariantClear(&v);
  }
  VARIANT values[2];
};

const FILETIME kTimes[2] = {{0x01020304, 0x05060708}, {0x11121314, 0x15161718}};

class StreamWriterTest : public ::testing::Test {
 protected:
  // An I2 of good quality and the string "abc" of bad quality.
  void SetUp() override {
    v.values[0].vt = VT_I2;
    v.values[0].iVal = 0x1234;
    v.values[1].vt = VT_BSTR;
    v.values[1].bstrVal = SysAllocString(L"abc");
  }
  std::vector<BYTE> Write(bool withTime) {
    HGLOBAL block = nullptr;
    EXPECT_EQ(S_OK, COPCStreamWriter::WriteDataStream(withTime, 0x11, 5, 2, clients, v.values, qualities, kTimes,
                                                      &block));
    return Take(block);
  }
  Values v;
  OPCHANDLE clients[2] = {1, 2};
  WORD qualities[2] = {0xC0, 0x00};
};

TEST_F(StreamWriterTest, DataLeavesABadValueEmpty) {
  EXPECT_EQ(Hex("4C 00 00 00  02 00 00 00  11 00 00 00  05 00 00 00  00 00 00 00 "
                "01 00 00 00  2C 00 00 00  C0 00  00 00 "
                "02 00 00 00  3C 00 00 00  00 00  00 00 "
                "02 00 00 00 00 00 00 00  34 12 00 00 00 00 00 00 "
                "00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00"),
            Stream(Write(false)));
}

TEST_F(StreamWriterTest, DataWithTimeCarriesEveryValueAndItsTime) {
  EXPECT_EQ(Hex("68 00 00 00  02 00 00 00  11 00 00 00  05 00 00 00  00 00 00 00 "
                "01 00 00 00  3C 00 00 00  C0 00  00 00  04 03 02 01 08 07 06 05 "
                "02 00 00 00  4C 00 00 00  00 00  00 00  14 13 12 11 18 17 16 15 "
                "02 00 00 00 00 00 00 00  34 12 00 00 00 00 00 00 "
                "08 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00 "  // the pointer goes as 0
                "06 00 00 00  61 00 62 00 63 00  00 00"),
            Stream(Write(true)));
}

TEST(StreamWriterFixtureTest, AnR8ArrayOfThree) {
  Values v;
  v.values[0].vt = VT_ARRAY | VT_R8;
  v.values[0].parray = SafeArrayCreateVector(VT_R8, 0, 3);
  double* data = nullptr;
  ASSERT_EQ(S_OK, SafeArrayAccessData(v.values[0].parray, reinterpret_cast<void**>(&data)));
  data[0] = 1.0;
  data[1] = 2.0;
  data[2] = -0.5;
  SafeArrayUnaccessData(v.values[0].parray);
  OPCHANDLE client = 7;
  WORD quality = 0xC0;
  HGLOBAL block = nullptr;
  ASSERT_EQ(S_OK, COPCStreamWriter::WriteDataStream(false, 0x11, 0, 1, &client, v.values, &quality, kTimes, &block));
  EXPECT_EQ(Hex("60 00 00 00  01 00 00 00  11 00 00 00  00 00 00 00  00 00 00 00 "
                "07 00 00 00  20 00 00 00  C0 00  00 00 "
                "05 20 00 00 00 00 00 00  00 00 00 00 00 00 00 00 "
                "01 00  80 00  08 00 00 00  00 00 00 00  00 00 00 00  03 00 00 00  00 00 00 00 "
                "00 00 00 00 00 00 F0 3F  00 00 00 00 00 00 00 40  00 00 00 00 00 00 E0 BF"),
            Stream(Take(block)));
}

TEST(StreamWriterFixtureTest, AnEmptyStreamIsItsHeaderInOneStep) {
  HGLOBAL block = nullptr;
  ASSERT_EQ(S_OK, COPCStreamWriter::WriteDataStream(true, 0x11, 0, 0, nullptr, nullptr, nullptr, nullptr, &block));
  size_t blockSize = 0;
  auto bytes = Take(block, &blockSize);
  EXPECT_EQ(Hex("14 00 00 00  00 00 00 00  11 00 00 00  00 00 00 00  00 00 00 00"), Stream(bytes));
  EXPECT_EQ(4096u, blockSize);
}

TEST(StreamWriterFixtureTest, AWriteCompleteWithOneFailure) {
  OPCHANDLE clients[2] = {1, 2};
  HRESULT errors[2] = {S_OK, E_FAIL};
  HGLOBAL block = nullptr;
  ASSERT_EQ(S_OK, COPCStreamWriter::WriteWriteCompleteStream(0x11, 9, 2, clients, errors, &block));
  auto bytes = Take(block);
  bytes.resize(32);
  EXPECT_EQ(Hex("02 00 00 00  11 00 00 00  09 00 00 00  01 00 00 00 "  // status S_FALSE
                "01 00 00 00  00 00 00 00  02 00 00 00  05 40 00 80"),
            bytes);
}

TEST(StreamWriterFixtureTest, TheBlockGrowsInWholeSteps) {
  constexpr DWORD n = 300;
  std::vector<OPCHANDLE> clients(n);
  std::vector<VARIANT> values(n);
  std::vector<WORD> qualities(n, 0xC0);
  std::vector<FILETIME> times(n);
  for (DWORD i = 0; i < n; ++i) {
    clients[i] = i + 1;
    values[i].vt = VT_R8;
    values[i].dblVal = i;
  }
  HGLOBAL block = nullptr;
  ASSERT_EQ(S_OK, COPCStreamWriter::WriteDataStream(false, 1, 0, n, clients.data(), values.data(), qualities.data(),
                                                    times.data(), &block));
  size_t blockSize = 0;
  auto bytes = Take(block, &blockSize);
  EXPECT_EQ(20u + 12 * n + 16 * n, DwordAt(bytes, 0));
  EXPECT_EQ(12288u, blockSize);
  // The last item's header points at its value.
  DWORD last = DwordAt(bytes, 20 + 12 * (n - 1) + 4);
  EXPECT_EQ(20u + 12 * n + 16 * (n - 1), last);
  double d;
  std::memcpy(&d, bytes.data() + last + 8, 8);
  EXPECT_EQ(n - 1.0, d);
}

// What follows the item header for values of other shapes.
TEST(StreamWriterFixtureTest, ValueShapes) {
  auto emptyValue = Hex("00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00");
  struct Case {
    const char* name;
    void (*make)(VARIANT*);
    std::vector<BYTE> expected;
  } cases[] = {
      {"a character beyond the BMP counts as a surrogate pair",
       [](VARIANT* v) {
         v->vt = VT_BSTR;
         v->bstrVal = SysAllocString(L"\U0001F600");
       },
       Hex("08 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  04 00 00 00  3D D8 00 DE  00 00")},
      {"an empty string",
       [](VARIANT* v) {
         v->vt = VT_BSTR;
         v->bstrVal = SysAllocString(L"");
       },
       Hex("08 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  00 00 00 00  00 00")},
      {"a boolean",
       [](VARIANT* v) {
         v->vt = VT_BOOL;
         v->boolVal = VARIANT_TRUE;
       },
       Hex("0B 00 00 00 00 00 00 00  FF FF 00 00 00 00 00 00")},
      {"an array of strings",
       [](VARIANT* v) {
         v->vt = VT_ARRAY | VT_BSTR;
         v->parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
       },
       emptyValue},
      {"a two-dimensional array",
       [](VARIANT* v) {
         SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
         v->vt = VT_ARRAY | VT_R8;
         v->parray = SafeArrayCreate(VT_R8, 2, bounds);
       },
       emptyValue},
      {"a value by reference",
       [](VARIANT* v) {
         static LONG target = 5;
         v->vt = VT_BYREF | VT_I4;
         v->plVal = &target;
       },
       emptyValue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VARIANT value;
    VariantInit(&value);
    c.make(&value);
    OPCHANDLE client = 1;
    WORD quality = 0xC0;
    HGLOBAL block = nullptr;
    ASSERT_EQ(S_OK, COPCStreamWriter::WriteDataStream(true, 1, 0, 1, &client, &value, &quality, kTimes, &block));
    auto stream = Stream(Take(block));
    EXPECT_EQ(c.expected, std::vector<BYTE>(stream.begin() + 40, stream.end()));
    if (value.vt & VT_BYREF) value.vt = VT_EMPTY;  // not ours to free
    VariantClear(&value);
  }
}

TEST(StreamWriterFixtureTest, AStreamTheBlockCannotHoldIsNotWritten) {
  // A descriptor claiming 4 GB of elements: the block would pass its 32-bit offsets. The data
  // is never read.
  double one = 1.0;
  SAFEARRAY sa{};
  sa.cDims = 1;
  sa.cbElements = 8;
  sa.pvData = &one;
  sa.rgsabound[0].cElements = 0x1FFFFFFF;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_ARRAY | VT_R8;
  value.parray = &sa;
  OPCHANDLE client = 1;
  WORD quality = 0xC0;
  HGLOBAL block = reinterpret_cast<HGLOBAL>(0x1);
  EXPECT_EQ(E_OUTOFMEMORY, COPCStreamWriter::WriteDataStream(true, 1, 0, 1, &client, &value, &quality, kTimes, &block));
  EXPECT_EQ(nullptr, block);
}

TEST(StreamWriterFixtureTest, FormatsAreRegisteredOnceAndDistinct) {
  const COPCStreamFormats& f = GetOpcStreamFormats();
  EXPECT_EQ(f.data, RegisterClipboardFormatW(L"OPCSTMFORMATDATA"));
  EXPECT_EQ(f.dataTime, RegisterClipboardFormatW(L"OPCSTMFORMATDATATIME"));
  EXPECT_EQ(f.writeComplete, RegisterClipboardFormatW(L"OPCSTMFORMATWRITECOMPLETE"));
  EXPECT_NE(f.data, f.dataTime);
}

}  // namespace
