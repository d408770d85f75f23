#pragma once
// Parsing one XML file of the store with pugixml. A damaged file must never yield part of its
// list, so only a document that parsed completely (pugixml's status, not the partial tree it
// keeps after an error) and has the expected root counts.

#include <cstddef>

#include <pugixml.hpp>

#include "app/portable/XmlStoreRecords.h"

namespace xmlstore {

// The document's encoding is detected (the store writes UTF-16 LE without a byte-order mark);
// whitespace-only texts are kept. False when the bytes are not a whole document whose root
// element is named `root`.
bool ParseDocument(const void* data, std::size_t size, const char* root, pugi::xml_document& document);

// The text of the child element `name` ("" when there is none) as UTF-16, and as parsed.
Text ChildText(const pugi::xml_node& node, const char* name);
const char* ChildValue(const pugi::xml_node& node, const char* name);

// Appends every "item" child of `node`: attribute "name", then the element's text.
void ReadItemElements(const pugi::xml_node& node, std::vector<Item>& items);

} // namespace xmlstore
