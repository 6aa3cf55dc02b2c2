#include "gui/mp3_encode_dlg_win.h"

#include <cstdio>
#include <cstdlib>

#include "gui/mp3_encode_dlg_res.h"
#include "formats/mp3_encoder_tables.h"
#include "ui/dialog_win.h"

namespace vt {
namespace {

class Mp3EncodeDialog : public Dialog {
 public:
  Mp3EncodeDialog(EncoderSettings& settings, SettingsSection& store) : settings_(settings), store_(store) {}

 private:
  bool on_init() override;
  bool on_command(int id, int code) override;
  void show(const EncoderSettings& s);
  void show_rate(int id, int rate);
  int read_rate(int id, int previous);
  void choose_mode(int radio_id);
  void update_enabling();
  void on_ok();

  EncoderSettings& settings_;
  SettingsSection& store_;
};

bool Mp3EncodeDialog::on_init() {
  char text[16];
  for (int id : {IDC_MP3_BITRATE, IDC_MP3_MINRATE, IDC_MP3_MAXRATE}) {
    for (uint16_t rate : kEncoderBitRates) {
      std::snprintf(text, sizeof text, "%d", rate);
      SendDlgItemMessageA(window_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
  }
  for (const char* name : kEncoderQualityNames) {
    SendDlgItemMessageA(window_, IDC_MP3_QUALITY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  for (const char* name : kChannelModeNames) {
    SendDlgItemMessageA(window_, IDC_MP3_CHANNELMODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  show(settings_);
  return true;
}

bool Mp3EncodeDialog::on_command(int id, int code) {
  switch (id) {
    case IDC_MP3_CONSTANT: case IDC_MP3_VARIABLE: choose_mode(id); break;
    case IDC_MP3_RESTORE: show(EncoderSettings()); break;
    case IDOK: on_ok(); break;
    case IDCANCEL: EndDialog(window_, FALSE); break;
  }
  return true;
}

void Mp3EncodeDialog::show(const EncoderSettings& s) {
  choose_mode(s.constant_bit_rate ? IDC_MP3_CONSTANT : IDC_MP3_VARIABLE);
  show_rate(IDC_MP3_BITRATE, s.bit_rate);
  show_rate(IDC_MP3_MINRATE, s.min_bit_rate);
  show_rate(IDC_MP3_MAXRATE, s.max_bit_rate);
  CheckDlgButton(window_, IDC_MP3_HIGHQUALITY, s.high_quality ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, IDC_MP3_CRC, s.error_protection ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessageA(window_, IDC_MP3_QUALITY, CB_SETCURSEL, s.quality, 0);
  SendDlgItemMessageA(window_, IDC_MP3_CHANNELMODE, CB_SETCURSEL, s.channel_mode, 0);
}

// Shows the rate as its decimal text: the list entry when there is one, the
// bare text otherwise, so that a typed rate survives the next OK unchanged.
void Mp3EncodeDialog::show_rate(int id, int rate) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", rate);
  LRESULT index = SendDlgItemMessageA(window_, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(text));
  SendDlgItemMessageA(window_, id, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : index, 0);
  if (index == CB_ERR) SetDlgItemTextA(window_, id, text);
}

int Mp3EncodeDialog::read_rate(int id, int previous) {
  char text[16] = {};
  GetDlgItemTextA(window_, id, text, sizeof text);
  char* end = nullptr;
  long rate = std::strtol(text, &end, 10);
  // An empty or unreadable box keeps the rate it had.
  if (end == text || rate < 0 || rate > 0xFFFF) return previous;
  return static_cast<int>(rate);
}

void Mp3EncodeDialog::choose_mode(int radio_id) {
  CheckRadioButton(window_, IDC_MP3_CONSTANT, IDC_MP3_VARIABLE, radio_id);
  update_enabling();
}

void Mp3EncodeDialog::update_enabling() {
  bool constant = IsDlgButtonChecked(window_, IDC_MP3_CONSTANT) == BST_CHECKED;
  EnableWindow(GetDlgItem(window_, IDC_MP3_BITRATE), constant);
  EnableWindow(GetDlgItem(window_, IDC_MP3_HIGHQUALITY), constant);
  EnableWindow(GetDlgItem(window_, IDC_MP3_MINRATE), !constant);
  EnableWindow(GetDlgItem(window_, IDC_MP3_MAXRATE), !constant);
  EnableWindow(GetDlgItem(window_, IDC_MP3_QUALITY), !constant);
}

void Mp3EncodeDialog::on_ok() {
  EncoderSettings s = settings_;
  s.constant_bit_rate = IsDlgButtonChecked(window_, IDC_MP3_CONSTANT) == BST_CHECKED;
  s.bit_rate = static_cast<uint16_t>(read_rate(IDC_MP3_BITRATE, s.bit_rate));
  s.min_bit_rate = static_cast<uint16_t>(read_rate(IDC_MP3_MINRATE, s.min_bit_rate));
  s.max_bit_rate = static_cast<uint16_t>(read_rate(IDC_MP3_MAXRATE, s.max_bit_rate));
  s.high_quality = IsDlgButtonChecked(window_, IDC_MP3_HIGHQUALITY) == BST_CHECKED;
  s.error_protection = IsDlgButtonChecked(window_, IDC_MP3_CRC) == BST_CHECKED;
  LRESULT quality = SendDlgItemMessageA(window_, IDC_MP3_QUALITY, CB_GETCURSEL, 0, 0);
  if (quality != CB_ERR) s.quality = static_cast<uint8_t>(quality);
  LRESULT mode = SendDlgItemMessageA(window_, IDC_MP3_CHANNELMODE, CB_GETCURSEL, 0, 0);
  if (mode != CB_ERR) s.channel_mode = static_cast<uint8_t>(mode);
  settings_ = s;
  save_encoder_settings(store_, settings_);
  EndDialog(window_, TRUE);
}

}  // namespace

bool show_encoder_dialog(EncoderSettings& settings, HWND owner, SettingsSection& store) {
  Mp3EncodeDialog dialog(settings, store);
  return dialog.run_modal(owner, "LMp3EncodeDlg") == TRUE;
}

}  // namespace vt
