#include "delivery/delivery_queue_win.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

#include "base/paths.h"
#include "delivery/delivery_list.h"
#include "delivery/delivery_methods_win.h"
#include "delivery/delivery_texts.h"
#include "win/files_win.h"
#include "win/handles_win.h"

namespace vt {

void show_error_box(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), kProductTitle, MB_OK | MB_ICONERROR);
}

void DeliveryListener::delivery_message(const std::string& text) { show_error_box(text); }

namespace {

constexpr DWORD kListBudgetMs = 5000;

// The list's share modes: the head read and the append share reading; the
// resume and the removal share nothing.
class WindowsListFiles : public ListFiles {
 public:
  std::unique_ptr<BinaryFile> open(const std::string& path, ListOpen how) override {
    const char* name = path.c_str();
    const DWORD update = GENERIC_READ | GENERIC_WRITE;
    switch (how) {
      case ListOpen::kResume:
        return adopt_file_handle(CreateFileA(name, update, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      case ListOpen::kHeadRead:
        return adopt_file_handle(open_file_retrying(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kListBudgetMs));
      case ListOpen::kAppend:
        return adopt_file_handle(open_file_retrying(name, update, FILE_SHARE_READ, OPEN_ALWAYS, kListBudgetMs));
      case ListOpen::kRewrite:
        return adopt_file_handle(open_file_retrying(name, update, 0, OPEN_ALWAYS, kListBudgetMs));
      case ListOpen::kNewList:
        return adopt_file_handle(CreateFileA(name, update, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    }
    return nullptr;
  }
  // A list another program has open refuses to be replaced with access denied, a new
  // list still open (a scanner) with a sharing violation.
  ReplaceResult replace(const std::string& replacement, const std::string& path) override {
    if (MoveFileExA(replacement.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return ReplaceResult::kReplaced;
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? ReplaceResult::kBusy
                                                                             : ReplaceResult::kFailed;
  }
  void remove(const std::string& path) override { DeleteFileA(path.c_str()); }
  void pause(uint32_t ms) override { Sleep(ms); }
};

std::string with_file_name(const char* format, const std::string& path) {
  char text[1024];
  std::snprintf(text, sizeof text, format, file_name_of(path).c_str());
  return text;
}

}  // namespace

// The queue's worker thread. The list file is guarded by its share modes between
// programs and by the base's start_lock() within this one: the append, the head read
// and the head removal each hold it, so an append never meets the moment in which the
// shortened list replaces the old one, and a record appended as the run decides to end
// is either read by that run or starts a new one.
class DeliveryWorker : public WorkerThread, public StopSignal, public MailReporter {
 public:
  explicit DeliveryWorker(DeliveryListener* listener) : listener_(listener ? listener : &default_listener_) {}
  ~DeliveryWorker() override { stop_and_close(); }

  void resume_pending(const std::string& list_path) {
    bool pending;
    {
      CriticalSectionLock hold(start_lock());
      list_path_ = list_path;
      DeliveryList list(files_, list_path_);
      pending = list.resume();
    }
    if (pending) start(THREAD_PRIORITY_LOWEST);
  }

  // The lock keeps the append out of the moment in which the worker puts the
  // shortened list in place of the old one.
  void enqueue_recording(const std::string& path) {
    bool appended;
    {
      CriticalSectionLock hold(start_lock());
      DeliveryList list(files_, list_path_);
      appended = !list_path_.empty() && list.append(path);
    }
    if (appended) start(THREAD_PRIORITY_LOWEST);
  }

  Outcome deliver_file(const std::string& path);

  bool stop_requested() const override { return WorkerThread::stop_requested(); }
  void show_error(const std::string& text) override { tell(text); }
  // Closes the failure box the worker is showing, if any: the program's end never
  // waits for someone to read it.
  void dismiss_message() const {
    const DWORD thread = box_thread_;
    if (thread) EnumThreadWindows(thread, close_failure_box, 0);
  }

 private:
  void run() override;
  static BOOL CALLBACK close_failure_box(HWND window, LPARAM);
  // A stopped delivery says nothing: the program is closing and the record stays
  // for the next start; a box now could outlive the objects it reports to.
  void tell(const std::string& text) {
    if (stop_requested()) return;
    box_thread_ = GetCurrentThreadId();
    listener_->delivery_message(text);
    box_thread_ = 0;
  }
  Outcome after_method(Outcome result, const char* message, const std::string& path) {
    if (result == Outcome::kDone) return result;
    tell(with_file_name(message, path));
    // A message the program's end closed unread: the record stays for the next start.
    return stop_requested() ? Outcome::kStopped : result;
  }

  // Set at construction, called by the worker thread only.
  DeliveryListener default_listener_;
  DeliveryListener* listener_;
  WindowsListFiles files_;  // holds no state
  // Written by the main thread in resume_pending under start_lock(), before any run;
  // a run takes its copy when it begins.
  std::string list_path_;
  // The record delivered last whose removal from the list failed (worker thread only).
  std::string undone_head_;
  // Written by the worker thread while its listener shows a message, read by the main
  // thread to close that message at the end.
  std::atomic<DWORD> box_thread_{0};
};

BOOL CALLBACK DeliveryWorker::close_failure_box(HWND window, LPARAM) {
  char type[16] = {}, caption[64] = {};
  GetClassNameA(window, type, sizeof type);
  GetWindowTextA(window, caption, sizeof caption);
  if (lstrcmpA(type, "#32770") == 0 && lstrcmpA(caption, kProductTitle) == 0)
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return TRUE;
}

// The methods switched on, in the list's order. A failure does not keep the later
// methods from running; a stop ends the delivery at once, the record kept.
Outcome DeliveryWorker::deliver_file(const std::string& path) {
  DeliveryConfig config = load_delivery_config();
  MethodContext context{*this, *this, *this};
  Outcome result = Outcome::kDone;
  for (size_t i = 0; i < kDeliveryMethodCount; ++i) {
    const DeliveryMethod& method = kDeliveryMethods[i];
    if (!method.switched_on(config.methods)) continue;
    result = after_method(method.run(path, config, context), method.failure_text, path);
    if (result == Outcome::kStopped) return result;
  }
  return result;
}

void DeliveryWorker::run() {
  DeliveryList list(files_, list_path_);
  while (!stop_requested()) {
    std::string path;
    {
      CriticalSectionLock hold(start_lock());
      if (list.read_head(&path) != HeadResult::kRecord) {
        clear_running();
        return;
      }
    }

    // A head already delivered whose record could not be removed is only removed now:
    // it is never sent twice in one run.
    bool delivered_before = !undone_head_.empty() && path == undone_head_;
    Outcome result = delivered_before ? Outcome::kDone : deliver_file(path);
    if (result == Outcome::kStopped) return;
    bool removed;
    {
      CriticalSectionLock hold(start_lock());
      removed = list.remove_head();
    }
    if (!delivered_before && !stop_requested()) listener_->file_delivered(path, result);
    // A list that can't be rewritten now keeps its head for the next start rather
    // than sending it again and again.
    if (!removed) {
      undone_head_ = path;
      return;
    }
    undone_head_.clear();
  }
}

DeliveryQueue::DeliveryQueue(DeliveryListener* listener) : worker_(new DeliveryWorker(listener)) {}

// A worker still busy after the wait (a mail client's blocking call) is left to the
// ending process rather than freed under it.
DeliveryQueue::~DeliveryQueue() {
  stop(7000);
  if (!worker_->thread_handle()) delete worker_;
}

void DeliveryQueue::resume_pending(const std::string& list_path) { worker_->resume_pending(list_path); }
void DeliveryQueue::enqueue_recording(const std::string& path) { worker_->enqueue_recording(path); }
// The stop comes first, so that a failure box closed here counts as unread; the box is
// closed again at each step in case it was only being made.
void DeliveryQueue::stop(DWORD wait_ms) {
  if (worker_->stop(0)) return;
  for (DWORD waited = 0; waited < wait_ms;) {
    worker_->dismiss_message();
    const DWORD step = std::min<DWORD>(100, wait_ms - waited);
    if (worker_->stop(step)) return;
    waited += step;
  }
}
bool DeliveryQueue::delivering() const { return worker_->running(); }
Outcome DeliveryQueue::deliver_file(const std::string& path) { return worker_->deliver_file(path); }

}  // namespace vt
