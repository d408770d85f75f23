#pragma once
// Resource ids of the program's windows (ui.rc), in one header that both C++ and the resource
// compiler read: macros only. The tray probe icon belongs to widgets/res and the hand cursor to
// htmltip/res; the strings the core loads belong to app/res.

// Dialog templates.
#define IDD_ABOUT 100
#define IDD_MAIN 133
#define IDD_OPTIONS 157
#define IDD_ADDRESS_BOOK 160
#define IDD_ADDRESS_BOOK_ENTRY 162
#define IDD_SPEED 178
#define IDD_SELECT_FILES 184
#define IDD_REQUEST_APPROVAL 185
#define IDD_INFORMATION 186
#define IDD_TAF_PROMPT 196
#define IDD_SELECT_FRIENDS 198
#define IDD_UPDATE 229
#define IDD_UPDATE_DOWNLOAD 15001
#define IDD_TAF_MESSAGE 15002

// Menus: the main window's bar, the transfer context menu and the tray menu (each of the last
// two holds one popup).
#define IDM_MAIN 135
#define IDM_TRANSFER 137
#define IDM_TRAY 4

// Commands of the menus, the system menu and the balloon.
#define ID_ABOUT_BOX 16 // system menu item
#define ID_BALLOON_CLICK 1000
#define ID_SEND_FILE 32773
#define ID_ONLINE_HELP 32775
#define ID_ABOUT 32776
#define ID_ADDRESS_BOOK 32777
#define ID_OPTIONS 32778
#define ID_CANCEL_TRANSFER 32781
#define ID_TRAY_OPEN 32789
#define ID_CLEAN_COMPLETED 32793
#define ID_BANDWIDTH_POLITE 32794
#define ID_BANDWIDTH_NORMAL 32795
#define ID_BANDWIDTH_MAXIMAL 32796
#define ID_EXIT 32800
#define ID_OPEN_FILE 32801
#define ID_OPEN_FOLDER 32802
#define ID_RESEND_LINK 32807
#define ID_TELL_A_FRIEND 32808
#define ID_CHECK_UPDATES 32809
#define ID_FORWARD_FILE 32813
#define ID_GET_LINK 32817
#define ID_HIDE_WINDOW 57602 // "&Close" hides the program to the tray

// Controls. One number serves several dialogs; the comment names where.
#define IDC_SUGGEST_LIST 112 // the suggestion popup's list (made in code)
#define IDC_INPLACE_EDIT 114 // the address-book list's cell editor (made in code)
#define IDC_SLIDER 156       // the speed slider (made in code)
#define IDC_SEND 1001        // main window
#define IDC_LIST 1002        // main window's transfers; address-book and friends lists
#define IDC_SPEED 1003       // main window
#define IDC_PAUSE 1004       // main window's button, and its menu command
#define IDC_NAME 1006        // options, address-book entry, your information
#define IDC_EMAIL 1007       // address-book entry, your information
#define IDC_SENDTO_BUTTON 1008
#define IDC_SUBJECT 1012 // request approval, tell-a-friend message
#define IDC_MESSAGE 1013
#define IDC_TOTAL_SIZE 1014
#define IDC_DOWNLOAD_LOCATION 1016
#define IDC_MAX_DOWNLOADS 1017
#define IDC_BROWSE 1018
#define IDC_UPGRADE_YES 1019
#define IDC_UPGRADE_NO 1020
#define IDC_UNLIMITED_DOWNLOADS 1023
#define IDC_SHOW_SPLASH 1024
#define IDC_LOAD_ON_STARTUP 1025 // options
#define IDC_FROM 1025            // tell-a-friend message
#define IDC_MAX_UPLOADS 1026
#define IDC_UNLIMITED_UPLOADS 1027 // options
#define IDC_ADD 1027               // address book
#define IDC_EDIT 1028
#define IDC_REMOVE 1029
#define IDC_TITLE 1033           // bold title of the pages and dialogs
#define IDC_DONT_SHOW_AGAIN 1033 // tell-a-friend prompt
#define IDC_FILE_SIZE 1033       // update download
#define IDC_SELECT_FILES 1036
#define IDC_FILE_NAMES 1037
#define IDC_RECIPIENT 1040
#define IDC_FILES_LABEL 1041
#define IDC_SIZE_LABEL 1042
#define IDC_SENDTO 1049
#define IDC_STATUS_TEXT 1050
#define IDC_BACK 1055
#define IDC_SPEED_DESCRIPTION 1061
#define IDC_SPEED_NAME 1062
#define IDC_LOVE_TARNIX 1070
#define IDC_CHANGE 1078
#define IDC_BODY 1079
#define IDC_SYNC_OUTLOOK 1081
#define IDC_MY_EMAIL 1084
#define IDC_SELECT_ALL 1085
#define IDC_COPY_LINK 1089 // also the page's end code after copying
#define IDC_VERSION 1090
#define IDC_BUILD 1091
#define IDC_DOWNLOAD_RATE 15007
#define IDC_DOWNLOADED 15008
#define IDC_TIME_LEFT 15010
#define IDC_UPDATE_BUTTON 15013
#define IDC_UPDATE_PROGRESS 15016

