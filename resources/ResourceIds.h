// Resource and control ids shared by the resource script, the program and the
// Linux dialog layer.
#pragma once

// String 1 is the name Windows lists a screen saver by, instead of its file name.
#define IDS_DESCRIPTION 1

#define IDD_CONFIG 101
#define IDI_LETTERGLASS 102

#define IDC_SERVER 1000
#define IDC_PORT 1001
#define IDC_USER 1002
#define IDC_PASSWORD 1003
#define IDC_CHECK 1004
#define IDC_NOTICE 1006

// Labels carry no id of their own.
#define IDC_LABEL (-1)

// The predefined control classes, as a dialog template names them by ordinal.
#define DLGCLASS_BUTTON 0x0080
#define DLGCLASS_EDIT 0x0081
#define DLGCLASS_STATIC 0x0082

// The page the maker's notice opens: installed beside the program.
#define NOTICE_PAGE_NAME "letterglass.html"
