// Resource IDs of Tavoline.exe, shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX        100
#define IDS_ABOUTBOX        101
#define IDD_TAVOLINE_DIALOG 102
#define IDR_MAINFRAME       128
#define IDD_PROGRESS        129
#define IDD_PASSWORD        130

// Command of the About entry in the main window's system menu.
#define IDM_ABOUTBOX 0x0010

#define IDC_SELECT_FILE_TO_UNZIP 1000
#define IDC_UNZIP                1001
#define IDC_SELECT_FILE_TO_ZIP   1002
#define IDC_SELECT_FOLDER_TO_ZIP 1003
#define IDC_ZIP                  1004
#define IDC_PROGRESS             1005
#define IDC_MORE                 1006
#define IDC_PASSWORD_PROMPT      1007
#define IDC_PASSWORD             1008
#define IDC_PASSWORD_WRONG       1009
#define IDC_STATUS_LABEL         2000
