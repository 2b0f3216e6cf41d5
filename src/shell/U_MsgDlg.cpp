#include "shell/U_MsgDlg.h"

#include <cstdio>
#include <mutex>

#include "base/MainThread.h"

namespace vandrel {

namespace {

class StderrPresenter : public MessagePresenter {
public:
  int Present(const MessageRequest& request) override {
    std::fprintf(stderr, "%s%s%s\n", request.caption.c_str(), request.caption.empty() ? "" : ": ",
                 request.text.c_str());
    return UnattendedAnswer(request.buttons);
  }
};

std::mutex presenter_mutex;
std::shared_ptr<MessagePresenter> installed_presenter;

std::shared_ptr<MessagePresenter> CurrentPresenter() {
  std::lock_guard guard(presenter_mutex);
  if (!installed_presenter) {
    installed_presenter = std::make_shared<StderrPresenter>();
  }
  return installed_presenter;
}

int Show(const MessageRequest& request) {
  const std::shared_ptr<MessagePresenter> presenter = CurrentPresenter();
  int result = UnattendedAnswer(request.buttons);
  RunOnMainThread([&] { result = presenter->Present(request); });
  return result;
}

} // namespace

int UnattendedAnswer(MessageButtons buttons) {
  switch (buttons) {
  case MessageButtons::YesNo:
    return kIdNo;
  case MessageButtons::YesNoCancel:
  case MessageButtons::OkCancel:
    return kIdCancel;
  case MessageButtons::Ok:
    break;
  }
  return kIdOk;
}

std::shared_ptr<MessagePresenter> SetMessagePresenter(std::shared_ptr<MessagePresenter> presenter) {
  std::lock_guard guard(presenter_mutex);
  std::shared_ptr<MessagePresenter> previous = std::move(installed_presenter);
  installed_presenter = std::move(presenter);
  return previous;
}

MessageRequest MakeMessageRequest(MessageOwner Owner, const AnsiString& Text, int Buttons,
                                  int Kind) {
  MessageRequest request;
  request.owner = Owner;
  request.text = Text;
  switch (Buttons) {
  case kButtonsYesNo:
    request.buttons = MessageButtons::YesNo;
    request.style = kMbYesNo;
    break;
  case kButtonsYesNoCancel:
    request.buttons = MessageButtons::YesNoCancel;
    request.style = kMbYesNoCancel;
    break;
  case kButtonsOkCancel:
    request.buttons = MessageButtons::OkCancel;
    request.style = kMbOkCancel;
    break;
  default:
    request.buttons = MessageButtons::Ok;
    request.style = kMbOk;
    break;
  }
  switch (Kind) {
  case kKindMessage:
    request.caption = "Message";
    break;
  case kKindWarning:
    request.caption = "Warning";
    request.icon = MessageIcon::Warning;
    request.style |= kMbIconExclamation;
    break;
  case kKindError:
    request.caption = "Error";
    request.icon = MessageIcon::Error;
    request.style |= kMbIconHand;
    break;
  case kKindQuestion:
    request.caption = "Question";
    request.icon = MessageIcon::Question;
    request.style |= kMbIconQuestion;
    break;
  case kKindInformation:
    request.caption = "Information";
    request.icon = MessageIcon::Information;
    request.style |= kMbIconAsterisk;
    break;
  default:
    break;
  }
  return request;
}

int MsgBox(MessageOwner Owner, const AnsiString& Text, int Buttons, int Kind) {
  return Show(MakeMessageRequest(Owner, Text, Buttons, Kind));
}

int AskYesNo(MessageOwner Owner, const AnsiString& Text) {
  return MsgBox(Owner, Text, kButtonsYesNo, kKindQuestion);
}

int AskOkCancel(MessageOwner Owner, const AnsiString& Text) {
  return MsgBox(Owner, Text, kButtonsOkCancel, kKindQuestion);
}

void ShowMessage(const AnsiString& Text) {
  MessageRequest request;
  request.text = Text;
  request.caption = ApplicationTitle();
  Show(request);
}

AnsiString ApplicationTitle() {
  return VANDREL_PRODUCT_NAME;
}

} // namespace vandrel
