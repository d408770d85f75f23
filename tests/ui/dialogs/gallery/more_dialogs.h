#pragma once
// Gallery items beyond the address book and the send wizard: the options, speed, update and
// about dialogs, the update download, and the tell-a-friend wizard with its prompt. Each returns
// the number of items that could not be shown.

class CSettingsManager;

namespace windowtest {
class CGallery;
}

int ShowSettingsDialogs(windowtest::CGallery& gallery, CSettingsManager& settings);
int ShowTellAFriend(windowtest::CGallery& gallery, CSettingsManager& settings);
