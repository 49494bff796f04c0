// The text, hex and LON-address parsers of dialogs and files, and the tokenizer of the values
// clients write: whatever they accept they write back in a form they read again to the same
// value.
#include <vector>

#include "foundation/Conversions.h"
#include "foundation/DomainId.h"
#include "foundation/shared/HexConversions.h"
#include "fuzz/FuzzSupport.h"
#include "ombrel/KxTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaly::fuzz::Input in(data, size);
  const wchar_t separator = static_cast<wchar_t>(in.Byte() % 2 ? L'.' : 0);
  const CString text(in.Text(128).c_str());

  UINT value = 0x5A5A5A5A;
  if (TextToHex32(text, value)) {
    UINT again = 0;
    FUZZ_CHECK(TextToHex32(Hex32ToText(value), again) && again == value);
  } else {
    FUZZ_CHECK(value == 0x5A5A5A5A);  // nothing read, nothing changed
  }

  BYTE bytes[16];
  const int count = HexStringToBytes(text, bytes, 16);
  FUZZ_CHECK(count >= 0 && count <= 16);
  const CString hex = BytesToHexString(bytes, count, 0);
  FUZZ_CHECK(hex.GetLength() == count * 2);
  BYTE back[16];
  FUZZ_CHECK(HexStringToBytes(hex, back, 16) == count);
  for (int i = 0; i < count; ++i) FUZZ_CHECK(back[i] == bytes[i]);
  FUZZ_CHECK(IsHexString(hex, hex.GetLength()) == (count > 0 ? 1 : 0) || count == 0);

  CDomainId domain;
  domain.FromHexText(text, separator);
  CDomainId reread;
  reread.FromHexText(domain.ToHexText(), 0);
  FUZZ_CHECK(reread.ToHexText() == domain.ToHexText());

  std::vector<UINT> values;
  TextToUIntArray(values, text);
  std::vector<UINT> again;
  TextToUIntArray(again, UIntArrayToText(values));
  FUZZ_CHECK(again == values);

  // The tokens, joined again, are the text less one trailing delimiter.
  const wchar_t delimiter = separator != 0 ? separator : L';';
  CStringArray tokens;
  CKxTokenizer::SplitString(tokens, text, delimiter);
  CString joined;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (i > 0) joined += delimiter;
    joined += tokens[i];
  }
  CString expected = text;
  if (!expected.IsEmpty() && expected[expected.GetLength() - 1] == delimiter) expected = expected.Left(expected.GetLength() - 1);
  FUZZ_CHECK(joined == expected);
  return 0;
}
