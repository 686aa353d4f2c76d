#include "tests/harness/ScriptedSeam.h"

#include "platform/Boxes.h"

using platform::IoVerdict;

ScriptedSeam::ScriptedSeam() { platform::InstallTestSeam(this); }
ScriptedSeam::~ScriptedSeam() { platform::InstallTestSeam(nullptr); }

std::vector<ScriptedSeam::Box> ScriptedSeam::Boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

void ScriptedSeam::ClearBoxes() {
  std::lock_guard<std::mutex> lock(mutex_);
  boxes_.clear();
}

void ScriptedSeam::QueueOpenAnswer(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(mutex_);
  openAnswers_.push_back(std::move(path));
}

std::vector<platform::OpenDialogRequest> ScriptedSeam::OpenRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return openRequests_;
}

void ScriptedSeam::SetIoRule(IoRule rule) {
  std::lock_guard<std::mutex> lock(mutex_);
  ioRule_ = std::move(rule);
}

std::vector<ScriptedSeam::Io> ScriptedSeam::IoLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ioLog_;
}

void ScriptedSeam::ResetIo() {
  std::lock_guard<std::mutex> lock(mutex_);
  ioLog_.clear();
}

std::vector<std::string> ScriptedSeam::ShellOpens() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shellOpens_;
}

bool ScriptedSeam::AnswerBox(const platform::BoxRequest& request, int& result) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back({request.text, request.caption, request.flags, request.forWorker});
  }
  if (onBox) onBox(request);
  if (showReal && showReal(request)) return false;
  result = platform::IDOK;
  return true;
}

bool ScriptedSeam::AnswerOpenDialog(const platform::OpenDialogRequest& request,
                                    std::optional<std::string>& chosen) {
  std::lock_guard<std::mutex> lock(mutex_);
  openRequests_.push_back(request);
  chosen.reset();
  if (!openAnswers_.empty()) {
    chosen = openAnswers_.front();
    openAnswers_.pop_front();
  }
  return true;
}

IoVerdict ScriptedSeam::OnIo(platform::IoCall call, int64_t count) {
  IoRule rule;
  int index = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    index = static_cast<int>(ioLog_.size());
    ioLog_.push_back({call, count});
    rule = ioRule_;
  }
  return rule ? rule(call, count, index) : IoVerdict{};
}

bool ScriptedSeam::FailThreadStart() { return failThreadStart; }

bool ScriptedSeam::InterceptShellOpen(const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  shellOpens_.push_back(address);
  return true;
}
