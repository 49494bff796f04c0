// The binary archive of older files: the three length forms of strings in both their forms,
// Windows-1252 and UTF-16 text, class references, and input that is short or lies about its
// lengths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/afx/Archive.h"

namespace {

const CRuntimeClass kBase = {"OBase", VERSIONABLE_SCHEMA | 1, nullptr};
const CRuntimeClass kDerived = {"ODerived", VERSIONABLE_SCHEMA | 1, &kBase};
const CRuntimeClass kOther = {"OOther", 2, nullptr};

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxRegisterRuntimeClass(&kBase);
    AfxRegisterRuntimeClass(&kDerived);
    AfxRegisterRuntimeClass(&kOther);
  }
  static CString ReadString(const std::vector<BYTE>& bytes) {
    CArchive ar(bytes.data(), bytes.size());
    CString text;
    ar >> text;
    EXPECT_EQ(0u, ar.GetBytesLeft());
    return text;
  }
  static int ReadFails(const std::vector<BYTE>& bytes, const CRuntimeClass* expected) {
    CArchive ar(bytes.data(), bytes.size());
    try {
      ar.ReadClass(expected);
      ar.ReadClass(expected);
    } catch (const CArchiveException& e) {
      return e.m_cause;
    }
    return CArchiveException::none;
  }
};

