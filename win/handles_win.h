// Owners for Win32 objects: each releases what it holds when it goes, so no exit
// path forgets a CloseHandle, a ReleaseDC or a LeaveCriticalSection.
#pragma once
#include <windows.h>
#include <objbase.h>

namespace vt {

// A kernel handle (event, thread, process, pipe, file, mutex). Invalid values are
// both null and INVALID_HANDLE_VALUE, as the system returns either.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.release()) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }
  // The slot for functions that return a handle through a pointer (CreatePipe).
  HANDLE* out() {
    reset();
    return &handle_;
  }
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset(HANDLE handle = nullptr) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// The process and thread handles CreateProcess hands back.
struct ProcessHandles {
  explicit ProcessHandles(const PROCESS_INFORMATION& info) : process(info.hProcess), thread(info.hThread) {}
  OwnedHandle process;
  OwnedHandle thread;
};

// A GDI object (pen, brush, font, bitmap, region) made by the program.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T object) : object_(object) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      reset(other.object_);
      other.object_ = nullptr;
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  T get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset(T object = nullptr) {
    if (object_) DeleteObject(object_);
    object_ = object;
  }

 private:
  T object_ = nullptr;
};

using OwnedPen = GdiObject<HPEN>;
using OwnedBrush = GdiObject<HBRUSH>;
using OwnedFont = GdiObject<HFONT>;
using OwnedBitmap = GdiObject<HBITMAP>;

// A memory DC made with CreateCompatibleDC.
class MemoryDC {
 public:
  explicit MemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC for one scope; the previous one is put back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A critical section and its scoped lock.
class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void enter() { EnterCriticalSection(&section_); }
  void leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& section) : section_(section) { section_.enter(); }
  ~CriticalSectionLock() { section_.leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& section_;
};

// COM (or OLE, for the shell's drag-and-drop and links) for one scope of a thread.
class ComScope {
 public:
  explicit ComScope(bool ole = false) : ole_(ole) {
    HRESULT result = ole_ ? OleInitialize(nullptr) : CoInitialize(nullptr);
    initialised_ = SUCCEEDED(result);
  }
  ~ComScope() {
    if (!initialised_) return;
    if (ole_) {
      OleUninitialize();
    } else {
      CoUninitialize();
    }
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool ok() const { return initialised_; }

 private:
  bool ole_;
  bool initialised_ = false;
};

// A library loaded at run time (WinINet, MAPI32).
class OwnedLibrary {
 public:
  OwnedLibrary() = default;
  explicit OwnedLibrary(const char* name) : module_(LoadLibraryA(name)) {}
  ~OwnedLibrary() {
    if (module_) FreeLibrary(module_);
  }
  OwnedLibrary(const OwnedLibrary&) = delete;
  OwnedLibrary& operator=(const OwnedLibrary&) = delete;
  HMODULE get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }
  template <typename F>
  F function(const char* name) const {
    return module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }

 private:
  HMODULE module_ = nullptr;
};

// A registry key the program opened or created, closed with RegCloseKey.
class OwnedKey {
 public:
  OwnedKey() = default;
  ~OwnedKey() { reset(); }
  OwnedKey(const OwnedKey&) = delete;
  OwnedKey& operator=(const OwnedKey&) = delete;
  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  // The slot for RegOpenKeyEx and RegCreateKeyEx.
  HKEY* out() {
    reset();
    return &key_;
  }
  void reset() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

// A FindFirstFile search, ended with FindClose.
class FindHandle {
 public:
  explicit FindHandle(HANDLE search) : search_(search) {}
  ~FindHandle() {
    if (valid()) FindClose(search_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return search_; }
  bool valid() const { return search_ != INVALID_HANDLE_VALUE && search_ != nullptr; }
  explicit operator bool() const { return valid(); }

 private:
  HANDLE search_;
};

}  // namespace vt
