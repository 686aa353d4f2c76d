#include "platform/Boxes.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSemaphore>
#include <memory>

#include "platform/UiThread.h"

namespace platform {

namespace {

bool AnsweredBySeam(const BoxRequest& request, int& result) {
  TestSeam* seam = InstalledTestSeam();
  return seam != nullptr && seam->AnswerBox(request, result);
}

}  // namespace

int ShowBox(BoxRequest request, const std::function<QDialog*()>& build) {
  request.forWorker = !OnUiThread();
  if (!request.forWorker) {
    int result = 0;
    if (AnsweredBySeam(request, result)) return result;
    std::unique_ptr<QDialog> box(build());
    return box->exec();
  }

  // For the worker: the UI thread shows the box without a modal loop of its own and
  // returns to its events at once; the worker waits for the answer.
  struct Answer {
    QSemaphore ready;
    int result = 0;
  };
  auto answer = std::make_shared<Answer>();
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [request, build, answer] {
        if (AnsweredBySeam(request, answer->result)) {
          answer->ready.release();
          return;
        }
        QDialog* box = build();
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        QObject::connect(box, &QDialog::finished, box, [answer](int result) {
          answer->result = result;
          answer->ready.release();
        });
        box->show();
      },
      Qt::QueuedConnection);
  answer->ready.acquire();
  return answer->result;
}

}  // namespace platform
