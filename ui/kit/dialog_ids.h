// Resource numbers of the dialog templates and their controls, and of the menus (ui/skin/dialogs.rc).
#pragma once

#define IDD_MESSAGE 355
#define IDD_SETTINGS 313
#define IDD_DEVICE_DETAILS 312
#define IDD_ABOUT 339
#define IDM_MAIN 333
#define IDM_PANEL 336

#define IDC_DOWNLOAD_PATH 1000
#define IDC_BACKUP_PATH 1001
#define IDC_BROWSE_DOWNLOAD 1002
#define IDC_BROWSE_BACKUP 1003
#define IDC_START_WITH_WINDOWS 1004
#define IDC_CLOSE_TO_TRAY 1005
#define IDC_SCHEDULED_SCAN 1006
#define IDC_LANGUAGE 1007
#define IDC_SCAN_NON_PRESENT 1008
#define IDC_MESSAGE_TEXT 1009
// The settings' labels: each just before the control it names (how screen readers find a name).
#define IDC_DOWNLOAD_PATH_LABEL 1010
#define IDC_BACKUP_PATH_LABEL 1011
#define IDC_CLOSE_OPTION_LABEL 1012
#define IDC_STARTUP_OPTION_LABEL 1013
#define IDC_SCAN_OPTION_LABEL 1014
#define IDC_SCHEDULED_TASK_LABEL 1015
#define IDC_LANGUAGE_LABEL 1016
#define IDC_SAFETY_OPTION_LABEL 1017
#define IDC_RESTORE_POINT 1018
#define IDC_SEND_REPORTS 1019
#define IDC_TESTING_UPDATES 1020
#define IDC_DEVICE_LIST 1100
#define IDC_DRIVER_TABLE 1101
