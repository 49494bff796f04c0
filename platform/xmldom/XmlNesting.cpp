#include "platform/xmldom/XmlNesting.h"

namespace tessaly {

namespace {

bool StartsWith(std::string_view text, size_t at, std::string_view prefix) {
  return text.substr(at, prefix.size()) == prefix;
}

bool IsNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  // TinyXML takes any byte above 127 as a letter.
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u >= 0x80;
}

// The position just past the first end after from, or npos.
size_t After(std::string_view text, size_t from, std::string_view end) {
  const size_t at = text.find(end, from);
  return at == std::string_view::npos ? at : at + end.size();
}

}  // namespace

bool XmlNestingWithin(std::string_view text, size_t limit) {
  size_t depth = 0;
  size_t i = 0;
  while ((i = text.find('<', i)) != std::string_view::npos) {
    if (StartsWith(text, i, "<!--")) {
      i = After(text, i + 4, "-->");
    } else if (StartsWith(text, i, "<![CDATA[")) {
      i = After(text, i + 9, "]]>");
    } else if (StartsWith(text, i, "</")) {
      if (depth > 0) --depth;
      i = After(text, i + 2, ">");
    } else if (i + 1 < text.size() && IsNameStart(text[i + 1])) {
      // A start tag: up to its '>' outside quotes; "/>" opens nothing.
      size_t j = i + 1;
      char quote = 0;
      for (; j < text.size(); ++j) {
        const char c = text[j];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        }
      }
      // "/>" opens nothing; an unterminated tag still opens a level for TinyXML's reader.
      const bool empty = j < text.size() && text[j - 1] == '/';
      if (!empty && ++depth > limit) return false;
      if (j >= text.size()) break;
      i = j + 1;
    } else {
      // "<?...>", "<!...>" and anything TinyXML keeps as an unknown node: up to the next '>'.
      i = After(text, i + 1, ">");
    }
    if (i == std::string_view::npos) break;
  }
  return true;
}

}  // namespace tessaly
