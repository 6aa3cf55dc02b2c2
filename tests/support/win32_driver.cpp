#include "tests/support/win32_driver.h"

#include "tests/support/linux_process.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace vt_test {

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return condition();
    pump_messages();
    Sleep(20);
  }
}

void pump_messages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string windows_path(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string result = "Z:" + path;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

HWND find_window(const char* class_name, const char* title, int timeout_ms) {
  HWND found = nullptr;
  wait_until([&] { return (found = FindWindowA(class_name, title)) != nullptr; }, timeout_ms);
  return found;
}

namespace {

struct ChildQuery {
  const char* class_name;
  const char* text;
  HWND found;
};

BOOL CALLBACK match_child(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<ChildQuery*>(param);
  if (query->class_name && lstrcmpiA(window_class(window).c_str(), query->class_name) != 0) return TRUE;
  if (query->text && window_text(window) != query->text) return TRUE;
  query->found = window;
  return FALSE;
}

}  // namespace

HWND find_child(HWND parent, const char* class_name, const char* text, int timeout_ms) {
  ChildQuery query = {class_name, text, nullptr};
  wait_until(
      [&] {
        EnumChildWindows(parent, match_child, reinterpret_cast<LPARAM>(&query));
        return query.found != nullptr;
      },
      timeout_ms);
  return query.found;
}

HWND child(HWND parent, int id) { return GetDlgItem(parent, id); }

// WM_GETTEXT through SendMessage, so controls of other threads answer too.
std::string window_text(HWND window) {
  if (!window) return std::string();
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return std::string(text.data(), static_cast<size_t>(copied));
}

std::string control_text(HWND parent, int id) { return window_text(child(parent, id)); }

std::string window_class(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string static_texts(HWND window) {
  std::string text;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM out) -> BOOL {
        if (window_class(child) == "Static") *reinterpret_cast<std::string*>(out) += window_text(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

void set_control_text(HWND parent, int id, const std::string& text) {
  SendMessageA(child(parent, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

RECT screen_rect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

RECT rect_in_parent(HWND control) {
  RECT rect = screen_rect(control);
  HWND parent = GetParent(control);
  if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool is_checked(HWND parent, int id) {
  return SendMessageA(child(parent, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool is_enabled(HWND window) { return window && IsWindowEnabled(window); }

bool is_visible(HWND window) { return window && IsWindowVisible(window); }

LRESULT send_command(HWND window, int id, int notification) {
  return SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, notification),
                      reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void post_command(HWND window, int id, int notification) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void click(HWND parent, int id) { SendMessageA(child(parent, id), BM_CLICK, 0, 0); }

namespace {

LPARAM key_lparam(UINT vk, bool up, bool alt) {
  UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
  LPARAM lparam = 1 | (static_cast<LPARAM>(scan) << 16);
  if (alt) lparam |= 1 << 29;
  if (up) lparam |= (1u << 30) | (1u << 31);
  return lparam;
}

void add_key(std::vector<INPUT>* inputs, WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  inputs->push_back(input);
}

}  // namespace

bool focus(HWND window, int timeout_ms) {
  SetForegroundWindow(GetAncestor(window, GA_ROOT));
  DWORD owner = GetWindowThreadProcessId(window, nullptr);
  DWORD self = GetCurrentThreadId();
  // SetFocus acts on the calling thread's input state; share the owner's for the call.
  bool attached = owner != self && AttachThreadInput(self, owner, TRUE);
  SetFocus(window);
  if (attached) AttachThreadInput(self, owner, FALSE);
  return wait_until(
      [&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(owner, &info) && info.hwndFocus == window;
      },
      timeout_ms);
}

void post_key(HWND window, int key_code) {
  UINT vk = key_code & 0xFFFF;
  bool alt = (key_code & kAlt) != 0;
  PostMessageA(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, key_lparam(vk, false, alt));
  PostMessageA(window, alt ? WM_SYSKEYUP : WM_KEYUP, vk, key_lparam(vk, true, alt));
}

bool press_key(int key_code) {
  static const struct {
    int flag;
    WORD vk;
  } kModifiers[] = {{kCtrl, VK_CONTROL}, {kAlt, VK_MENU}, {kShift, VK_SHIFT}};
  std::vector<INPUT> inputs;
  for (const auto& modifier : kModifiers)
    if (key_code & modifier.flag) add_key(&inputs, modifier.vk, false);
  add_key(&inputs, static_cast<WORD>(key_code & 0xFFFF), false);
  add_key(&inputs, static_cast<WORD>(key_code & 0xFFFF), true);
  for (int i = 2; i >= 0; --i)
    if (key_code & kModifiers[i].flag) add_key(&inputs, kModifiers[i].vk, true);
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return sent == inputs.size();
}

// Wine starts Linux programs through start.exe /unix; ImageMagick writes a temporary
// file that is renamed when complete, so the test waits for the final name only.
std::string save_screenshot(const std::string& name, int timeout_ms) {
  std::string build = env("VT_BUILD_DIR");
  if (build.empty() || build[0] != '/') return std::string();
  std::string safe = name;
  for (char& c : safe)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.') c = '_';
  std::string folder = build + "/screenshots";
  CreateDirectoryA(windows_path(folder).c_str(), nullptr);
  std::string final_path = folder + "/" + safe + ".png";
  std::string partial_path = folder + "/." + safe + ".partial.png";
  DeleteFileA(windows_path(final_path).c_str());

  LinuxProcess shot("import -window root '" + partial_path + "' && mv '" + partial_path + "' '" + final_path + "'");
  if (!shot.start()) return std::string();
  shot.wait(timeout_ms);
  std::string result = windows_path(final_path);
  bool saved =
      wait_until([&] { return GetFileAttributesA(result.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeout_ms);
  return saved ? result : std::string();
}

HWND find_message_box(const char* caption, int timeout_ms, std::string* other) {
  HWND box = find_window("#32770", caption, timeout_ms);
  if (box) return box;
  struct Search {
    DWORD process;
    std::string found;
  } search = {GetCurrentProcessId(), std::string()};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        // A message box: a dialog whose text is the static of id 0xFFFF.
        if (process != s->process || window_class(window) != "#32770" || !GetDlgItem(window, 0xFFFF)) return TRUE;
        s->found += "\"" + window_text(window) + "\": " + control_text(window, 0xFFFF) + "; ";
        PostMessageA(window, WM_COMMAND, GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK, 0);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (other) *other = search.found;
  return nullptr;
}

}  // namespace vt_test
