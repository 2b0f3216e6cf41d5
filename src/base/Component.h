#pragma once
// The component tree that the localization code walks: every window and
// control is a TComponent with a name, an owner and the components it owns,
// and offers published properties that are read and written by name.
//
// A Qt adapter subclasses TComponent and either publishes its properties with
// Publish() (getter and setter bound to the widget) or overrides the four
// virtual property functions outright.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

/// A list of texts ("Items", "Lines"), one UTF-8 string per entry.
using TStrings = std::vector<AnsiString>;

/// The value of a "Font" property.
struct TFont {
  AnsiString Name;          ///< face name
  std::uint8_t Charset = 1; ///< Windows character-set number (1 = the default)
  int Size = 8;             ///< size in points
  bool operator==(const TFont&) const = default;
};

enum class PropertyKind { Text, Boolean, Integer, Strings, Font };

/// The value of a property; the alternative matches its PropertyKind in
/// the order of the enumeration (enumerations such as "alignment" are
/// Integer).
using PropertyValue = std::variant<AnsiString, bool, int, TStrings, TFont>;

/// The kind a value holds.
PropertyKind KindOf(const PropertyValue& value);

/// True when the two names are equal without regard to ASCII letter case
/// (component and property names).
bool SameName(std::string_view a, std::string_view b);

class TComponent {
public:
  /// Creates a component owned by owner (none when owner is null); the owner
  /// lists it after the components it already owns and destroys it with
  /// itself.
  explicit TComponent(TComponent* owner, AnsiString name = {});
  /// Destroys the owned components (the last created first) and leaves the
  /// owner's list.
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  /// The component's name; may be empty.
  const AnsiString& Name() const { return name_; }
  void SetName(AnsiString name) { name_ = std::move(name); }
  /// The owner, or null for the root of a tree.
  TComponent* Owner() const { return owner_; }

  /// The owned components, in creation order.
  const std::vector<TComponent*>& Components() const { return components_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  /// The owned component at index (null when out of range).
  TComponent* Component(int index) const;
  /// The first directly owned component with that name, ignoring case; null
  /// when none.
  TComponent* FindComponent(std::string_view name) const;

  /// True for top-level windows (forms); the oldest language files list
  /// components by window.
  virtual bool IsWindow() const { return false; }
  /// Called once the component and everything it owns is built and filled
  /// with its design-time values.
  virtual void Loaded() {}

  /// True when a published property of that name exists, ignoring case.
  virtual bool HasProperty(std::string_view name) const;
  /// The kind of the named property; empty when there is none.
  virtual std::optional<PropertyKind> PropertyKindOf(std::string_view name) const;
  /// The current value of the named property; empty when there is none.
  virtual std::optional<PropertyValue> GetProp(std::string_view name) const;
  /// Writes the named property. False, and nothing changed, when there is no
  /// such property or the value is of another kind.
  virtual bool SetProp(std::string_view name, const PropertyValue& value);
  /// The names of the published properties, in publication order.
  virtual std::vector<AnsiString> PropertyNames() const;

  /// Typed reads: empty when the property is missing or of another kind.
  std::optional<AnsiString> GetText(std::string_view name) const;
  std::optional<bool> GetBool(std::string_view name) const;
  std::optional<int> GetInt(std::string_view name) const;
  std::optional<TStrings> GetStrings(std::string_view name) const;
  std::optional<TFont> GetFont(std::string_view name) const;

protected:
  using Getter = std::function<PropertyValue()>;
  using Setter = std::function<void(const PropertyValue&)>;
  /// Publishes a property under name (found later in any letter case). The
  /// setter receives only values of the given kind. Publishing a name again
  /// replaces the earlier entry.
  void Publish(AnsiString name, PropertyKind kind, Getter get, Setter set);

private:
  struct Property {
    AnsiString name;
    PropertyKind kind;
    Getter get;
    Setter set;
  };
  const Property* Find(std::string_view name) const;

  AnsiString name_;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<Property> properties_;
};

} // namespace vandrel
