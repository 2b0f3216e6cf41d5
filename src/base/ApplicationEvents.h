#pragma once
// Application-wide events for components that are not windows: the front
// end tells ActivateApplication() whenever the application becomes active
// (the Qt program on QEvent::ApplicationActivate), and every live
// TApplicationEvents hears it, the most recently created first. GUI thread
// only.

#include <functional>

#include "base/Component.h"

namespace vandrel {

class TApplicationEvents : public TComponent {
public:
  /// Joins the listeners; the newest listener is called first.
  explicit TApplicationEvents(TComponent* owner, AnsiString name = {});
  /// Leaves the listeners.
  ~TApplicationEvents() override;

  /// Called on every activation of the application.
  std::function<void()> OnActivate;
};

/// Calls OnActivate of every live TApplicationEvents, newest first. A
/// listener destroyed by an earlier handler is skipped.
void ActivateApplication();

} // namespace vandrel
