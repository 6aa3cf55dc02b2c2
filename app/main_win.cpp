// Program entry: the main window and its message loop. The start-up rules (single
// instance, forwarded switches, installer roles) join here.
#include <windows.h>
#include <commctrl.h>

#include "app/main_window_win.h"
#include "ui/controls_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  vt::register_ui_controls(instance);
  vt::MainWindow* main = vt::MainWindow::Create(instance, nullptr);
  if (!main) return 1;
  HWND window = main->window();
  ShowWindow(window, SW_SHOW);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsWindow(window) && main->PreTranslateMessage(message)) continue;
    if (IsWindow(window) && IsDialogMessageA(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
