#pragma once
// The MSXML document object model for the mail documents. MinGW's msxml2.h declares the class
// ids but its libraries define only the oldest ones, so the ids used here are defined in
// Msxml.cpp. CLSID_DOMDocument (msxml2.h maps it to CLSID_DOMDocument2) is the
// version-independent "Msxml2.DOMDocument"; CLSID_DOMDocument30 is "Msxml2.DOMDocument.3.0".
// The IXMLDOM* interface ids come from libuuid.

#include <windows.h>
#include <msxml2.h>
