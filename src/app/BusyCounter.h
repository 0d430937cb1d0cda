#pragma once
#include <mutex>

namespace mediaconv::app {

// What the front end does when the program becomes busy and idle again
// (the GUI shows and restores the wait cursor).
class TBusyCursor {
 public:
  virtual ~TBusyCursor() = default;
  virtual void ShowBusy() = 0;
  virtual void RestoreDefault() = 0;
};

// Nesting counter of busy sections: the cursor turns busy when the outermost
// section begins and back when it ends. An End without a Begin does nothing.
class TBusyCounter {
 public:
  void SetCursor(TBusyCursor* cursor);
  void Begin();
  void End();
  int Depth() const;

 private:
  mutable std::mutex mutex_;
  int depth_ = 0;
  TBusyCursor* cursor_ = nullptr;
};

// The process-wide counter behind BeginBusy and EndBusy.
TBusyCounter& BusyCounter();
void BeginBusy();
void EndBusy();

}  // namespace mediaconv::app
