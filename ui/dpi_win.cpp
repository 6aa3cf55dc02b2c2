#include "ui/dpi_win.h"

#include "win/handles_win.h"

namespace vt {

namespace {

// Looked up at run time: older systems lack them.
template <typename Function>
Function user32_function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

int dpi_of(HWND window) {
  typedef UINT(WINAPI * GetDpiForWindowFunction)(HWND);
  static const GetDpiForWindowFunction get_dpi_for_window =
      user32_function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (window && get_dpi_for_window) {
    UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  WindowDC screen(nullptr);
  int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kBaseDpi;
}

void declare_dpi_awareness() {
  typedef BOOL(WINAPI * SetContextFunction)(HANDLE);
  typedef BOOL(WINAPI * SetAwareFunction)();
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2; refused (harmlessly) when the manifest
  // already declared the process.
  if (SetContextFunction set_context = user32_function<SetContextFunction>("SetProcessDpiAwarenessContext")) {
    if (set_context(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)))) return;
    if (GetLastError() == ERROR_ACCESS_DENIED) return;
  }
  if (SetAwareFunction set_aware = user32_function<SetAwareFunction>("SetProcessDPIAware")) set_aware();
}

HBITMAP load_scaled_bitmap(HINSTANCE instance, const char* resource, int width, int height, bool smooth) {
  HBITMAP original =
      static_cast<HBITMAP>(LoadImageA(instance, resource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!original) return nullptr;
  BITMAP shape = {};
  GetObjectA(original, sizeof shape, &shape);
  if (shape.bmWidth == width && shape.bmHeight == height) return original;
  OwnedBitmap source(original);
  WindowDC screen(nullptr);
  HBITMAP scaled = CreateCompatibleBitmap(screen.get(), width, height);
  if (!scaled) return nullptr;
  MemoryDC from(screen.get()), to(screen.get());
  SelectedObject from_in(from.get(), source.get());
  SelectedObject to_in(to.get(), scaled);
  SetStretchBltMode(to.get(), smooth ? HALFTONE : COLORONCOLOR);
  SetBrushOrgEx(to.get(), 0, 0, nullptr);
  StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, shape.bmWidth, shape.bmHeight, SRCCOPY);
  return scaled;
}

}  // namespace vt
