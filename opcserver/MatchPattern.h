// The name filter of browsing: the whole text against a pattern, case ignored.
//   *        any run of characters, also none
//   ?        one character
//   #        one decimal digit
//   [list]   one character of the list; a-z is a range; [!list] one character not in it
//   other    itself
// A list left open runs to the end of the pattern (without "!" it then takes any one character);
// a "-" before "]" or the end of the pattern makes the list match nothing.
#pragma once

bool MatchPattern(const wchar_t* text, const wchar_t* pattern);
