#include <gtest/gtest.h>

#include <string>

#include "opcserver/MatchPattern.h"

namespace {

TEST(MatchPatternTest, Table) {
  struct Case {
    const wchar_t* text;
    const wchar_t* pattern;
    bool match;
  } cases[] = {
      {L"NVa.1.2x", L"nv?.1.#*", true},  // case is ignored
      {L"NVa.1.x2", L"nv?.1.#*", false},
      {L"", L"", true},
      {L"", L"*", true},
      {L"a", L"", false},  // the whole text must match
      {L"abc", L"ab", false},
      {L"abc", L"a*c", true},
      {L"abcbc", L"*bc", true},
      {L"abc", L"a*b", false},
      {L"ab", L"a?b", false},
      {L"5", L"#", true},
      {L"x", L"#", false},
      {L"b", L"[a-c]", true},
      {L"B", L"[a-c]", true},
      {L"d", L"[a-c]", false},
      {L"d", L"[!a-c]", true},
      {L"b", L"[!a-c]", false},
      {L"e", L"[xa-ce]", true},
      {L"[", L"[[]", true},
      {L"x", L"[abc", true},    // an open list takes any one character
      {L"xy", L"[abc", false},  // but only one
      {L"x", L"[!abc", true},   // an open "!" list still tests its characters
      {L"a", L"[!abc", false},
      {L"a", L"[a-]", false},  // a range without its end matches nothing
      {L"a", L"[a-", false},
      {L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", L"*a*a*a*a*a*a*a*a*a*a*a*a*c", false},  // no blow-up
      {L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac", L"*a*a*a*a*a*a*a*a*a*a*a*a*c", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.match, MatchPattern(c.text, c.pattern))
        << ::testing::PrintToString(std::wstring(c.text)) << " ~ " << ::testing::PrintToString(std::wstring(c.pattern));
  EXPECT_FALSE(MatchPattern(nullptr, L"*"));
}

}  // namespace
