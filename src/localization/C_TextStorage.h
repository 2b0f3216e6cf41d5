#pragma once
// The English texts a window's code shows at run time, and their current
// translation. Code passes the English text through Translate and shows what
// comes back; a language file rewrites "Items" by position.

#include <shared_mutex>

#include "base/Component.h"

namespace vandrel {

class TTextStorage : public TComponent {
public:
  /// Creates an empty storage; publishes "Items".
  explicit TTextStorage(TComponent* owner, AnsiString name = {});

  /// The current texts, in design order (a copy).
  TStrings Items() const;
  /// Replaces the current texts with a copy of items; EnglishTexts stays.
  void SetItems(const TStrings& items);
  /// The English texts, as copied by Loaded (a copy).
  TStrings EnglishTexts() const;

  /// Copies Items into EnglishTexts: the window has finished loading.
  void Loaded() override;

  /// The current text for an English text: the Items entry at the position
  /// of the first EnglishTexts entry equal to english without regard to
  /// case, or english itself when there is none or that entry is "unused".
  /// Safe to call from any thread while the GUI thread switches languages.
  AnsiString Translate(const AnsiString& english) const;

private:
  // Worker threads translate while the GUI thread may rewrite Items.
  mutable std::shared_mutex mutex_;
  TStrings items_;
  TStrings english_texts_;
};

} // namespace vandrel
