#pragma once
// Message boxes: every question and notice the program puts to the user.
// The texts come translated from the caller; this adds caption, icon and
// buttons, and hands the box to the installed presenter (Qt boxes in the
// program, terminal prompts in vandrel-cli, a script in tests).
//
// Any thread may ask: the box is shown on the GUI thread (through the
// main-thread dispatcher of base/MainThread.h) and the caller blocks until
// the user has answered.

#include <cstdint>
#include <memory>

#include "platform/Strings.h"

namespace vandrel {

/// The owner window of a box: an opaque handle the presenter understands
/// (the Qt presenter takes a QWidget*); null for none.
using MessageOwner = void*;

/// Button sets (argument Buttons of MsgBox).
inline constexpr int kButtonsOk = 0;
inline constexpr int kButtonsYesNo = 1;
inline constexpr int kButtonsYesNoCancel = 2;
inline constexpr int kButtonsOkCancel = 3;

/// Kinds (argument Kind of MsgBox).
inline constexpr int kKindMessage = 0;
inline constexpr int kKindWarning = 1;
inline constexpr int kKindError = 2;
inline constexpr int kKindQuestion = 3;
inline constexpr int kKindInformation = 4;

/// Results: the Windows dialog result codes.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

/// Windows style bits of the boxes (MB_*), kept for presenters that pass
/// them to the system and for tests.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbOkCancel = 0x1;
inline constexpr std::uint32_t kMbYesNoCancel = 0x3;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconHand = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr std::uint32_t kMbIconAsterisk = 0x40;

enum class MessageButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class MessageIcon { None, Warning, Error, Question, Information };

/// One box as the presenter shows it.
struct MessageRequest {
  MessageOwner owner = nullptr;
  AnsiString text;
  AnsiString caption;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  std::uint32_t style = 0; ///< button bits ORed with icon bits
};

/// Shows boxes. Present is called on the GUI thread only, one box at a
/// time, and returns one of kIdOk, kIdCancel, kIdYes, kIdNo that the box's
/// buttons allow (closing a box that has a Cancel button gives kIdCancel).
class MessagePresenter {
public:
  virtual ~MessagePresenter() = default;
  virtual int Present(const MessageRequest& request) = 0;
};

/// The answer of a box nobody can answer: the one that does nothing
/// (Cancel, else No, else OK).
int UnattendedAnswer(MessageButtons buttons);

/// Installs the presenter for every later box (nullptr restores the
/// default, which writes the box to stderr and answers OK, No or Cancel
/// without asking). Returns the one installed before.
std::shared_ptr<MessagePresenter> SetMessagePresenter(std::shared_ptr<MessagePresenter> presenter);

/// The box MsgBox would show for these arguments: buttons from the table
/// (any other value: OK alone), caption and icon from the kind ("Message",
/// "Warning", "Error", "Question", "Information"; any other value: empty
/// caption, no icon).
MessageRequest MakeMessageRequest(MessageOwner Owner, const AnsiString& Text, int Buttons,
                                  int Kind);

/// Shows a modal box and returns the result code; callable from any thread.
int MsgBox(MessageOwner Owner, const AnsiString& Text, int Buttons, int Kind);
/// MsgBox(Owner, Text, 1, 3): Yes and No, caption "Question". Compare with
/// kIdYes; everything else means no.
int AskYesNo(MessageOwner Owner, const AnsiString& Text);
/// MsgBox(Owner, Text, 3, 3): OK and Cancel, caption "Question". The
/// disk-span jobs call it from their worker threads.
int AskOkCancel(MessageOwner Owner, const AnsiString& Text);
/// A notice with one OK button, no icon and the program's title "Vandrel"
/// as caption; returns when it is closed.
void ShowMessage(const AnsiString& Text);

/// The program's title, the caption of ShowMessage.
AnsiString ApplicationTitle();

} // namespace vandrel
