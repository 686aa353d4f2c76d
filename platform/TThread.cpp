#include "platform/TThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSemaphore>
#include <QThread>
#include <atomic>

#include "platform/Exceptions.h"
#include "platform/TestSeam.h"
#include "platform/UiThread.h"

namespace platform {

namespace {

QThread::Priority ToQtPriority(TThreadPriority priority) {
  switch (priority) {
    case tpIdle: return QThread::IdlePriority;
    case tpLowest: return QThread::LowestPriority;
    case tpLower: return QThread::LowPriority;
    case tpNormal: return QThread::NormalPriority;
    case tpHigher: return QThread::HighPriority;
    case tpHighest: return QThread::HighestPriority;
    case tpTimeCritical: return QThread::TimeCriticalPriority;
  }
  return QThread::NormalPriority;
}

}  // namespace

// What the running thread and the object share. The thread keeps it alive on its own,
// so the object may go while the thread is still on its way out.
struct TThread::Shared {
  QSemaphore released;            // Execute may begin
  std::atomic<bool> abandoned{false};  // the object is gone: run nothing more for it
  std::atomic<bool> executed{false};   // Execute has returned or raised
  QPointer<QThread> thread;       // deletes itself on the UI thread once finished
};

TThread::TThread(bool createSuspended) : shared_(std::make_shared<Shared>()) {
  TestSeam* seam = InstalledTestSeam();
  if (seam != nullptr && seam->FailThreadStart()) throw EThread("Thread creation error");

  std::shared_ptr<Shared> shared = shared_;
  shared->thread = QThread::create([this, shared] {
    shared->released.acquire();
    if (shared->abandoned) return;
    Run();
  });
  // The QThread object lives on the UI thread and removes itself there once its thread
  // has ended, whether or not this object still exists.
  QObject::connect(shared->thread, &QThread::finished, shared->thread, &QObject::deleteLater);
  shared->thread->start();
  if (!shared->thread->isRunning()) {
    delete shared->thread;
    shared->thread = nullptr;
    throw EThread("Thread creation error");
  }
  if (!createSuspended) {
    // Let Execute begin once the creating code is back in the event loop: by then the
    // derived object is complete and its OnTerminate is attached.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [shared] { shared->released.release(); },
        Qt::QueuedConnection);
  }
}

TThread::~TThread() {
  shared_->abandoned = true;
  // Still gated or still in Execute: release it, so that it leaves `this`.
  if (!shared_->executed) shared_->released.release();
  // Then wait for the thread to end. Once Execute has returned the thread waits for
  // nothing on this thread, so this is short; without it the program could go on to end
  // and take Qt down while the thread is still on its way out.
  if (!shared_->thread.isNull()) shared_->thread->wait();
}

void TThread::Start() { shared_->released.release(); }

void TThread::SetPriority(TThreadPriority priority) {
  priority_ = priority;
  if (shared_->thread != nullptr && shared_->thread->isRunning()) {
    shared_->thread->setPriority(ToQtPriority(priority));
  }
}

// On the new thread.
void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    fatalException_ = std::current_exception();
  }
  std::shared_ptr<Shared> shared = shared_;
  shared->executed = true;
  // The finished notification runs on the UI thread; the thread does not wait for it,
  // so the handler may delete this object and the UI thread never waits for us.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this, shared] {
        if (!shared->abandoned) DoTerminate();
      },
      Qt::QueuedConnection);
}

void TThread::DoTerminate() {
  // The handler may delete this object, and with it onTerminate_: call a copy, so that
  // the handler itself outlives the deletion.
  const TNotifyEvent handler = onTerminate_;
  if (handler) handler(this);
}

}  // namespace platform
