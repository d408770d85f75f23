#pragma once
// Reading one cookie out of the cookie text a browser store gives for a site ("a=1; name=value;
// b=2"). Portable.

#include <string>

// The value of the cookie called `name`: the text after "name=" up to the next ";" (or the end).
// Only a whole cookie name counts ("Xname=" is another cookie). False when there is none.
bool FindCookieValue(const std::string& cookies, const std::string& name, std::string& value);
