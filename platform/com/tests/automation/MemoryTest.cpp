#include "platform/com/Memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(TaskMemory, ZeroBytesGiveUniquePointersAndNullFreesFine) {
  void* a = CoTaskMemAlloc(0);
  void* b = CoTaskMemAlloc(0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  CoTaskMemFree(a);
  CoTaskMemFree(b);
  CoTaskMemFree(nullptr);

  auto* p = static_cast<char*>(CoTaskMemRealloc(nullptr, 4));
  ASSERT_NE(p, nullptr);
  std::memcpy(p, "abc", 4);
  p = static_cast<char*>(CoTaskMemRealloc(p, 4000));
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p, "abc");
  EXPECT_EQ(CoTaskMemRealloc(p, 0), nullptr);  // freed
}

TEST(GlobalMemory, MoveableBlockCountsLocks) {
  HGLOBAL h = GlobalAlloc(GHND, 16);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 16u);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  EXPECT_NE(static_cast<void*>(p), h);  // a handle, not the address
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
  EXPECT_EQ(GlobalHandle(p), h);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));  // not locked any more
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, ReAllocKeepsTheMoveableHandleAndTheData) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(h), "xyz", 4);
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 1000, GMEM_ZEROINIT), h);
  EXPECT_EQ(GlobalSize(h), 1000u);
  auto* p = static_cast<char*>(GlobalLock(h));
  EXPECT_STREQ(p, "xyz");
  EXPECT_EQ(p[999], 0);
  // A locked block may not move unless the caller allows it.
  EXPECT_EQ(GlobalReAlloc(h, 5000, 0), nullptr);
  EXPECT_EQ(GlobalSize(h), 1000u);
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(GlobalMemory, FixedBlockIsItsOwnAddress) {
  HGLOBAL h = GlobalAlloc(GPTR, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalLock(h), h);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GlobalHandle(h), h);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, BadOrFreedHandlesFailWithoutCrashing) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_EQ(GlobalFree(h), nullptr);
  int local = 0;
  for (HGLOBAL bad : {h, static_cast<HGLOBAL>(nullptr), static_cast<HGLOBAL>(&local)}) {
    EXPECT_EQ(GlobalLock(bad), nullptr);
    EXPECT_FALSE(GlobalUnlock(bad));
    EXPECT_EQ(GlobalSize(bad), 0u);
    EXPECT_EQ(GlobalFlags(bad), GMEM_INVALID_HANDLE);
    EXPECT_EQ(GlobalReAlloc(bad, 4, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalFree(bad), bad);
  }
  EXPECT_EQ(GlobalHandle(&local), nullptr);
}

}  // namespace
