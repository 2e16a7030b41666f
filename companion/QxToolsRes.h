// QxToolsRes.h: resource ids of the companion library's dialogs.
#pragma once

#define IDD_QX_ABOUT            100
#define IDD_QX_VERSION_CHECK    101

#define IDC_QX_BANNER           1000
#define IDC_QX_PROGRAM          1001
#define IDC_QX_VERSION          1002
#define IDC_QX_BUILD            1003
#define IDC_QX_CODER            1004
#define IDC_QX_PURPOSE          1005
#define IDC_QX_LICENCE          1006
#define IDC_QX_OPEN_PAGE        1007
