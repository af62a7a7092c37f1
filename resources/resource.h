// Resource ids of the saver: dialog templates, their controls, the icon and the strings.
#pragma once

// Dialog templates.
#define DLG_CONFIGURE 2003
#define DLG_ABOUT 103
#define DLG_IMAGES 3000

// Configuration dialog (OK and Cancel are IDOK and IDCANCEL).
#define IDC_EDIT_IMAGES 3007
#define IDC_UPDATE_TIME 3011
#define IDC_RANDOM_UPDATE 3013
#define IDC_FULL_SCREEN 3016
#define IDC_ABOUT 3017
#define IDC_FADE 3018

// About box.
#define IDC_VERSION_TEXT 1018
#define IDC_BUILD_TEXT 1019
#define IDC_WEB_ADDRESS 1020

// Image list dialog.
#define IDC_IMAGE_LIST 3001
#define IDC_UP 3002
#define IDC_DOWN 3003
#define IDC_REMOVE 3004
#define IDC_ADD 3005
#define IDC_CLEAR 3014
#define IDC_SORT 3015
#define IDC_ADD_FOLDER 3020

// Labels that no code addresses.
#define IDC_LABEL -1

#define ICON_SAVER 100

// String table.
#define STR_NAME 1
#define STR_SAVER_NAME 1002
#define STR_SAVER_TITLE 1007
