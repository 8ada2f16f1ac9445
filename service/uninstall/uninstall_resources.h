// Resource ids of the uninstall dialog (shared by uninstall.rc and code).
#pragma once

#define IDD_UNINSTALL 232
#define IDC_UNINSTALL_WARNING 1232
#define IDC_UNINSTALL_SUPPORT 1233
#define IDC_UNINSTALL_PASSWORD 201
#define IDC_UNINSTALL_OK 209
#define IDC_UNINSTALL_CANCEL 7
