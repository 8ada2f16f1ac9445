// Resource ids of the list-update reminder (shared by update.rc and code).
#pragma once

#define IDD_UPDATE_REMINDER 205
#define IDC_UPDATE_TEXT 1205
#define IDC_UPDATE_OK 210
#define IDC_UPDATE_NO 7
#define IDC_UPDATE_LATER 3
