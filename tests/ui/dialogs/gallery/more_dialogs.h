#pragma once
// Gallery items beyond the address book and the send wizard: the options, speed, update and
// about dialogs and the update download. Each returns the number of items that could not be
// shown.

class CSettingsManager;

namespace windowtest {
class CGallery;
}

int ShowSettingsDialogs(windowtest::CGallery& gallery, CSettingsManager& settings);
