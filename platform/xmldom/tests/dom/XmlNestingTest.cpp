#include "platform/xmldom/XmlNesting.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Nested(size_t depth, const std::string& open = "<a>", const std::string& close = "</a>") {
  std::string text;
  for (size_t i = 0; i < depth; ++i) text += open;
  for (size_t i = 0; i < depth; ++i) text += close;
  return text;
}

TEST(XmlNesting, CountsElementsTheWayTinyXmlReadsMarkup) {
  const struct {
    const char* name;
    std::string text;
    size_t limit;
    bool within;
  } cases[] = {
      {"flat", "<r><a/><c x='1'/></r>", 1, true},
      {"two levels", "<r><a></a></r>", 1, false},
      {"at the limit", Nested(256), 256, true},
      {"past the limit", Nested(257), 256, false},
      {"siblings do not add up", "<r>" + std::string(10000, 'x') + Nested(1) + Nested(1) + Nested(1) + "</r>", 2, true},
      {"unclosed tags still open levels", "<a><a><a>", 2, false},
      {"unterminated start tag", "<a><a", 1, false},
      {"empty elements open nothing", "<r><a/><a /><a x=\"/\"/></r>", 1, true},
      {"'>' inside a quoted value", "<r x='>'><a></a></r>", 1, false},
      {"'/>' inside a quoted value", "<r x=\"/>\"><a/></r>", 1, true},
      {"comments hold no elements", "<r><!-- <a><a><a> --></r>", 1, true},
      {"CDATA holds no elements", "<r><![CDATA[<a><a><a>]]></r>", 1, true},
      {"declarations and doctypes", "<?xml version=\"1.0\"?><!DOCTYPE r><?pi <a>?><r/>", 1, true},
      {"end tags below zero are ignored", "</a></a><r><a/></r>", 1, true},
      {"text markup is no tag", "<r>1 < 2 <3</r>", 1, true},
      {"bytes above 127 start names", "<r><\xC3\xA4><\xC3\xA4/></\xC3\xA4></r>", 1, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tessaly::XmlNestingWithin(c.text, c.limit), c.within) << c.name;
  }
}

TEST(XmlNesting, HostileDepthIsRefusedWithoutParsing) {
  EXPECT_FALSE(tessaly::XmlNestingWithin(Nested(100000)));
  EXPECT_FALSE(tessaly::XmlNestingWithin(Nested(100000, "<a/><a><!-- x -->", "</a>")));
  std::string opens;
  for (int i = 0; i < 100000; ++i) opens += "<a x='1'>";
  EXPECT_FALSE(tessaly::XmlNestingWithin(opens));
}

}  // namespace
