// Resource ids of the service process (shared by tbserv.rc and code).
#pragma once

#define IDI_TBSERV 128
#define IDI_FILTER_ON 206
#define IDI_FILTER_OFF 208

#define IDR_SCRIPT_APPLICATION 100
#define IDR_SCRIPT_OBJECTS 101

#define IDD_TRAY_WINDOW 206

#define IDD_PASSWORD 211
#define IDC_PASSWORD_TEXT 1211
#define IDC_PASSWORD_FIELD 201
#define IDC_PASSWORD_OK 202
#define IDC_PASSWORD_CANCEL 7

#define IDD_CREDITS 230
#define IDC_CREDITS_LIST 1230
#define IDC_CREDITS_OK 203
