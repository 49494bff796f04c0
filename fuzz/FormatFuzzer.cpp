// The formatter under CString::Format and every message text: arbitrary formats with arbitrary
// arguments print something and never read or write outside what they were given.
#include <algorithm>
#include <string>
#include <vector>

#include "foundation/Conversions.h"
#include "fuzz/FuzzSupport.h"
#include "platform/win32/Format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaly::fuzz::Input in(data, size);
  const std::wstring format = in.Text(128);
  // Arguments of every kind the formatter takes, chosen by the input. The strings they point
  // at must not move, so their storage is reserved for the most there can be.
  constexpr uint8_t kMostArgs = 5;
  std::vector<std::wstring> wide;
  std::vector<std::string> narrow;
  wide.reserve(kMostArgs);
  narrow.reserve(kMostArgs);
  std::vector<FormatArg> args;
  int target = 0;
  for (uint8_t n = in.Byte() % (kMostArgs + 1); n > 0; --n) {
    const uint8_t kind = in.Byte() % 8;
    const int64_t number = static_cast<int64_t>(in.Byte()) << 56 | static_cast<int64_t>(in.Byte()) << 8 | in.Byte();
    switch (kind) {
      case 0: args.emplace_back(static_cast<int>(number)); break;
      case 1: args.emplace_back(static_cast<unsigned>(number)); break;
      case 2: args.emplace_back(number); break;
      case 3: args.emplace_back(static_cast<double>(number) / 7.0); break;
      case 4: wide.push_back(in.Text(16)); args.emplace_back(wide.back()); break;
      case 5: narrow.emplace_back(reinterpret_cast<const char*>(in.RestData()), std::min<size_t>(in.RestSize(), 8)); args.emplace_back(narrow.back()); break;
      case 6: args.emplace_back(&target); break;
      default: args.emplace_back(static_cast<wchar_t>(number)); break;
    }
  }
  const std::wstring out = FormatArgs(format.c_str(), args.data(), args.size());
  FUZZ_CHECK(target == 0);  // %n never writes
  FUZZ_CHECK(out.size() < 1u << 20);

  // A resource format with one argument, as dialog fields use it.
  const CString field = FormatFieldText(CString(format.c_str()), CString(in.Text(32).c_str()));
  (void)field;
  return 0;
}
