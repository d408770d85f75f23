#pragma once
// framework_gallery's dialog items: a framework dialog from its template with a report list, its
// header and buttons, then an owner-drawn popup menu over it.

namespace windowtest {
class CGallery;
}

// Shows them in turn; the number of items that failed.
int ShowDialogItems(windowtest::CGallery& gallery);
