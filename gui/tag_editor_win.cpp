#include "gui/tag_editor_win.h"

#include <vector>

#include "gui/tag_editor_res.h"
#include "tags/genres.h"
#include "tags/tag_files.h"
#include "tags/tag_tables.h"
#include "ui/dialog_win.h"
#include "ui/progress_task_win.h"

namespace vt {
namespace {

const char kOnlyWavAndMp3[] = "Seuls les repères des fichiers wav et mp3 peuvent être édités.";
const char kNotReadWhole[] =
    "Impossible de lire entièrement les repères de ce fichier. Ils ne seront pas modifiés, afin de ne rien perdre de "
    "ce qu'ils contiennent.";
const char kNotSaved[] =
    "Impossible d'enregistrer les repères. Le fichier est peut-être ouvert dans un autre programme ou protégé en "
    "écriture, ou le disque est plein. Le fichier n'a pas été modifié.";
const char kSavingCaption[] = "Enregistrement des repères";

// The edit of each field but the genre, in the editor's order.
struct FieldControl {
  const char* field;
  int id;
};
const FieldControl kFieldEdits[] = {{kFieldTitle, IDC_TAG_TITLE},        {kFieldArtist, IDC_TAG_ARTIST},
                                    {kFieldAlbum, IDC_TAG_ALBUM},        {kFieldTrackNumber, IDC_TAG_TRACK},
                                    {kFieldDate, IDC_TAG_YEAR},          {kFieldComment, IDC_TAG_COMMENT}};

class TagEditorDialog : public Dialog {
 public:
  explicit TagEditorDialog(const TagList& list) : list_(list) {}
  const std::vector<TagEdit>& edits() const { return edits_; }

 private:
  bool on_init() override;
  bool on_command(int id, int code) override;
  void on_ok();

  const TagList& list_;
  std::vector<TagEdit> edits_;
  bool genre_chosen_ = false;
};

bool TagEditorDialog::on_command(int id, int code) {
  switch (id) {
    case IDC_TAG_GENRE: if (code == CBN_SELCHANGE) genre_chosen_ = true; break;
    case IDOK: on_ok(); break;
    case IDCANCEL: EndDialog(window_, IDCANCEL); break;
  }
  return true;
}

bool TagEditorDialog::on_init() {
  for (const FieldControl& control : kFieldEdits) {
    SendDlgItemMessageA(window_, control.id, EM_LIMITTEXT, kMaxTagValueChars, 0);
    SetDlgItemTextA(window_, control.id, list_.get(control.field).c_str());
  }
  for (const char* name : kGenreNames)
    SendDlgItemMessageA(window_, IDC_TAG_GENRE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  int code = genre_code(list_.get(kFieldGenre));
  SendDlgItemMessageA(window_, IDC_TAG_GENRE, CB_SETCURSEL, code < 0 ? 0 : code, 0);
  return true;
}

void TagEditorDialog::on_ok() {
  char text[kMaxTagValueChars + 1];
  for (const FieldControl& control : kFieldEdits) {
    GetDlgItemTextA(window_, control.id, text, sizeof text);
    edits_.push_back({control.field, text});
  }
  LRESULT chosen = SendDlgItemMessageA(window_, IDC_TAG_GENRE, CB_GETCURSEL, 0, 0);
  std::string genre = list_.get(kFieldGenre);
  // A genre the list does not name (another program's) stays unless the user picks
  // one; an empty genre gets the selected "Blues".
  bool foreign = !genre.empty() && genre_code(genre) < 0;
  if (!(foreign && !genre_chosen_)) genre = chosen >= 0 && chosen < kGenreCount ? kGenreNames[chosen] : kGenreNames[0];
  edits_.push_back({kFieldGenre, genre});
  EndDialog(window_, IDOK);
}

// Most saves write a few bytes in place; a tag that outgrew its room makes the whole
// recording be copied once, which the bar shows and Annuler stops.
class TagSaveTask : public ProgressTask {
 public:
  TagSaveTask(TagList& list, const std::vector<TagEdit>& edits, const std::string& path)
      : ProgressTask(kSavingCaption), list_(list), edits_(edits), path_(path) {}
  bool run() override {
    size_t slash = path_.find_last_of("\\/");
    set_progress_text(0, this, path_.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
    result = save_tag_edits(list_, edits_, path_, this);
    return result == Outcome::kDone;
  }

 private:
  TagList& list_;
  const std::vector<TagEdit>& edits_;
  std::string path_;
};

}  // namespace

bool edit_tags(HWND owner, const std::string& path) {
  if (!has_tag_format(path)) {
    MessageBoxA(owner, kOnlyWavAndMp3, nullptr, MB_ICONERROR);
    return false;
  }
  TagList list;
  if (!read_tags(list, path) || !list.whole) {
    MessageBoxA(owner, kNotReadWhole, nullptr, MB_ICONERROR);
    return false;
  }
  TagEditorDialog dialog(list);
  if (dialog.run_modal(owner, "LAudioTagDataEditor") != IDOK) return false;
  TagSaveTask task(list, dialog.edits(), path);
  run_progress_task(&task, owner);
  if (task.result == Outcome::kFailed) MessageBoxA(owner, kNotSaved, nullptr, MB_ICONERROR);
  return task.result == Outcome::kDone;
}

}  // namespace vt
