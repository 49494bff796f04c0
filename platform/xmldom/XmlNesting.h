// How deeply a text nests its elements, counted before TinyXML parses it: TinyXML and the
// walks over its tree recurse once per level, so a hostile file must be refused first.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessaly {

// Deeper than any real file goes; deeper documents are refused by every loader.
constexpr size_t kMaxXmlNesting = 256;

// False when some element of text lies more than limit levels deep. Markup is read the way
// TinyXML reads it (comments, CDATA, declarations and "<!...>" hold no elements; quoted
// attribute values may hold '>'), so a text TinyXML would nest deeper is never let through.
bool XmlNestingWithin(std::string_view text, size_t limit = kMaxXmlNesting);

}  // namespace tessaly
