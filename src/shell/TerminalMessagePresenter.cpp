#include "shell/TerminalMessagePresenter.h"

#include <cctype>
#include <string>
#include <vector>

namespace vandrel {

namespace {

struct Choice {
  char key;
  const char* label;
  int result;
};

bool ReadLine(std::FILE* input, std::string& line) {
  line.clear();
  for (;;) {
    const int ch = std::fgetc(input);
    if (ch == EOF) {
      return !line.empty();
    }
    if (ch == '\n') {
      return true;
    }
    line.push_back(static_cast<char>(ch));
  }
}

} // namespace

int TerminalMessagePresenter::Present(const MessageRequest& request) {
  static const Choice ok{'o', "[o]k", kIdOk};
  static const Choice cancel{'c', "[c]ancel", kIdCancel};
  static const Choice yes{'y', "[y]es", kIdYes};
  static const Choice no{'n', "[n]o", kIdNo};
  std::vector<Choice> choices;
  const int unattended = UnattendedAnswer(request.buttons);
  switch (request.buttons) {
  case MessageButtons::Ok:
    break;
  case MessageButtons::YesNo:
    choices = {yes, no};
    break;
  case MessageButtons::YesNoCancel:
    choices = {yes, no, cancel};
    break;
  case MessageButtons::OkCancel:
    choices = {ok, cancel};
    break;
  }
  if (output_ != nullptr) {
    if (!request.caption.empty()) {
      std::fprintf(output_, "%s: ", request.caption.c_str());
    }
    std::fprintf(output_, "%s\n", request.text.c_str());
  }
  if (input_ == nullptr) {
    return unattended;
  }
  std::string line;
  for (;;) {
    if (output_ != nullptr) {
      if (choices.empty()) {
        std::fprintf(output_, "Press Enter to continue. ");
      } else {
        for (size_t i = 0; i < choices.size(); ++i) {
          std::fprintf(output_, "%s%s", i > 0 ? "/" : "", choices[i].label);
        }
        std::fprintf(output_, "? ");
      }
      std::fflush(output_);
    }
    if (!ReadLine(input_, line)) {
      return unattended;
    }
    if (choices.empty()) {
      return kIdOk;
    }
    const size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string::npos) {
      const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[first])));
      for (const Choice& choice : choices) {
        if (choice.key == key) {
          return choice.result;
        }
      }
    }
  }
}

} // namespace vandrel
