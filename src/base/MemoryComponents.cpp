#include "base/MemoryComponents.h"

#include <memory>

namespace vandrel {

namespace {
const TFont kDefaultFont{"Sans Serif", 1, 8};
} // namespace

void TMemoryComponent::Define(AnsiString name, PropertyValue initial) {
  const PropertyKind kind = KindOf(initial);
  values_.push_back(std::make_unique<PropertyValue>(std::move(initial)));
  PropertyValue* slot = values_.back().get();
  Publish(
      std::move(name), kind, [slot] { return *slot; },
      [slot](const PropertyValue& value) { *slot = value; });
}

TApplicationObject::TApplicationObject() : TMemoryComponent(nullptr) {
  Define("HintFont", kDefaultFont);
  Define("IconTitleFont", kDefaultFont);
  Define("MenuFont", kDefaultFont);
}

TWindow::TWindow(TComponent* owner, AnsiString name) : TMemoryComponent(owner, std::move(name)) {
  Define("Caption", AnsiString());
  Define("Hint", AnsiString());
  Define("ShowHint", false);
  Define("Font", kDefaultFont);
}

TLabel::TLabel(TComponent* owner, AnsiString name) : TMemoryComponent(owner, std::move(name)) {
  Define("Caption", AnsiString());
  Define("Hint", AnsiString());
  Define("ShowHint", false);
  Define("Font", kDefaultFont);
  Define("alignment", 0);
  Define("Layout", 0);
}

TButton::TButton(TComponent* owner, AnsiString name) : TMemoryComponent(owner, std::move(name)) {
  Define("Caption", AnsiString());
  Define("Hint", AnsiString());
  Define("ShowHint", false);
  Define("Font", kDefaultFont);
  Define("Layout", 0);
}

TEdit::TEdit(TComponent* owner, AnsiString name) : TMemoryComponent(owner, std::move(name)) {
  Define("Text", AnsiString());
  Define("Hint", AnsiString());
  Define("ShowHint", false);
  Define("Font", kDefaultFont);
  Define("alignment", 0);
}

void TMemoryComponent::DefineList(TStrings& items, int& index) {
  Publish(
      "Items", PropertyKind::Strings, [&items] { return PropertyValue(items); },
      [&items, &index](const PropertyValue& v) {
        items = std::get<TStrings>(v);
        if (index >= static_cast<int>(items.size())) {
          index = -1;
        }
      });
  Publish(
      "ItemIndex", PropertyKind::Integer, [&index] { return PropertyValue(index); },
      [&items, &index](const PropertyValue& v) {
        const int wanted = std::get<int>(v);
        index = wanted >= 0 && wanted < static_cast<int>(items.size()) ? wanted : -1;
      });
}

TComboBox::TComboBox(TComponent* owner, AnsiString name)
    : TMemoryComponent(owner, std::move(name)) {
  Define("Text", AnsiString());
  DefineList(items_, item_index_);
  Define("Hint", AnsiString());
  Define("ShowHint", false);
  Define("Font", kDefaultFont);
}

TListBox::TListBox(TComponent* owner, AnsiString name) : TMemoryComponent(owner, std::move(name)) {
  DefineList(items_, item_index_);
  Define("Hint", AnsiString());
  Define("ShowHint", false);
  Define("Font", kDefaultFont);
}

TMemo::TMemo(TComponent* owner, AnsiString name) : TMemoryComponent(owner, std::move(name)) {
  Define("Lines", TStrings());
  Define("Hint", AnsiString());
  Define("ShowHint", false);
  Define("Font", kDefaultFont);
  Define("alignment", 0);
}

TMenuItem::TMenuItem(TComponent* owner, AnsiString name)
    : TMemoryComponent(owner, std::move(name)) {
  Define("Caption", AnsiString());
  Define("Hint", AnsiString());
}

} // namespace vandrel
