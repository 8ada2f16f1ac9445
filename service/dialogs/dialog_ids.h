/* Resource and control identities of the service's dialogs. Plain macros:
   the resource compiler reads this file too. */
#pragma once

#define IDD_UPDATE_REMINDER 205
#define IDD_PASSWORD_PROMPT 211
#define IDD_ABOUT 213
#define IDD_INCORRECT_PASSWORD 214
#define IDD_LOCKED_OUT 229
#define IDD_CREDITS 230
#define IDD_UNINSTALL 232
#define IDD_LISTS_MISMATCH 233

/* Commands the shared dialog procedure knows. */
#define IDC_ASK_AGAIN_LATER 3
#define IDC_DECLINE 7
#define IDC_PASSWORD_FIELD 201
#define IDC_PASSWORD_OK 202
#define IDC_CLOSE_OK 203
#define IDC_UNINSTALL_OK 209
#define IDC_UPDATE_OK 210

/* Static texts that the service may fill in when a dialog opens. */
#define IDC_DIALOG_TEXT 1100
#define IDC_DIALOG_TEXT2 1101
