#include "foundation/shared/ByteBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A one-dimensional byte array laid out as OLE does, without the automation runtime.
struct FakeByteArray {
  explicit FakeByteArray(std::vector<BYTE> data, LONG lower = 0) : bytes(std::move(data)) {
    array.cDims = 1;
    array.cbElements = 1;
    array.pvData = bytes.data();
    array.rgsabound[0].cElements = static_cast<ULONG>(bytes.size());
    array.rgsabound[0].lLbound = lower;
  }
  std::vector<BYTE> bytes;
  SAFEARRAY array{};
};

VARIANT ArrayVariant(SAFEARRAY* array) {
  VARIANT v{};
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = array;
  return v;
}

}  // namespace

TEST(ByteBuffer, InlineUpToTenBytesHeapAbove) {
  CByteBuffer buffer;
  buffer.Resize(10);
  EXPECT_TRUE(buffer.IsInline());
  buffer.Resize(11);
  EXPECT_FALSE(buffer.IsInline());
  EXPECT_EQ(buffer.GetSize(), 11);
}

TEST(ByteBuffer, ResizeKeepsDataAtSameSizeAndClearsOtherwise) {
  for (int size : {4, 20}) {
    CByteBuffer buffer;
    buffer.Resize(size);
    buffer.GetData()[0] = 0x5A;
    buffer.Resize(size);
    EXPECT_EQ(buffer.GetData()[0], 0x5A) << size;
    buffer.Resize(-1);
    EXPECT_EQ(buffer.GetSize(), size);
    buffer.Resize(size + 1);
    EXPECT_EQ(buffer.GetData()[0], 0) << size;
  }
}

TEST(ByteBuffer, CopiesAreDeepAndFreeEmpties) {
  CByteBuffer a;
  a.Resize(16);
  a.GetData()[15] = 7;
  CByteBuffer b(a);
  CByteBuffer c;
  c = a;
  a.GetData()[15] = 9;
  EXPECT_EQ(b.GetData()[15], 7);
  EXPECT_EQ(c.GetData()[15], 7);
  EXPECT_NE(b.GetData(), a.GetData());
  a.Free();
  EXPECT_EQ(a.GetSize(), 0);
  EXPECT_EQ(a.ToHexString(0), L"");
  a.Free();  // twice is harmless
  CByteBuffer& self = c;  // through a reference, so the compiler does not object
  c = self;
  EXPECT_EQ(c.GetData()[15], 7);
}

TEST(ByteBuffer, FromByteArrayVariantForms) {
  FakeByteArray fake({1, 2, 3, 4}, 1);  // bounds 1 to 4
  VARIANT direct = ArrayVariant(&fake.array);
  EXPECT_EQ(CByteBuffer(direct).ToHexString(L' '), L"01 02 03 04");

  SAFEARRAY* pointer = &fake.array;
  VARIANT byRef{};
  byRef.vt = VT_BYREF | VT_ARRAY | VT_UI1;
  byRef.pparray = &pointer;
  EXPECT_EQ(CByteBuffer(byRef).GetSize(), 4);

  VARIANT outer{};
  outer.vt = VT_BYREF | VT_VARIANT;
  outer.pvarVal = &direct;
  EXPECT_EQ(CByteBuffer(outer).GetSize(), 4);
}

TEST(ByteBuffer, UnusableVariantsGiveEmptyBuffers) {
  FakeByteArray empty({});
  FakeByteArray wide({1, 2, 3, 4});
  wide.array.cbElements = 2;
  FakeByteArray huge({1});
  huge.array.rgsabound[0].cElements = 0xFFFFFFFFu;
  huge.array.rgsabound[0].lLbound = 0x7FFFFFFF;  // upper bound would overflow 32 bits

  VARIANT bstr{};
  bstr.vt = VT_BSTR;
  VARIANT nullArray = ArrayVariant(nullptr);
  VARIANT nullRef{};
  nullRef.vt = VT_BYREF | VT_ARRAY | VT_UI1;
  nullRef.pparray = nullptr;
  VARIANT nullOuter{};
  nullOuter.vt = VT_BYREF | VT_VARIANT;
  nullOuter.pvarVal = nullptr;
  const VARIANT cases[] = {bstr, nullArray, nullRef, nullOuter, ArrayVariant(&empty.array), ArrayVariant(&wide.array),
                           ArrayVariant(&huge.array)};
  for (const VARIANT& v : cases) EXPECT_EQ(CByteBuffer(v).GetSize(), 0) << v.vt;
}
