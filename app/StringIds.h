#pragma once
// Numbers of the string-table texts that the application core loads (app/res/app.rc.in holds
// the texts). Macros, so that the resource compiler reads this header too.

#define IDS_UPDATE_CHECK_FAILED 155  // the update could not be fetched: check the connection
#define IDS_MAIL_NOT_SENT 158        // a link mail waits until the service is back
#define IDS_LINK_PAGE_PREFIX 159     // the web site's address followed by "fl.php?"
#define IDS_TAF_SUBJECT 162          // "The cool program Tarnix!"
#define IDS_TAF_BODY 163             // the recommendation, ending with the web site's host name
#define IDS_DOWNLOAD_DIR_INVALID 165 // the download folder is not valid or writable
#define IDS_INSTALLER_URL 172        // where the update's installer is fetched (the host is configuration)
#define IDS_LIST_FILE 173            // the transfer list's file name