TEST_F(ArchiveTest, StringsOfEveryLengthFormComeBackAsWritten) {
  struct Case {
    size_t length;
    std::vector<BYTE> prefix;  // after the Unicode marker FF FE FF
  } cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {0xFFFD, {0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {0x10001, {0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    CString text;
    for (size_t i = 0; i < c.length; ++i) text.AppendChar(static_cast<wchar_t>(L'a' + i % 26));
    CArchive out;
    out << text;
    const std::vector<BYTE>& bytes = out.GetStoredBytes();
    ASSERT_EQ(3 + c.prefix.size() + 2 * c.length, bytes.size()) << c.length;
    EXPECT_EQ((std::vector<BYTE>{0xFF, 0xFE, 0xFF}), std::vector<BYTE>(bytes.begin(), bytes.begin() + 3));
    EXPECT_EQ(c.prefix, std::vector<BYTE>(bytes.begin() + 3, bytes.begin() + 3 + c.prefix.size())) << c.length;
    EXPECT_EQ(text, ReadString(bytes)) << c.length;
  }
}

TEST_F(ArchiveTest, AnsiTextIsWindows1252AndUtf16PairsAreOneCharacter) {
  EXPECT_EQ(CString(L"Caf\u00E9 \u20AC"), ReadString({0x06, 'C', 'a', 'f', 0xE9, ' ', 0x80}));
  // A 255-character ANSI string takes the 16-bit length form.
  std::vector<BYTE> longAnsi{0xFF, 0xFF, 0x00};
  longAnsi.insert(longAnsi.end(), 255, 'x');
  EXPECT_EQ(CString(std::wstring(255, L'x')), ReadString(longAnsi));
  // U+1F600 as a pair, then a lone high and a lone low surrogate.
  EXPECT_EQ(CString(std::wstring{static_cast<wchar_t>(0x1F600), 0xFFFD, L'a', 0xFFFD}),
            ReadString({0xFF, 0xFE, 0xFF, 0x05, 0x3D, 0xD8, 0x00, 0xDE, 0x3D, 0xD8, 'a', 0x00, 0x00, 0xDE}));
}

TEST_F(ArchiveTest, LengthsBeyondTheBytesLeftFailBeforeAnythingIsAllocated) {
  const std::vector<std::vector<BYTE>> lies = {
      {0x05, 'a', 'b'},                                                    // 5 ANSI bytes, 2 there
      {0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00},                                 // 2 units, 1 there
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},                                // 32-bit length 0xFFFFFFFF, then nothing
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // 64-bit
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0x00},  // Unicode, 0xFFFFFFFF units
  };
  for (const auto& bytes : lies) {
    CArchive ar(bytes.data(), bytes.size());
    CString text;
    try {
      ar >> text;
      ADD_FAILURE() << "read a string of " << bytes.size() << " bytes";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(CArchiveException::endOfFile, e.m_cause);
    }
  }
}

TEST_F(ArchiveTest, ClassReferencesAreNewThenBackReferencesAndMustFitWhatIsExpected) {
  CArchive out;
  out.WriteClass(&kDerived);
  out.WriteClass(&kDerived);
  const std::vector<BYTE>& bytes = out.GetStoredBytes();
  EXPECT_EQ((std::vector<BYTE>{0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00, 'O', 'D', 'e', 'r', 'i', 'v', 'e', 'd', 0x01, 0x80}),
            bytes);
  CArchive in(bytes.data(), bytes.size());
  UINT schema = 0;
  EXPECT_EQ(&kDerived, in.ReadClass(&kBase, &schema)) << "a derived class is what a base asks for";
  EXPECT_EQ(1u, schema);
  EXPECT_EQ(&kDerived, in.ReadClass(&kDerived));

  struct Case {
    const char* what;
    std::vector<BYTE> bytes;
    const CRuntimeClass* expected;
    int cause;
  } cases[] = {
      {"wrong class", {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00, 'O', 'B', 'a', 's', 'e'}, &kDerived, CArchiveException::badClass},
      {"unknown name", {0xFF, 0xFF, 0x01, 0x00, 0x03, 0x00, 'X', 'Y', 'Z'}, nullptr, CArchiveException::badClass},
      {"name too long", {0xFF, 0xFF, 0x01, 0x00, 0x40, 0x00}, nullptr, CArchiveException::badClass},
      {"back-reference out of range", {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00, 'O', 'B', 'a', 's', 'e', 0x02, 0x80}, nullptr,
       CArchiveException::badIndex},
      {"back-reference to the wrong class",
       {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00, 'O', 'B', 'a', 's', 'e', 0x01, 0x80}, &kDerived, CArchiveException::badClass},
      {"null reference", {0x00, 0x00}, nullptr, CArchiveException::badIndex},
      {"object tag", {0x01, 0x00}, nullptr, CArchiveException::badIndex},
      {"big back-reference out of range", {0xFF, 0x7F, 0x05, 0x00, 0x00, 0x80}, nullptr, CArchiveException::badIndex},
      {"schema of an unversioned class", {0xFF, 0xFF, 0x03, 0x00, 0x06, 0x00, 'O', 'O', 't', 'h', 'e', 'r'}, nullptr,
       CArchiveException::badSchema},
      {"short name", {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00, 'O', 'B'}, nullptr, CArchiveException::endOfFile},
  };
  for (const Case& c : cases) EXPECT_EQ(c.cause, ReadFails(c.bytes, c.expected)) << c.what;
}

TEST_F(ArchiveTest, ATruncatedArchiveFailsAtEveryOffset) {
  CArchive out;
  out.WriteClass(&kDerived);
  out << static_cast<WORD>(7) << CString(L"caf\u00E9") << static_cast<DWORD>(9);
  out.WriteClass(&kDerived);
  out << CString(std::wstring(300, L'x'));
  const std::vector<BYTE> whole = out.GetStoredBytes();
  for (size_t size = 0; size < whole.size(); ++size) {
    // A copy of exactly `size` bytes, so ASan sees any read past it.
    std::vector<BYTE> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    CArchive in(cut.data(), cut.size());
    try {
      WORD w = 0;
      DWORD d = 0;
      CString a, b;
      in.ReadClass(&kBase);
      in >> w >> a >> d;
      in.ReadClass(&kBase);
      in >> b;
      ADD_FAILURE() << "read " << size << " bytes as a whole";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(CArchiveException::endOfFile, e.m_cause) << size;
    }
  }
}

}  // namespace
