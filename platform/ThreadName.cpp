#include "platform/ThreadName.h"

#include <pthread.h>

#include <string>

namespace platform {

void NameCurrentThread(const char* name) {
  const std::string fitted = std::string(name).substr(0, 15);
  pthread_setname_np(pthread_self(), fitted.c_str());
}

}  // namespace platform
