// Program entry. The main window and the start-up rules join here as they are built.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Vocatrack Sound Recorder 2.01", "Vocatrack", MB_OK | MB_ICONINFORMATION);
  return 0;
}
