#pragma once
// A message presenter for tests: records every box shown and answers from
// a script. Install it with ScopedMessagePresenter so the previous
// presenter comes back at the end of the test.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "shell/U_MsgDlg.h"

namespace vandrel::test {

/// One box as the test saw it.
struct ShownMessage {
  MessageRequest request;
  std::thread::id thread; ///< the thread Present ran on
};

class ScriptedMessagePresenter : public MessagePresenter {
public:
  /// Queues answers (kIdYes, kIdOk, ...) for the next boxes, in order.
  void Answer(std::initializer_list<int> results);
  /// Answers every box that finds the script empty with this result.
  /// Without it, such a box fails the test and gets the answer that does
  /// nothing (Cancel, else No, else OK).
  void AnswerRestWith(int result);

  /// Runs before each box is answered, on the thread that shows it, with
  /// the box's position among all boxes shown (from 0): a test changes the
  /// world there (swaps a disk) as a user would before pressing a button.
  void BeforeAnswer(std::function<void(size_t index, const MessageRequest&)> action);

  int Present(const MessageRequest& request) override;

  /// Copies of what was shown, oldest first.
  std::vector<ShownMessage> Shown() const;
  /// The texts shown, oldest first.
  std::vector<AnsiString> Texts() const;
  /// Answers still queued.
  size_t Unanswered() const;

private:
  mutable std::mutex mutex_;
  std::deque<int> script_;
  int rest_ = 0;
  bool has_rest_ = false;
  std::vector<ShownMessage> shown_;
  std::function<void(size_t, const MessageRequest&)> before_answer_;
};

/// Installs a presenter for the lifetime of the object.
class ScopedMessagePresenter {
public:
  ScopedMessagePresenter();
  ~ScopedMessagePresenter();
  ScopedMessagePresenter(const ScopedMessagePresenter&) = delete;
  ScopedMessagePresenter& operator=(const ScopedMessagePresenter&) = delete;
  ScriptedMessagePresenter& operator*() const { return *presenter_; }
  ScriptedMessagePresenter* operator->() const { return presenter_.get(); }

private:
  std::shared_ptr<ScriptedMessagePresenter> presenter_;
  std::shared_ptr<MessagePresenter> previous_;
};

} // namespace vandrel::test
