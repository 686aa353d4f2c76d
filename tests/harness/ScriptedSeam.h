#pragma once
// The tests' stand-in for the user and the disk: it records every box, answers boxes and
// the Open dialog as scripted, counts file operations and makes chosen ones fail or fall
// short. Installs itself for its lifetime.

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/TestSeam.h"

class ScriptedSeam : public platform::TestSeam {
 public:
  struct Box {
    std::string text;
    std::string caption;
    int flags = 0;
    bool forWorker = false;
  };
  struct Io {
    platform::IoCall call;
    int64_t count;
  };
  // Decides an I/O call from its index (0-based, over all calls since the last reset).
  using IoRule = std::function<platform::IoVerdict(platform::IoCall, int64_t count, int index)>;

  ScriptedSeam();
  ~ScriptedSeam() override;

  // Boxes are answered with OK unless showReal says to show the real box. onBox runs on
  // the UI thread for every box, before it is answered (a test may act meanwhile).
  std::function<bool(const platform::BoxRequest&)> showReal;
  std::function<void(const platform::BoxRequest&)> onBox;
  std::vector<Box> Boxes() const;
  void ClearBoxes();

  // The next Open dialog confirms path; nullopt cancels. An unscripted dialog cancels.
  void QueueOpenAnswer(std::optional<std::string> path);
  std::vector<platform::OpenDialogRequest> OpenRequests() const;

  void SetIoRule(IoRule rule);
  std::vector<Io> IoLog() const;
  void ResetIo();

  bool failThreadStart = false;
  std::vector<std::string> ShellOpens() const;

  bool AnswerBox(const platform::BoxRequest& request, int& result) override;
  bool AnswerOpenDialog(const platform::OpenDialogRequest& request,
                        std::optional<std::string>& chosen) override;
  platform::IoVerdict OnIo(platform::IoCall call, int64_t count) override;
  bool FailThreadStart() override;
  bool InterceptShellOpen(const std::string& address) override;

 private:
  mutable std::mutex mutex_;
  std::vector<Box> boxes_;
  std::deque<std::optional<std::string>> openAnswers_;
  std::vector<platform::OpenDialogRequest> openRequests_;
  IoRule ioRule_;
  std::vector<Io> ioLog_;
  std::vector<std::string> shellOpens_;
};
