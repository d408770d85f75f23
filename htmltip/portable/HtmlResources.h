#pragma once
// Which resource a tag names: an existing handle, a resource of the program or of another module,
// or a file.

#include <string>
#include <vector>

#include "htmltip/portable/HtmlCanvas.h"
#include "htmltip/portable/HtmlScanner.h"

namespace htmltip {

// Largest resource id: ids are 16-bit, and a larger number would be taken for a name's address.
constexpr int kMaxResourceId = 0xFFFF;

// From the attributes `handle`, `idres`, `iddll` with `srcdll`, and `file`, the first one given
// that is usable; origin kNone when none is (an id of 0 or beyond kMaxResourceId, `iddll`
// without `srcdll`, a handle of 0).
ResourceRef ResourceFromAttributes(const std::vector<HtmlAttribute>& attributes, ResourceRef::Kind kind);

// A table's `background`: "idres:N" or "file:PATH" (more than five characters in all); "iddll:"
// names the resource module, which the drawer never has, so it gives kNone like anything else.
ResourceRef BackgroundReference(const std::string& reference);

} // namespace htmltip
