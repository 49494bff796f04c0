#include "opcserver/MatchPattern.h"

#include <cstdint>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

namespace {
wchar_t Upper(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

// One pattern element; every element but a star takes exactly one character.
struct Token {
  enum Kind { Star, Any, Digit, Literal, List };
  explicit Token(Kind k) : kind(k) {}
  Kind kind;
  wchar_t ch = 0;
  bool negated = false;
  bool matchesNothing = false;
  bool open = false;
  std::vector<std::pair<wchar_t, wchar_t>> ranges;

  bool Matches(wchar_t c) const {
    switch (kind) {
      case Any:
        return true;
      case Digit:
        return c >= L'0' && c <= L'9';
      case Literal:
        return c == ch;
      case List: {
        if (matchesNothing) return false;
        if (open && !negated) return true;
        bool in = false;
        for (const auto& r : ranges) in = in || (c >= r.first && c <= r.second);
        return in != negated;
      }
      case Star:
        break;
    }
    return false;
  }
};

std::vector<Token> Parse(const wchar_t* p) {
  std::vector<Token> tokens;
  while (*p) {
    wchar_t c = *p++;
    if (c == L'*') {
      if (tokens.empty() || tokens.back().kind != Token::Star) tokens.emplace_back(Token::Star);
    } else if (c == L'?') {
      tokens.emplace_back(Token::Any);
    } else if (c == L'#') {
      tokens.emplace_back(Token::Digit);
    } else if (c == L'[') {
      Token t(Token::List);
      if (*p == L'!') {
        t.negated = true;
        ++p;
      }
      while (*p && *p != L']') {
        wchar_t first = Upper(*p++);
        if (*p == L'-') {
          ++p;
          if (!*p || *p == L']') {
            t.matchesNothing = true;
            break;
          }
          t.ranges.emplace_back(first, Upper(*p++));
        } else {
          t.ranges.emplace_back(first, first);
        }
      }
      if (*p == L']') ++p;
      else t.open = true;
      tokens.push_back(std::move(t));
    } else {
      Token t(Token::Literal);
      t.ch = Upper(c);
      tokens.push_back(std::move(t));
    }
  }
  return tokens;
}
}  // namespace

bool MatchPattern(const wchar_t* text, const wchar_t* pattern) {
  if (!text || !pattern) return false;
  const std::vector<Token> tokens = Parse(pattern);
  // Greedy with one way back to the last star: every other element takes one character, so
  // this finds a match whenever there is one, in time linear in text times pattern.
  size_t t = 0, k = 0;
  size_t starToken = SIZE_MAX, starText = 0;
  const size_t n = std::char_traits<wchar_t>::length(text);
  while (t < n) {
    if (k < tokens.size() && tokens[k].kind == Token::Star) {
      starToken = k++;
      starText = t;
    } else if (k < tokens.size() && tokens[k].Matches(Upper(text[t]))) {
      ++k;
      ++t;
    } else if (starToken != SIZE_MAX) {
      k = starToken + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (k < tokens.size() && tokens[k].kind == Token::Star) ++k;
  return k == tokens.size();
}
