// What the options dialog and its pages ask of the rest of the program. The main
// window passes its own implementation; the defaults do nothing, or the plain system
// thing where one exists, so that each page works on its own (and in tests).
#pragma once
#include <windows.h>

#include <string>

namespace vt {

class OutputPageServices;

class OptionsHooks {
 public:
  virtual ~OptionsHooks() = default;

  // The global hotkeys are off while the dialog is open, so that a key captured on the
  // "Commandes" page does not run its command.
  virtual void unregister_hotkeys() {}
  virtual void register_hotkeys() {}
  // Commands page: the bindings the system refused at start-up, told once when the page
  // opens (a start-up never waits for a person); empty when there is nothing to tell.
  virtual std::string take_hotkey_notice() { return std::string(); }

  // Record page, the input mixer of wave-input device `device` (an index of the
  // system's devices): its number of source lines (0 to 127) and their names; the
  // defaults ask the system's mixer.
  virtual int input_source_count(int device);
  virtual std::string input_source_name(int device, int source);
  // The system's recording mixer ("sndvol32.exe /rec").
  virtual void open_recording_mixer(HWND owner);

  // Output page: its services (null: the page's own defaults); must outlive the dialog.
  virtual OutputPageServices* output_services() { return nullptr; }

  // Transmit page: the e-mail settings dialog (LEmailSendSet).
  virtual void edit_email_settings(HWND owner);

  // Commands page: capture a key and choose its command for a new binding, or choose
  // again for binding `binding`; true when the bindings in the settings changed.
  // The defaults run the key-capture and choose-command dialogs on section Keys.
  virtual bool add_hotkey(HWND owner);
  virtual bool modify_hotkey(HWND owner, int binding);

  // A page's help: context `context` of the program's help (ui/help_win.h).
  virtual void show_help(HWND owner, int context);
};

}  // namespace vt
