#include "platform/MessagePump.h"

#include <QCoreApplication>

namespace platform {

void ProcessThreadMessages() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

}  // namespace platform
