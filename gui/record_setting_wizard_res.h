// Identifiers of the audio set-up wizard's page (template "LRecordSettingDlg").
#pragma once

#define IDC_WIZARD_INSTRUCTIONS 1701
#define IDC_WIZARD_DEVICE 1702
#define IDC_WIZARD_INPUT 1703
#define IDC_WIZARD_VOLUME_LABEL 1704
#define IDC_WIZARD_VOLUME 1705
#define IDC_WIZARD_MIXER 1706
#define IDC_WIZARD_METER 1707
#define IDC_WIZARD_LINK 1708
