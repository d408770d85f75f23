#pragma once
// The CSS text-transform of a text run, before it is measured.

#include <string>

namespace htmltip {

// kTransformUpper and kTransformLower change the case of ASCII letters; kTransformCapitalize
// lower-cases the run and then capitalises each letter a-z that stands first or after a blank.
std::string TransformText(const std::string& run, int transform);

} // namespace htmltip
