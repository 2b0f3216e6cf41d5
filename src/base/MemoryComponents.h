#pragma once
// Plain in-memory component kinds: they hold their published properties as
// values and draw nothing. Tests and the command-line tools build component
// trees from them; the GUI has Qt adapters with the same property names.

#include <memory>

#include "base/Component.h"

namespace vandrel {

/// A component whose properties are stored values. Subclasses define their
/// properties in the constructor.
class TMemoryComponent : public TComponent {
public:
  using TComponent::TComponent;

protected:
  /// Publishes a stored property with its initial value (which fixes the
  /// kind).
  void Define(AnsiString name, PropertyValue initial);
  /// Publishes "Items" and "ItemIndex" over the given storage, which the
  /// subclass owns: writing "Items" keeps the index when it still points at
  /// an entry and makes it -1 otherwise; an index outside the list becomes -1.
  void DefineList(TStrings& items, int& index);

private:
  // Stable addresses: properties capture their slot.
  std::vector<std::unique_ptr<PropertyValue>> values_;
};

/// The application object at the root of the tree: no name, and the fonts
/// of hints, icon titles and menus ("HintFont", "IconTitleFont", "MenuFont").
class TApplicationObject : public TMemoryComponent {
public:
  TApplicationObject();
};

/// A window: "Caption", "Hint", "ShowHint", "Font".
class TWindow : public TMemoryComponent {
public:
  explicit TWindow(TComponent* owner, AnsiString name = {});
  bool IsWindow() const override { return true; }
};

/// A label: "Caption", "Hint", "ShowHint", "Font", "alignment", "Layout".
class TLabel : public TMemoryComponent {
public:
  explicit TLabel(TComponent* owner, AnsiString name = {});
};

/// A push button: "Caption", "Hint", "ShowHint", "Font", "Layout".
class TButton : public TMemoryComponent {
public:
  explicit TButton(TComponent* owner, AnsiString name = {});
};

/// A one-line edit field: "Text", "Hint", "ShowHint", "Font", "alignment".
class TEdit : public TMemoryComponent {
public:
  explicit TEdit(TComponent* owner, AnsiString name = {});
};

/// A combo box: "Text", "Items", "ItemIndex", "Hint", "ShowHint", "Font".
/// Writing "Items" keeps "ItemIndex" when it still points at an entry and
/// makes it -1 otherwise.
class TComboBox : public TMemoryComponent {
public:
  explicit TComboBox(TComponent* owner, AnsiString name = {});

private:
  TStrings items_;
  int item_index_ = -1;
};

/// A list box: as the combo box, without "Text".
class TListBox : public TMemoryComponent {
public:
  explicit TListBox(TComponent* owner, AnsiString name = {});

private:
  TStrings items_;
  int item_index_ = -1;
};

/// A multi-line text field: "Lines", "Hint", "ShowHint", "Font", "alignment".
class TMemo : public TMemoryComponent {
public:
  explicit TMemo(TComponent* owner, AnsiString name = {});
};

/// A menu item: "Caption", "Hint".
class TMenuItem : public TMemoryComponent {
public:
  explicit TMenuItem(TComponent* owner, AnsiString name = {});
};

} // namespace vandrel
