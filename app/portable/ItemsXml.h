#pragma once
// Items files such as "AddressBook.xml": root "items", one "item" per pair, the first member in
// the apostrophe-quoted attribute "name", the second as the element's text, no line breaks.

#include <cstddef>
#include <vector>

#include "app/portable/XmlStoreRecords.h"

namespace xmlstore {

Text WriteItems(const std::vector<Item>& items);

// False when the bytes are not a whole "items" document (nothing is appended); otherwise every
// "item" is appended to `items` in document order.
bool ReadItems(const void* data, std::size_t size, std::vector<Item>& items);

} // namespace xmlstore
