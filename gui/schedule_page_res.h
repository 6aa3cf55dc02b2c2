// Resource and control identifiers of the scheduled recordings page ("Programmation", dialog 12).
#pragma once

#define IDD_SCHEDULE_PAGE 12

#define IDC_SCHEDULE_LIST 4101
#define IDC_SCHEDULE_DATE 4102
#define IDC_SCHEDULE_TIME 4103
#define IDC_SCHEDULE_MINUTES 4104
#define IDC_SCHEDULE_REPEAT 4105
#define IDC_SCHEDULE_DAY_FIRST 4110  // 4110..4116: Monday..Sunday
#define IDC_SCHEDULE_PATTERN 4120
#define IDC_SCHEDULE_FORMAT 4121
#define IDC_SCHEDULE_ADD 4122
#define IDC_SCHEDULE_CHANGE 4123
#define IDC_SCHEDULE_REMOVE 4124
