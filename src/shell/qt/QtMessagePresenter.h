#pragma once
// Message boxes of the Qt program: modal Qt boxes with the caption, icon
// and buttons of the request, owned by the window given as owner.

#include "shell/U_MsgDlg.h"

namespace vandrel {

class QtMessagePresenter : public MessagePresenter {
public:
  /// Runs on the GUI thread (MsgBox marshals worker-thread calls there and
  /// blocks the caller until the box is answered).
  int Present(const MessageRequest& request) override;
};

/// Installs the Qt presenter for every later box.
void InstallQtMessagePresenter();

} // namespace vandrel
