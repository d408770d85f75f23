// Throw-away stand-in for the XML store until it lands: saves succeed and write nothing, loads
// find nothing.
#include "app/XmlStore.h"

bool SaveTransferListXml(const CString&, const std::vector<STransferListItem>&) { return true; }
bool LoadTransferListXml(const CString&, std::vector<STransferListItem>&) { return false; }
bool SaveSleepingXml(const CString&, const std::vector<CFileLink>&, const std::vector<CTAFEmail>&) { return true; }
bool LoadSleepingXml(const CString&, std::vector<CFileLink>&, std::vector<CTAFEmail>&) { return false; }
bool SaveItemsXml(const CString&, const CItemList&) { return true; }
bool LoadItemsXml(const CString&, CItemList&) { return false; }

#include "app/SenderAddressBook.h"

void RememberSender(const CString&) {}
