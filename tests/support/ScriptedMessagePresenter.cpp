#include "support/ScriptedMessagePresenter.h"

#include <gtest/gtest.h>

namespace vandrel::test {

void ScriptedMessagePresenter::Answer(std::initializer_list<int> results) {
  std::lock_guard guard(mutex_);
  script_.insert(script_.end(), results.begin(), results.end());
}

void ScriptedMessagePresenter::AnswerRestWith(int result) {
  std::lock_guard guard(mutex_);
  rest_ = result;
  has_rest_ = true;
}

void ScriptedMessagePresenter::BeforeAnswer(
    std::function<void(size_t index, const MessageRequest&)> action) {
  std::lock_guard guard(mutex_);
  before_answer_ = std::move(action);
}

int ScriptedMessagePresenter::Present(const MessageRequest& request) {
  std::function<void(size_t, const MessageRequest&)> before;
  size_t index = 0;
  {
    std::lock_guard guard(mutex_);
    index = shown_.size();
    shown_.push_back(ShownMessage{request, std::this_thread::get_id()});
    before = before_answer_;
  }
  if (before) {
    before(index, request);
  }
  std::lock_guard guard(mutex_);
  if (!script_.empty()) {
    const int result = script_.front();
    script_.pop_front();
    return result;
  }
  if (has_rest_) {
    return rest_;
  }
  ADD_FAILURE() << "unexpected message box \"" << request.caption << "\": " << request.text;
  return UnattendedAnswer(request.buttons);
}

std::vector<ShownMessage> ScriptedMessagePresenter::Shown() const {
  std::lock_guard guard(mutex_);
  return shown_;
}

std::vector<AnsiString> ScriptedMessagePresenter::Texts() const {
  std::lock_guard guard(mutex_);
  std::vector<AnsiString> texts;
  for (const ShownMessage& shown : shown_) {
    texts.push_back(shown.request.text);
  }
  return texts;
}

size_t ScriptedMessagePresenter::Unanswered() const {
  std::lock_guard guard(mutex_);
  return script_.size();
}

ScopedMessagePresenter::ScopedMessagePresenter()
    : presenter_(std::make_shared<ScriptedMessagePresenter>()),
      previous_(SetMessagePresenter(presenter_)) {}

ScopedMessagePresenter::~ScopedMessagePresenter() {
  SetMessagePresenter(previous_);
}

} // namespace vandrel::test
