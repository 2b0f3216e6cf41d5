#include "localization/C_TextStorage.h"

#include <mutex>

#include "platform/CodePages.h"

namespace vandrel {

TTextStorage::TTextStorage(TComponent* owner, AnsiString name)
    : TComponent(owner, std::move(name)) {
  Publish(
      "Items", PropertyKind::Strings, [this] { return PropertyValue(Items()); },
      [this](const PropertyValue& value) { SetItems(std::get<TStrings>(value)); });
}

TStrings TTextStorage::Items() const {
  std::shared_lock lock(mutex_);
  return items_;
}

void TTextStorage::SetItems(const TStrings& items) {
  std::unique_lock lock(mutex_);
  items_ = items;
}

TStrings TTextStorage::EnglishTexts() const {
  std::shared_lock lock(mutex_);
  return english_texts_;
}

void TTextStorage::Loaded() {
  std::unique_lock lock(mutex_);
  english_texts_ = items_;
}

AnsiString TTextStorage::Translate(const AnsiString& english) const {
  std::shared_lock lock(mutex_);
  for (size_t i = 0; i < english_texts_.size(); ++i) {
    if (platform::SameTextIgnoringCase(english_texts_[i], english)) {
      // A language file may carry fewer entries than the window: Items can
      // never be shorter (lists keep their length), but guard anyway.
      if (i >= items_.size() || items_[i] == "unused") {
        return english;
      }
      return items_[i];
    }
  }
  return english;
}

} // namespace vandrel
