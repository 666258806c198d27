// Resource and control identifiers of the installer, shared by the resource
// script and the code. Plain macros, because the resource compiler reads
// this file too.
#ifndef TV_SETUP_RESOURCE_H_
#define TV_SETUP_RESOURCE_H_

// Strings.
#define IDS_APP_TITLE 103
#define IDS_WINDOW_CLASS 109
#define IDS_MESSAGE_CAPTION 200
#define IDS_UNKNOWN_ERROR 201
#define IDS_BAD_PACKAGE 202
#define IDS_LAUNCH_FAILED 203
#define IDS_INSTALL_CANCELLED 204
#define IDS_CONFIRM_CANCEL 205
#define IDS_TYPE_STANDARD 206
#define IDS_TYPE_COMPACT 207

// Icons.
#define IDI_SETUP_LARGE 107
#define IDI_SETUP_SMALL 108
#define IDI_PAGE 130

// Menu and about box (kept in the resources, not attached to the window).
#define IDM_SETUP_MENU 110
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDD_ABOUT 103

// Pages.
#define IDD_AGREEMENT 129
#define IDD_INSTALL_TYPE 131
#define IDD_CONFIRMATION 132

// Commands and controls of the pages. 1 and 2 are the system's OK/Cancel.
#define IDC_START 1
#define IDC_CANCEL 2
#define IDC_AGREE 1000
#define IDC_BACK 1005
#define IDC_NEXT 1006
#define IDC_STANDARD 1010
#define IDC_COMPACT 1011
#define IDC_INFO_ICON 1015
#define IDC_OS_VERSION 1016
#define IDC_CPU 1017
#define IDC_INSTALL_TYPE 1018

#endif  // TV_SETUP_RESOURCE_H_