// Bitmaps. Button sets are normal / hover and pressed / disabled; pure green (0x00FF00) lies
// outside each button's outline.
#define IDB_PAUSE 147
#define IDB_RESUME 148
#define IDB_PAUSE_HOT 152
#define IDB_RESUME_HOT 153
#define IDB_SPLASH 158 // magenta (0xFF00FF) is transparent
#define IDB_SEND_FILE_BACKGROUND 167
#define IDB_MAIN_TOP 168
#define IDB_MAIN_BOTTOM 169
#define IDB_MAIN_MIDDLE 170
#define IDB_SEND 176
#define IDB_SEND_HOT 177
#define IDB_CONTACTS 180          // 24x24 images on black
#define IDB_DIALOG_BACKGROUND 181 // address book and speed
#define IDB_SLIDER_TRACK 182      // green-keyed
#define IDB_SLIDER_THUMB 183      // green-keyed, drawn at (13,10), (13,57), (13,104)
#define IDB_OPTIONS_BACKGROUND 201
#define IDB_TAF_PROMPT_BACKGROUND 202
#define IDB_TAF_BACKGROUND 203
#define IDB_TAF_NEXT 204
#define IDB_TAF_NEXT_DISABLED 205
#define IDB_TAF_NEXT_HOT 206
#define IDB_SPEED_HOT 220
#define IDB_SPEED 221
#define IDB_MENU_IMAGES 228 // eighteen 16x16 images on white, 0x36360C behind each picture
#define IDB_BUTTON_HOT 230
#define IDB_BUTTON 231
#define IDB_SELECT_FILES 232
#define IDB_SELECT_FILES_HOT 233
#define IDB_SENDTO 234
#define IDB_SENDTO_HOT 235
#define IDB_SMALL_BUTTON 236 // add, edit, remove
#define IDB_SMALL_BUTTON_HOT 237
#define IDB_ABOUT_BACKGROUND 238
#define IDB_BUTTON_DISABLED 239
#define IDB_UPLOAD_PROGRESS 244   // three 2x14 pieces: start, middle (rows 3-10 are RGB 2E A0 43), end
#define IDB_DOWNLOAD_PROGRESS 245 // the same; the middle's rows 3-10 are RGB E8 89 1C
#define IDB_FRIENDS 246           // 28x25
#define IDB_COPY_LINK 248
#define IDB_BUTTON_PRESSED 249
#define IDB_STATUS_BUTTON 250 // three 3-pixel pieces: left, middle, right
#define IDB_EXPANDED 251      // 13x13
#define IDB_COLLAPSED 252     // 13x13

// Icons (16x16 and 32x32 images).
#define IDI_SPEED 190
#define IDI_TARNIX 191
#define IDI_TRAY_FINISHED 192
#define IDI_TRAY_ONLINE 193
#define IDI_TRAY_OFFLINE 194
#define IDI_SORT_DESCENDING 208
#define IDI_SORT_ASCENDING 209
#define IDI_SORT_NONE 210
#define IDI_GROUP 213     // row image 1: group rows
#define IDI_DROP_DOWN 214 // row image 0: the status cell's drop-down mark
#define IDI_ADDRESS_BOOK 254
#define IDI_BALLOON 261
#define IDI_TRAY_BUSY_1 22814
#define IDI_TRAY_BUSY_2 22815
#define IDI_TRAY_BUSY_3 22816

