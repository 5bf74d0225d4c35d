// Resource and control ids shared by the resource script, the program and the
// Linux dialog layer.
#pragma once

#define IDD_CONFIG 101
#define IDI_LETTERGLASS 102

#define IDC_SERVER 1000
#define IDC_PORT 1001
#define IDC_USER 1002
#define IDC_PASSWORD 1003
#define IDC_CHECK 1004
#define IDC_NOTICE 1006
