#pragma once
// Resource ids of the UI driver's test dialog.
#define IDD_PROBE 100
#define IDC_CHOICE 1000
#define IDC_GO 1001
#define IDC_DISABLED 1002
#define IDC_FILES 1003
#define IDC_ASK 1004
#define IDC_ENGLISH 1005
#define IDC_HIDDEN 1008
#define IDC_NAME 1010
#define IDC_COUNT 1015
#define IDC_GREETING 1020

// Exit codes: which way the dialog was left.
#define EXIT_GO 11
#define EXIT_CANCEL 2
#define EXIT_CLOSE 3
#define EXIT_NO_DIALOG 99
