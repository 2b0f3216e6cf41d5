#pragma once
// Message boxes as terminal prompts, for vandrel-cli.

#include <cstdio>

#include "shell/U_MsgDlg.h"

namespace vandrel {

/// Writes the caption and text to output and, for a question, reads the
/// answer from input: a line starting with "y", "n", "o" or "c" (any case)
/// picks Yes, No, OK or Cancel among the box's buttons; anything else asks
/// again. A box with only OK waits for one line. At the end of input, or
/// when input is not given, the box gets the answer that does nothing
/// (Cancel, else No, else OK).
class TerminalMessagePresenter : public MessagePresenter {
public:
  TerminalMessagePresenter(std::FILE* input, std::FILE* output) : input_(input), output_(output) {}
  int Present(const MessageRequest& request) override;

private:
  std::FILE* input_;
  std::FILE* output_;
};

} // namespace vandrel
