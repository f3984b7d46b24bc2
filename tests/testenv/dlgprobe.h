#pragma once
// Resource ids and exit codes of the UI driver's test dialog.
#define IDD_PROBE 100
#define IDC_CHOICE 1000
#define IDC_GO 1001
#define IDC_DISABLED 1002
#define IDC_FILES 1003
#define IDC_ENGLISH 1005
#define IDC_NAME 1010

#define EXIT_GO 11
#define EXIT_NO_DIALOG 99
