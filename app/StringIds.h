#pragma once
// Numbers of the string-table texts that the application core loads.

enum : unsigned {
    IDS_UPDATE_CHECK_FAILED = 155,  // the update could not be fetched: check the connection
    IDS_LINK_PAGE_PREFIX = 159,     // the web site's address followed by "fl.php?"
    IDS_TAF_SUBJECT = 162,          // "The cool program Tarnix!"
    IDS_TAF_BODY = 163,             // the recommendation, ending with the web site's host name
    IDS_DOWNLOAD_DIR_INVALID = 165, // the download folder is not valid or writable
    IDS_INSTALLER_URL = 172,        // where the update's installer is fetched (the host is configuration)
};
