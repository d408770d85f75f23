#pragma once
// ISuggestProvider: what a CSuggestEdit offers while the user types, and what it puts into the
// edit when one offer is chosen. Called on the user-interface thread.

#include <vector>

#include "framework/String.h"

class ISuggestProvider {
public:
    virtual ~ISuggestProvider() = default;

    // Replaces `suggestions` with the display texts offered for the typed text.
    virtual void GetSuggestions(const CString& typed, std::vector<CString>& suggestions) = 0;
    // The text that stands for offer `index` of the last GetSuggestions; empty outside them.
    virtual CString GetSuggestionText(int index) = 0;
};
