#include "base/ApplicationEvents.h"

#include <algorithm>
#include <vector>

namespace vandrel {

namespace {
std::vector<TApplicationEvents*>& Listeners() {
  static std::vector<TApplicationEvents*> listeners;
  return listeners;
}
} // namespace

TApplicationEvents::TApplicationEvents(TComponent* owner, AnsiString name)
    : TComponent(owner, std::move(name)) {
  Listeners().push_back(this);
}

TApplicationEvents::~TApplicationEvents() {
  auto& all = Listeners();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void ActivateApplication() {
  // A handler may create or destroy listeners: walk a copy, and skip those
  // gone meanwhile.
  const std::vector<TApplicationEvents*> snapshot = Listeners();
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
    const auto& live = Listeners();
    if (std::find(live.begin(), live.end(), *it) == live.end()) {
      continue;
    }
    if ((*it)->OnActivate) {
      std::function<void()> handler = (*it)->OnActivate;
      handler();
    }
  }
}

} // namespace vandrel
