#pragma once
// A worker thread in the shape the conversion uses: created running, Execute on the new
// thread, and OnTerminate on the UI thread once Execute has returned or raised (the
// exception is kept, not passed on).
//
// The object may be deleted from its own OnTerminate: by then Execute has returned and
// the thread no longer touches the object, and the destructor does not wait for it.

#include <exception>
#include <functional>
#include <memory>

namespace platform {

enum TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical,
};

class TThread {
 public:
  using TNotifyEvent = std::function<void(TThread* sender)>;

  // Starts the thread (raising EThread when it cannot be started). With createSuspended
  // false, Execute begins as soon as the code that made the object has returned to the
  // UI thread's event loop, so a derived object is always fully built first.
  explicit TThread(bool createSuspended);
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Releases a thread that was created suspended.
  void Start();

  void SetPriority(TThreadPriority priority);
  TThreadPriority Priority() const { return priority_; }

  void SetOnTerminate(TNotifyEvent handler) { onTerminate_ = std::move(handler); }

  // What Execute raised, if anything.
  std::exception_ptr FatalException() const { return fatalException_; }

 protected:
  virtual void Execute() = 0;

 private:
  struct Shared;
  void Run();
  void DoTerminate();

  std::shared_ptr<Shared> shared_;
  TThreadPriority priority_ = tpNormal;
  TNotifyEvent onTerminate_;
  std::exception_ptr fatalException_;
};

}  // namespace platform
