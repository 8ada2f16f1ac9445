// Resource identities of Tamberly.exe (dialogs, icon, bitmap, strings and
// the controls of each dialog).
#pragma once

#define IDR_MAINFRAME 128
#define IDB_LOGO 135

#define IDD_ABOUTBOX 100
#define IDD_SITES 129
#define IDD_WORDS 130
#define IDD_UPDATE 131
#define IDD_SECURITY 133
#define IDD_PASSWORD 136
#define IDD_NEWPASSWORD 137
#define IDD_CHANGEPASSWORD 138
#define IDD_LOADING 139
#define IDD_CATEGORIES 140
#define IDD_TIME 141
#define IDD_ALLOWED 146

#define IDS_ABOUTBOX 101
#define IDS_ENTER_OLD_PASSWORD 102
#define IDS_ENTER_NEW_PASSWORD 103
#define IDS_CONFIRM_NEW_PASSWORD 104
#define IDS_CONFIRMATION_MISMATCH 105
#define IDS_UNINSTALL 106
#define IDS_TOTAL_RANGE 107
#define IDS_VENDOR_REFUSED 108
#define IDS_ADDRESS_TOO_LONG 109
#define IDS_WORD_TOO_LONG 110

// System menu commands of the sheet.
#define IDM_ABOUTBOX 0x0010
#define IDM_UNINSTALL 0x0020

// Password dialogs.
#define IDC_PASSWORD 1022
#define IDC_NEW_PASSWORD 1025
#define IDC_NEW_CONFIRM 1024
#define IDC_OLD_PASSWORD 1025
#define IDC_CHANGE_NEW 1026
#define IDC_CHANGE_CONFIRM 1027

// Admin page.
#define IDC_FILTER_ON 1010
#define IDC_FILTER_OFF 1011
#define IDC_CHANGE_PASSWORD 1007
#define IDC_UNINSTALL 1008
#define IDC_TIMED_ON 1012
#define IDC_TIMED_OFF 1013
#define IDC_TIMEZONE 1086

// Categories page.
#define IDC_CAT_ADULT 1031
#define IDC_CAT_EXTREMIST 1034
#define IDC_CAT_FIREARMS 1035
#define IDC_CAT_GAMBLING 1039
#define IDC_CAT_SATANIC 1040
#define IDC_CAT_HATE 1041

// Time page: strips, totals and up-downs are listed in time_page.cpp.
#define IDC_ALL_OFF 1066
#define IDC_ALL_SAFE 1067
#define IDC_ORIGINAL_HOURS 1068

// Block Sites and Allow Sites pages.
#define IDC_IMPORT 1012
#define IDC_SITE_EDIT 1014
#define IDC_SCOPE_SECTION 1016
#define IDC_SCOPE_PAGE 1017
#define IDC_HEADER_DATE 1079
#define IDC_HEADER_VISITED 1080
#define IDC_HEADER_BLOCKED 1090
#define IDC_VISITED_LIST 1015
#define IDC_BLOCKED_LOG 1088
#define IDC_ADD_SITE 1018
#define IDC_REMOVE 1019
#define IDC_REMOVE_ALL 1020
#define IDC_BLOCK_LABEL 1082
#define IDC_ALLOW_LABEL 1091
#define IDC_BLOCK_LIST 1003
#define IDC_ALLOW_LIST 1089

// Words page.
#define IDC_WORD_EDIT 1004
#define IDC_ADD_WORD 1021
#define IDC_REMOVE_WORD 1008
#define IDC_WORD_LIST 1002

// Update page.
#define IDC_URL_EDIT 1026
#define IDC_GO 1084
#define IDC_UPDATE 1083
#define IDC_BROWSER 1006
