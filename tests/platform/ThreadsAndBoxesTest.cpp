// The worker-thread contracts the conversion relies on: when Execute may begin and when
// OnTerminate runs, deleting the worker from its own OnTerminate, the thread's name,
// boxes and UI calls asked for by the worker (the main window stays usable meanwhile),
// and the worker's own message pump.

#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/Unit1.h"
#include "platform/Boxes.h"
#include "platform/Exceptions.h"
#include "platform/MessagePump.h"
#include "platform/TApplication.h"
#include "platform/TThread.h"
#include "platform/ThreadName.h"
#include "platform/UiThread.h"
#include "tests/harness/ScriptedSeam.h"
#include "tests/harness/WindowHarness.h"

using platform::Application;
using platform::TThread;

namespace {

bool OnUi() {
  return QThread::currentThread() == qApp->thread();
}

// A worker whose Execute is the given function.
class LambdaThread : public TThread {
 public:
  explicit LambdaThread(std::function<void()> body, bool createSuspended = false)
      : TThread(createSuspended), body_(std::move(body)) {}

 protected:
  void Execute() override { body_(); }

 private:
  std::function<void()> body_;
};

// A worker whose constructor takes its time after the base class has started the
// thread, and whose Execute reads what that constructor set.
class SlowlyBuiltThread : public TThread {
 public:
  SlowlyBuiltThread() : TThread(false) {
    QThread::msleep(50);
    name_ = "ExtractThread";
  }
  std::string seen;

 protected:
  void Execute() override { seen = name_; }

 private:
  std::string name_;
};

// Sets a flag when Execute is left, by a return or by an exception.
struct LeaveMark {
  std::atomic<bool>& left;
  ~LeaveMark() { left = true; }
};

QDialog* VisibleDialog(const QString& caption) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog != nullptr && dialog->isVisible() && dialog->windowTitle() == caption) {
      return dialog;
    }
  }
  return nullptr;
}

QPushButton* BoxButton(QDialog* box, QDialogButtonBox::StandardButton which) {
  auto* buttons = box->findChild<QDialogButtonBox*>();
  return buttons == nullptr ? nullptr : buttons->button(which);
}

}  // namespace

constexpr int kEscape = -1;  // a row that presses Escape instead of a button

class ThreadsAndBoxesTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    Busy = 0;
    QTest::qWait(20);  // threads that have ended remove themselves
  }

  void onTerminateRunsOnUiThreadAfterExecute_data() {
    QTest::addColumn<bool>("raises");
    QTest::newRow("Execute returned") << false;
    QTest::newRow("Execute raised") << true;
  }

  void onTerminateRunsOnUiThreadAfterExecute() {
    QFETCH(bool, raises);
    std::atomic<bool> executeLeft{false};
    auto* worker = new LambdaThread([&] {
      LeaveMark mark{executeLeft};
      if (raises) throw platform::EWriteError("disk full");
    });
    int terminations = 0;
    bool onUi = false, afterExecute = false;
    TThread* sender = nullptr;
    worker->SetOnTerminate([&](TThread* s) {
      ++terminations;
      onUi = OnUi();
      afterExecute = executeLeft;
      sender = s;
    });
    QVERIFY(QTest::qWaitFor([&] { return terminations > 0; }, 5000));
    QTest::qWait(50);
    QCOMPARE(terminations, 1);
    QVERIFY(onUi);
    QVERIFY(afterExecute);
    QCOMPARE(sender, worker);
    if (raises) {
      QVERIFY(worker->FatalException());
      try {
        std::rethrow_exception(worker->FatalException());
      } catch (const platform::EWriteError& e) {
        QCOMPARE(e.Message(), std::string("disk full"));
      } catch (...) {
        QFAIL("FatalException holds another exception than Execute raised");
      }
    } else {
      QVERIFY(!worker->FatalException());
    }
    delete worker;
  }

  // The conversion's end handler deletes the worker; the thread may still be on its way
  // out then. Many runs give a race between the two every chance to show.
  void threadMayBeDeletedFromItsOwnOnTerminate() {
    constexpr int kRuns = 200;
    int ended = 0;
    for (int run = 0; run < kRuns; ++run) {
      auto* worker = new LambdaThread([] {});
      worker->SetOnTerminate([&ended](TThread* sender) {
        delete sender;
        ++ended;
      });
      QVERIFY2(QTest::qWaitFor([&] { return ended == run + 1; }, 5000),
               qPrintable(QString("run %1 did not end").arg(run)));
    }
    QCOMPARE(ended, kRuns);
  }

  void threadDeletedBeforeItRanNeverExecutes_data() {
    QTest::addColumn<bool>("createSuspended");
    QTest::newRow("created running") << false;
    QTest::newRow("created suspended") << true;
  }

  void threadDeletedBeforeItRanNeverExecutes() {
    QFETCH(bool, createSuspended);
    std::atomic<int> executed{0};
    bool terminated = false;
    auto* worker = new LambdaThread([&] { ++executed; }, createSuspended);
    worker->SetOnTerminate([&](TThread*) { terminated = true; });
    delete worker;  // before the event loop has had a turn
    QTest::qWait(100);
    QCOMPARE(executed.load(), 0);
    QVERIFY(!terminated);
  }

  void failedThreadStartRaisesEThread() {
    ScriptedSeam seam;
    seam.failThreadStart = true;
    std::atomic<int> executed{0};
    TThread* made = nullptr;
    QVERIFY_THROWS_EXCEPTION(platform::EThread, made = new LambdaThread([&] { ++executed; }));
    QVERIFY(made == nullptr);
    QTest::qWait(50);
    QCOMPARE(executed.load(), 0);
  }

  // Also: an OnTerminate attached some time after construction, as the Convert command
  // attaches it, still runs.
  void derivedObjectIsCompleteBeforeExecuteBegins() {
    auto* worker = new SlowlyBuiltThread;
    QThread::msleep(50);
    worker->SetPriority(platform::tpNormal);
    bool terminated = false;
    worker->SetOnTerminate([&](TThread*) { terminated = true; });
    QVERIFY(QTest::qWaitFor([&] { return terminated; }, 5000));
    QCOMPARE(worker->seen, std::string("ExtractThread"));
    delete worker;
  }

  void threadNameShowsInProc_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("the worker's name") << "ExtractThread"
                                       << "ExtractThread";
    QTest::newRow("cut to the system's limit") << "ABCDEFGHIJKLMNOPQRST"
                                               << "ABCDEFGHIJKLMNO";
  }

  void threadNameShowsInProc() {
    QFETCH(QString, name);
    QFETCH(QString, shown);
    std::string comm;
    std::thread named([&] {
      platform::NameCurrentThread(name.toStdString().c_str());
      std::ifstream in("/proc/self/task/" + std::to_string(::gettid()) + "/comm");
      std::getline(in, comm);
    });
    named.join();
    QCOMPARE(QString::fromStdString(comm), shown);
  }

  void boxForWorkerIsShownOnUiThreadWhileTheWorkerWaits() {
    ScriptedSeam seam;
    std::atomic<bool> workerAnswered{false};
    bool shownOnUi = false, workerWaited = false;
    seam.onBox = [&](const platform::BoxRequest&) {
      shownOnUi = OnUi();
      QThread::msleep(30);  // a worker that did not wait would be past its box by now
      workerWaited = !workerAnswered;
    };
    int result = 0;
    auto* worker = new LambdaThread([&] {
      result = Application->MessageBox("Compression failed.", "Zlib Error", platform::MB_OKCANCEL);
      workerAnswered = true;
    });
    bool terminated = false;
    worker->SetOnTerminate([&](TThread*) { terminated = true; });
    QVERIFY(QTest::qWaitFor([&] { return terminated; }, 5000));
    delete worker;

    QVERIFY(shownOnUi);
    QVERIFY(workerWaited);
    QCOMPARE(result, platform::IDOK);
    auto boxes = seam.Boxes();
    QCOMPARE(boxes.size(), size_t{1});
    QCOMPARE(boxes[0].text, std::string("Compression failed."));
    QCOMPARE(boxes[0].caption, std::string("Zlib Error"));
    QCOMPARE(boxes[0].flags, platform::MB_OKCANCEL);
    QVERIFY(boxes[0].forWorker);

    Application->MessageBox("W[1] : Application Busy.", "Warning", platform::MB_OK);
    boxes = seam.Boxes();
    QCOMPARE(boxes.size(), size_t{2});
    QVERIFY(!boxes[1].forWorker);
  }

  void realBoxForWorkerLeavesTheMainWindowUsable() {
    MakeMainWindow();
    ScriptedSeam seam;
    seam.showReal = [](const platform::BoxRequest& request) { return request.forWorker; };
    std::atomic<bool> answered{false};
    int result = 0;
    auto* worker = new LambdaThread([&] {
      result = Application->MessageBox("Compression failed.", "Zlib Error", platform::MB_OK);
      answered = true;
    });
    bool terminated = false;
    worker->SetOnTerminate([&](TThread*) { terminated = true; });

    QPointer<QDialog> box;
    QVERIFY(QTest::qWaitFor([&] { return (box = VisibleDialog("Zlib Error")) != nullptr; }, 5000));
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    // The UI thread goes on serving its events: a timer ticks...
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(5);
    QVERIFY(QTest::qWaitFor([&] { return ticks >= 5; }, 5000));
    // ...and the main window takes a click: Open refuses while a conversion runs.
    Busy = 1;
    QTest::mouseClick(Form1->Open, Qt::LeftButton);
    Busy = 0;
    const auto boxes = seam.Boxes();
    QCOMPARE(boxes.size(), size_t{2});
    QCOMPARE(boxes[1].text, std::string("W[1] : Application Busy."));
    QCOMPARE(boxes[1].caption, std::string("Warning"));
    QVERIFY(!boxes[1].forWorker);
    QVERIFY(!answered);

    // The user closes the worker's box, and the worker goes on.
    QVERIFY(!box.isNull());
    QPushButton* ok = BoxButton(box, QDialogButtonBox::Ok);
    QVERIFY(ok != nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return terminated; }, 5000));
    QVERIFY(answered);
    QCOMPARE(result, platform::IDOK);
    QVERIFY(QTest::qWaitFor([&] { return box.isNull(); }, 5000));  // the box is released
    delete worker;
    DestroyMainWindow();
  }

  void realBoxOnUiThreadIsModalAndAnswersTheButtonClicked_data() {
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK") << platform::MB_OK << int(QDialogButtonBox::Ok) << platform::IDOK;
    QTest::newRow("OK of OK/Cancel")
        << platform::MB_OKCANCEL << int(QDialogButtonBox::Ok) << platform::IDOK;
    QTest::newRow("Cancel of OK/Cancel")
        << platform::MB_OKCANCEL << int(QDialogButtonBox::Cancel) << platform::IDCANCEL;
    // Escape once answered 0, which is neither of the box's answers.
    QTest::newRow("Escape on OK") << platform::MB_OK << kEscape << platform::IDOK;
    QTest::newRow("Escape on OK/Cancel") << platform::MB_OKCANCEL << kEscape << platform::IDCANCEL;
  }

  void realBoxOnUiThreadIsModalAndAnswersTheButtonClicked() {
    QFETCH(int, flags);
    QFETCH(int, button);
    QFETCH(int, answer);
    ScriptedSeam seam;
    seam.showReal = [](const platform::BoxRequest&) { return true; };
    bool modal = false, cancelShown = false, clicked = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
      QDialog* box = VisibleDialog("File Error");
      if (box == nullptr || clicked) return;
      modal = QApplication::activeModalWidget() == box;
      cancelShown = BoxButton(box, QDialogButtonBox::Cancel) != nullptr;
      if (button == kEscape) {
        clicked = true;
        return QTest::keyClick(box, Qt::Key_Escape);
      }
      QPushButton* target = BoxButton(box, QDialogButtonBox::StandardButton(button));
      if (target == nullptr) return box->done(-1);
      clicked = true;
      QTest::mouseClick(target, Qt::LeftButton);
    });
    closer.start(10);
    const int result = Application->MessageBox("Problem writing to file.", "File Error", flags);
    QVERIFY(clicked);
    QVERIFY(modal);
    QCOMPARE(cancelShown, flags == platform::MB_OKCANCEL);
    QCOMPARE(result, answer);
  }

  void runOnUiThreadRunsInOrderAndPassesExceptionsBack() {
    std::vector<int> ran;           // written on the UI thread only
    std::vector<bool> ranOnUi;      // likewise
    std::vector<size_t> seenAfter;  // by the worker, after each call returned
    std::string caught;
    auto* worker = new LambdaThread([&] {
      for (int i = 0; i < 3; ++i) {
        platform::RunOnUiThread([&, i] {
          ran.push_back(i);
          ranOnUi.push_back(OnUi());
        });
        seenAfter.push_back(ran.size());
      }
      try {
        platform::RunOnUiThread([] { throw platform::EWriteError("raised on the UI thread"); });
      } catch (const platform::EWriteError& e) {
        caught = e.Message();
      }
    });
    bool terminated = false;
    worker->SetOnTerminate([&](TThread*) { terminated = true; });
    QVERIFY(QTest::qWaitFor([&] { return terminated; }, 5000));
    QVERIFY(!worker->FatalException());
    delete worker;

    QCOMPARE(ran, std::vector<int>({0, 1, 2}));
    QCOMPARE(ranOnUi, std::vector<bool>({true, true, true}));
    QCOMPARE(seenAfter, std::vector<size_t>({1, 2, 3}));
    QCOMPARE(caught, std::string("raised on the UI thread"));
  }

  void messagePumpOnWorkerRunsOnlyItsOwnEvents() {
    QSemaphore go, pumped;
    std::atomic<bool> started{false}, uiEventRan{false};
    QThread* workerThread = nullptr;
    QThread* ownRanOn = nullptr;
    QThread* uiRanOn = nullptr;
    bool uiRanDuringPump = true;
    auto* worker = new LambdaThread([&] {
      workerThread = QThread::currentThread();
      started = true;
      go.acquire();
      QObject own;  // lives on the worker
      QMetaObject::invokeMethod(
          &own, [&] { ownRanOn = QThread::currentThread(); }, Qt::QueuedConnection);
      QMetaObject::invokeMethod(
          qApp,
          [&] {
            uiRanOn = QThread::currentThread();
            uiEventRan = true;
          },
          Qt::QueuedConnection);
      platform::ProcessThreadMessages();
      uiRanDuringPump = uiEventRan;
      pumped.release();
    });
    bool terminated = false;
    worker->SetOnTerminate([&](TThread*) { terminated = true; });
    QVERIFY(QTest::qWaitFor([&] { return started.load(); }, 5000));

    // The UI thread handles no events of its own until the worker has pumped.
    go.release();
    QVERIFY(pumped.tryAcquire(1, 5000));
    QCOMPARE(ownRanOn, workerThread);
    QVERIFY(!uiRanDuringPump);

    QVERIFY(QTest::qWaitFor([&] { return uiEventRan.load(); }, 5000));
    QCOMPARE(uiRanOn, qApp->thread());
    QVERIFY(QTest::qWaitFor([&] { return terminated; }, 5000));
    delete worker;
  }
};

QTEST_MAIN(ThreadsAndBoxesTest)
#include "ThreadsAndBoxesTest.moc"
