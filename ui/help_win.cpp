#include "ui/help_win.h"

#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "base/paths.h"

namespace vt {
namespace {

std::string program_folder() {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, sizeof program);
  return folder_of(program);
}

bool contains_without_case(std::string text, const char* word) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text.find(word) != std::string::npos;
}

// The FileDescription texts of a program's version resource, in every language it has.
std::vector<std::string> file_descriptions(const std::string& path) {
  std::vector<std::string> texts;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return texts;
  std::vector<char> info(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return texts;
  struct Translation {
    WORD language;
    WORD code_page;
  };
  Translation* translations = nullptr;
  UINT bytes = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &bytes))
    return texts;
  for (UINT i = 0; i < bytes / sizeof(Translation); ++i) {
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\FileDescription", translations[i].language,
                  translations[i].code_page);
    char* text = nullptr;
    UINT length = 0;
    if (VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&text), &length) && text && length)
      texts.emplace_back(text);
  }
  return texts;
}

}  // namespace

// WinHelp is there when winhlp32.exe is found where WinHelp itself starts it from (the
// program's search path: the system folders, then the Windows folder) and that file is
// not the placeholder that Windows 8, 10 and 11 ship instead of the viewer: its
// description names it a stub, and it only shows a message saying the feature is
// missing. Older systems, Wine, and systems with the viewer added back pass; a viewer
// without a version resource passes too.
bool winhelp_available() {
  char viewer[MAX_PATH] = {};
  DWORD length = SearchPathA(nullptr, "winhlp32.exe", nullptr, sizeof viewer, viewer, nullptr);
  if (length == 0 || length >= sizeof viewer) return false;
  for (const std::string& description : file_descriptions(viewer))
    if (contains_without_case(description, "stub")) return false;
  return true;
}

std::string help_page_path(const std::string& folder, int context) {
  const char* page = kHelpIndexPage;
  for (const HelpPage& known : kHelpPages)
    if (known.context == context) page = known.page;
  return join_path(join_path(folder, kHelpPagesFolder), page);
}

bool open_help_in(HWND owner, const std::string& folder, int context) {
  if (winhelp_available()) {
    std::string file = join_path(folder, "app.hlp");
    return context == kHelpContents ? WinHelpA(owner, file.c_str(), HELP_CONTENTS, 0) != FALSE
                                    : WinHelpA(owner, file.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(context)) !=
                                          FALSE;
  }
  std::string page = help_page_path(folder, context);
  // ShellExecute answers above 32 when the browser was started.
  if (reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32)
    return true;
  std::string text = "Impossible d'ouvrir l'aide \"" + page +
                     "\". Vérifiez que les pages d'aide sont installées et qu'un navigateur Internet est associé "
                     "aux fichiers .htm.";
  MessageBoxA(owner, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
  return false;
}

void open_help(HWND owner, int context) { open_help_in(owner, program_folder(), context); }

}  // namespace vt