// Strings.
#define IDS_ABOUT_MENU 101
#define IDS_TRAY_TIP 102
#define IDS_COLUMN_FILE_NAME 103
#define IDS_COLUMN_TOTAL_SIZE 104
#define IDS_COLUMN_TRANSFERRED 105
#define IDS_COLUMN_ESTIMATED_TIME 106
#define IDS_COLUMN_PROGRESS 107
#define IDS_COLUMN_STATUS 108
#define IDS_COLUMN_USER 109
#define IDS_STATUS_PENDING 111
#define IDS_STATUS_CONNECTING 112
#define IDS_STATUS_CONNECTED 113
#define IDS_STATUS_SENDING 114   // also the "Sending" group row
#define IDS_STATUS_RECEIVING 115 // also the "Receiving" group row
#define IDS_STATUS_PAUSED 116
#define IDS_STATUS_SUSPENDED 117
#define IDS_STATUS_COMPLETED 118
#define IDS_STATUS_WAITING 119
#define IDS_STATUS_FILE_NOT_FOUND 120
#define IDS_STATUS_REMOVED 121
#define IDS_STATUS_PEER_OFFLINE 122
#define IDS_STATUS_NO_FREE_SLOTS 123
#define IDS_UNIT_BYTES 124
#define IDS_UNIT_KB 125
#define IDS_UNIT_MB 126
#define IDS_UNIT_GB 127
#define IDS_NAME_OR_ADDRESS_EMPTY 128
#define IDS_ARE_YOU_SURE 129
#define IDS_COLUMN_NAME 130
#define IDS_COLUMN_EMAIL 131
#define IDS_SERVICE_DISCONNECTED 132
#define IDS_SERVICE_CONNECTING 133
#define IDS_SERVICE_CONNECTED 134
#define IDS_SELECT_DOWNLOAD_FOLDER 135
#define IDS_RECEIVING_FILES 136
#define IDS_SENDING_FILES 137
#define IDS_NO_FILE_SELECTED 138
#define IDS_INVALID_EMAIL 139
#define IDS_MESSAGE_PLACEHOLDER 140
#define IDS_RUN_FILE 141
#define IDS_OPEN_FILE 142
#define IDS_RESUME 143
#define IDS_PAUSE 144
#define IDS_SPEED_HIGH 145
#define IDS_SPEED_MEDIUM 146
#define IDS_SPEED_LOW 147
#define IDS_SPEED_HIGH_TEXT 148
#define IDS_SPEED_MEDIUM_TEXT 149
#define IDS_SPEED_LOW_TEXT 150
#define IDS_TO_USER 151
#define IDS_BALLOON_SENT 152   // HTML: file name, "to" text, icon handle
#define IDS_BALLOON_UPDATE 153 // HTML: link message, icon handle
#define IDS_FILE_SIZE 156
#define IDS_SECONDS 157
#define IDS_NO_FRIEND_SELECTED 160
#define IDS_NO_SUBJECT 161
#define IDS_RECOMMENDATION_SENT 164
#define IDS_CANCEL_SENDING 168
#define IDS_CANCEL_RECEIVING 169
#define IDS_CANCEL_SEVERAL 170
#define IDS_IDENTITY_MISSING 171
#define IDS_FROM_USER 175
#define IDS_CLEAN_COMPLETED 176
#define IDS_SITE_ADDRESS 177 // the web site whose cookie may hold a link (the host is configuration)
#define IDS_COOKIE_NAME 178
#define IDS_UPGRADE_REQUIRED 179
#define IDS_BALLOON_RECEIVED 180 // HTML: file name, "from" text, link message, icon handle
#define IDS_STATUS_PENDING_EMAIL 181
#define IDS_STATUS_AWAITING_APPROVAL 182
#define IDS_STATUS_APPROVED 183
#define IDS_LINK_COPIED 184
#define IDS_RECEIVING_ONE_FILE 185
#define IDS_SENDING_ONE_FILE 186
// The send wizard's and the address book's failures (numbered apart from the texts above).
#define IDS_ADDRESS_BOOK_NOT_SAVED 2100
#define IDS_FILE_NOT_READABLE 2101 // the file's path
#define IDS_TOO_MANY_FILES 2102
#define IDS_LINK_NOT_COPIED 2103
// The options' refusal of a limit below 1.
#define IDS_LIMIT_TOO_SMALL 2104
