// Control identifiers of the e-mail settings dialog (template LEmailSendSet).
#pragma once

#define IDC_EMAIL_USE_MAPI 101
#define IDC_EMAIL_USE_SMTP 102
#define IDC_EMAIL_SMTP_HOST 103
#define IDC_EMAIL_REPLY_TO 104
#define IDC_EMAIL_SMTP_HOST_LABEL 105
#define IDC_EMAIL_REPLY_TO_LABEL 106
#define IDC_EMAIL_PLAIN_LOGIN 107
#define IDC_EMAIL_PLAIN_LOGIN_NOTE 108
