// The size a large read's reply is given up front: its item states fit in the first segment,
// with little room left over, whatever the values are.
#include <gtest/gtest.h>

#include <capnp/message.h>
#include <capnp/serialize.h>

#include <functional>
#include <vector>

#include "interfaces/opc/rpc/OpcWire.h"
#include "platform/com/Bstr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"

namespace {

using namespace tessaly::rpc;

VARIANT Real(int i) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = i * 0.5;
  return v;
}

VARIANT Text(int i) {
  static const wchar_t* const kTexts[] = {L"", L"on", L"A longer text of a configuration property", L"\u00e4\u20ac\U0001F600"};
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(kTexts[i % 4]);
  return v;
}

VARIANT Array(int i) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_R8;
  v.parray = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(i % 12));
  return v;
}

VARIANT Empty(int) {
  VARIANT v;
  VariantInit(&v);
  return v;
}

TEST(ItemStatesSizeTest, AReplySizedUpFrontIsOneSegmentWithLittleToSpare) {
  const std::vector<std::pair<const char*, std::function<VARIANT(int)>>> kinds = {
      {"reals", Real}, {"texts", Text}, {"arrays", Array}, {"empties", Empty}};
  for (const auto& [name, make] : kinds) {
    for (uint32_t n : {1u, 1000u, 20000u}) {
      std::vector<OPCITEMSTATE> states(n);
      for (uint32_t i = 0; i < n; ++i) {
        states[i] = OPCITEMSTATE{};
        states[i].hClient = i;
        states[i].wQuality = 0xC0;
        states[i].vDataValue = make(static_cast<int>(i));
      }
      const uint64_t hint = ItemStatesWords(states.data(), n);
      capnp::MallocMessageBuilder message(static_cast<unsigned>(hint + 1), capnp::AllocationStrategy::FIXED_SIZE);
      EncodeItemStates(message.initRoot<capnp::AnyPointer>().initAs<capnp::List<opcwire::ItemState>>(n), states.data());
      EXPECT_EQ(1u, message.getSegmentsForOutput().size()) << name << " " << n;
      const uint64_t used = message.getSegmentsForOutput()[0].size();
      EXPECT_GE(used + used / 10 + 2, hint) << name << " " << n << ": far more room than the states take";
      for (OPCITEMSTATE& s : states) VariantClear(&s.vDataValue);
    }
  }
}

}  // namespace
