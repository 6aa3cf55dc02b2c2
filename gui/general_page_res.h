// Resource and control identifiers of the general options page ("Général", dialog 6).
#pragma once

#define IDD_GENERAL_PAGE 6

#define IDC_GENERAL_RECORD_TONE 4001
#define IDC_GENERAL_STOPPED_TONE 4002
#define IDC_GENERAL_INTERVAL_TONE 4003
#define IDC_GENERAL_INTERVAL_SECS 4004
#define IDC_GENERAL_LOGON 4010
#define IDC_GENERAL_RECORD_WHEN_RUN 4011
#define IDC_GENERAL_WARN_SPACE 4030
