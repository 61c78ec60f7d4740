#pragma once
// Picking a process's main window among its top-level windows. The windows are collected during a
// window enumeration; the scoring asks a small interface for what the system knows about each
// window, so the rule itself runs (and is tested) without Windows.
#include <cstdint>
#include <string_view>

namespace velkor {

// A window handle as an opaque number (the Windows side converts HWND to and from it).
using WindowId = std::uintptr_t;

// What the scoring needs to know about a window.
class WindowFacts {
 public:
  virtual ~WindowFacts() = default;
  // The last window of the owner chain, 0 for a window without owner.
  virtual WindowId TopOwner(WindowId window) const = 0;
  virtual bool HasTitle(WindowId window) const = 0;
  virtual bool IsVisible(WindowId window) const = 0;
};

// True for the input-method windows that the system gives every thread with windows ("IME",
// "MSCTFIME UI"). They belong to the process but are never its main window: left in, the titled
// "Default IME" would be picked for a program whose own windows are hidden and untitled.
bool IsImeWindowClass(std::string_view class_name);

// Collects and scores the top-level windows of one process. About 20 KB: create it on the heap.
class TAnalizer {
 public:
  static constexpr int kCapacity = 2001;

  WindowId Windows[kCapacity];
  uint16_t Scores[kCapacity];
  int32_t Count;
  uint32_t ProcessId;

  TAnalizer() { Clear(); }

  // All handles and scores 0, Count 0, ProcessId 0.
  void Clear();

  // Enumeration callback: keeps `window` when `owner_process` is ProcessId. Windows beyond the
  // capacity are ignored (the first 2001 are enough to find a main window). Always returns true,
  // so the enumeration goes on.
  bool AddWindow(WindowId window, uint32_t owner_process);

  // score = 4 * (collected windows whose top owner this is) + 2 if titled + 1 if visible.
  void ScoreWindows(const WindowFacts& facts);

  // Scores the windows and returns the first one whose score beats every earlier score (and 0);
  // 0 when every window scores 0 or none was collected.
  WindowId BestWindow(const WindowFacts& facts);
};

}  // namespace velkor
