// Registry sections, value names and defaults of the program's settings.
// Every value is a text value under "Software\Ardentine\Vocatrack\<section>" in one
// fixed hive; integers are decimal text and booleans "1"/"0" (see settings_text.h).
#pragma once

namespace vt {

enum class Hive { Machine, User };

// Sections of the product key. Each owner's values are listed beside its own code.
static const char kSectionSettings[] = "Settings";
static const char kSectionMp3Encoder[] = "MP3Encoder";     // machine hive
static const char kSectionEmail[] = "Email";               // machine hive
static const char kSectionFtp[] = "Ftp";                   // machine hive
static const char kSectionKeys[] = "Keys";                 // user hive
static const char kSectionPlayListDialog[] = "PlayListDialog";  // user hive
static const char kSectionPlayer[] = "Player";             // machine hive

// One setting: where it lives and what a missing value reads as.
struct BoolSetting {
  const char* section;
  const char* name;
  Hive hive;
  bool default_value;
};
struct IntSetting {
  const char* section;
  const char* name;
  Hive hive;
  int default_value;
};
struct TextSetting {
  const char* section;
  const char* name;
  Hive hive;
  const char* default_value;
};

// Core settings of section "Settings" (the application core's table of settings).
// Visible record buttons, a bit mask: 1 Record, 2 Restart, 4 Pause, 8 Stop.
// Showing all of them writes 63, not 15.
static const IntSetting kShowButtons = {kSectionSettings, "ShowButtons", Hive::Machine, 63};
static const BoolSetting kShowMainToolbar = {kSectionSettings, "ShowMainToolbar", Hive::Machine, true};
static const BoolSetting kShowFormatToolbar = {kSectionSettings, "ShowFormatToolbar", Hive::Machine, true};
// Main window position in screen pixels.
static const IntSetting kMainWindowX = {kSectionSettings, "MainWindowX", Hive::Machine, 382};
static const IntSetting kMainWindowY = {kSectionSettings, "MainWindowY", Hive::Machine, 152};
// The same names in the user hive hold the recordings-list window's position.
static const IntSetting kListWindowX = {kSectionSettings, "MainWindowX", Hive::User, 516};
static const IntSetting kListWindowY = {kSectionSettings, "MainWindowY", Hive::User, 291};
// Input device: 0 the system's default input, n device n - 1.
static const IntSetting kRecordDevice = {kSectionSettings, "RecordDevice", Hive::Machine, 0};
// Source line of the recording mixer; -1 leaves the mixer untouched.
static const IntSetting kRecordChan = {kSectionSettings, "RecordChan", Hive::Machine, -1};
// Recording volume in decibel steps, -36 to +12.
static const IntSetting kRecordVolume = {kSectionSettings, "RecordVolume", Hive::Machine, 0};
static const BoolSetting kRecordTone = {kSectionSettings, "RecordTone", Hive::User, true};
static const BoolSetting kStoppedTone = {kSectionSettings, "StoppedTone", Hive::User, true};
static const BoolSetting kIntervalTone = {kSectionSettings, "IntervalTone", Hive::User, false};
static const IntSetting kIntervalSecs = {kSectionSettings, "IntervalSecs", Hive::User, 30};
static const BoolSetting kVoiceActivate = {kSectionSettings, "VoiceActivate", Hive::User, false};
// Voice-activation threshold in dB.
static const IntSetting kVoiceActivateLevel = {kSectionSettings, "VoiceActivateLevel", Hive::User, -18};
// Output format: 0 WAV, 1 MP3, 2 AIFF.
static const IntSetting kFormat = {kSectionSettings, "Format", Hive::User, 0};
static const BoolSetting kPromptForName = {kSectionSettings, "PromptForName", Hive::User, false};
static const TextSetting kFileNameFormat = {kSectionSettings, "FileNameFormat", Hive::User, "Untitled %autonumber%"};
// Destination folder; its default is the default output folder, computed on each read
// (output_folder() in settings_win.h), so the empty text here only marks "not set".
static const TextSetting kOutputFolder = {kSectionSettings, "OutputFolder", Hive::User, ""};
static const BoolSetting kCheckMaxTime = {kSectionSettings, "CheckMaxTime", Hive::User, false};
// Recording time limit, h:mm:ss.
static const TextSetting kMaxTime = {kSectionSettings, "MaxTime", Hive::User, "1:00:00"};
// At the limit: stop (true) or start the next recording (false).
static const BoolSetting kStopReachMaxTime = {kSectionSettings, "StopReachMaxTime", Hive::User, true};
static const BoolSetting kLaunchPlayWhenStop = {kSectionSettings, "LaunchPlayWhenStop", Hive::User, true};
// Low-disk warning threshold in MB.
static const IntSetting kWarnSpaceBelow = {kSectionSettings, "WarnSpaceBelow", Hive::User, 200};
static const BoolSetting kRecordWhenRun = {kSectionSettings, "RecordWhenRun", Hive::User, false};
static const BoolSetting kInstallWizRun = {kSectionSettings, "InstallWizRun", Hive::User, false};
static const BoolSetting kShowRecordingsList = {kSectionSettings, "ShowRecordingsList", Hive::User, false};
// Unattended recording: after a lost input device or a sleep, go on in a new file.
static const BoolSetting kResumeRecording = {kSectionSettings, "ResumeRecording", Hive::User, true};
// Keep the computer from sleeping while recording or waiting to resume.
static const BoolSetting kStayAwake = {kSectionSettings, "StayAwake", Hive::User, true};
// Warn in the status panel after this many seconds of digital silence from the input.
static const BoolSetting kWarnSilence = {kSectionSettings, "WarnSilence", Hive::User, true};
static const IntSetting kWarnSilenceSecs = {kSectionSettings, "WarnSilenceSecs", Hive::User, 60};
// Seconds without a buffer after which the input device counts as lost.
static const IntSetting kDeviceTimeoutSecs = {kSectionSettings, "DeviceTimeoutSecs", Hive::User, 25};

// Delivery methods and their places (machine hive), edited on the transmit page.
static const BoolSetting kSendEmail = {kSectionSettings, "SendEmail", Hive::Machine, false};
static const BoolSetting kSendFtp = {kSectionSettings, "SendFtp", Hive::Machine, false};
static const BoolSetting kSendFolder = {kSectionSettings, "SendFolder", Hive::Machine, false};
static const TextSetting kSendFolderDir = {kSectionSettings, "SendFolderDir", Hive::Machine, ""};
static const BoolSetting kSendRun = {kSectionSettings, "SendRun", Hive::Machine, false};
// Command-line template with "%s" for the recording's path.
static const TextSetting kSendRunExe = {kSectionSettings, "SendRunExe", Hive::Machine, ""};
// Last folder of the transmit page's program browser.
static const TextSetting kOpenExeDir = {kSectionSettings, "OpenExeDir", Hive::Machine, ""};
// Recipients, separated by commas.
static const TextSetting kEmailTo = {kSectionEmail, "To", Hive::Machine, ""};
// Sender address (From header and SMTP envelope).
static const TextSetting kEmailReplyTo = {kSectionEmail, "ReplyToEmail", Hive::Machine, ""};
// MAPI transport; off selects the program's own SMTP client.
static const BoolSetting kEmailUseMapi = {kSectionEmail, "UseMAPI", Hive::Machine, true};
// SMTP host text, with optional port and login.
static const TextSetting kEmailSmtpHost = {kSectionEmail, "MailSMTPHost", Hive::Machine, ""};
// "1" lets the login go out on a connection without TLS. Absent, it is taken as on when
// a host was stored before it existed (those settings worked in clear), else off.
static const char kEmailPlainLoginName[] = "MailPlainLogin";
static const TextSetting kFtpServer = {kSectionFtp, "Server", Hive::Machine, ""};
static const TextSetting kFtpUserName = {kSectionFtp, "UserName", Hive::Machine, ""};
// Stored as typed.
static const TextSetting kFtpPassword = {kSectionFtp, "Password", Hive::Machine, ""};
// Remote folder; the transmit page shows "/" while the value is absent.
static const TextSetting kFtpDirectory = {kSectionFtp, "Directory", Hive::Machine, ""};
// FTP over TLS (AUTH TLS, protected data connection) instead of plain FTP.
static const BoolSetting kFtpUseTls = {kSectionFtp, "UseTLS", Hive::Machine, false};

// Registry places outside the product key that the folder and log-on operations read.
static const char kWindowsCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
static const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char kLogonValueName[] = "VocatrackRun";

}  // namespace vt
