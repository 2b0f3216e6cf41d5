#include "base/Component.h"

#include <algorithm>

namespace vandrel {

PropertyKind KindOf(const PropertyValue& value) {
  return static_cast<PropertyKind>(value.index());
}

bool SameName(std::string_view a, std::string_view b) {
  return SameTextAscii(a, b);
}

TComponent::TComponent(TComponent* owner, AnsiString name) : name_(std::move(name)), owner_(owner) {
  if (owner_ != nullptr) {
    owner_->components_.push_back(this);
  }
}

TComponent::~TComponent() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr; // already out of our list
    delete last;
  }
  if (owner_ != nullptr) {
    auto& siblings = owner_->components_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

TComponent* TComponent::Component(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    return nullptr;
  }
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : components_) {
    if (SameName(c->Name(), name)) {
      return c;
    }
  }
  return nullptr;
}

const TComponent::Property* TComponent::Find(std::string_view name) const {
  for (const Property& p : properties_) {
    if (SameName(p.name, name)) {
      return &p;
    }
  }
  return nullptr;
}

bool TComponent::HasProperty(std::string_view name) const {
  return Find(name) != nullptr;
}

std::optional<PropertyKind> TComponent::PropertyKindOf(std::string_view name) const {
  const Property* p = Find(name);
  if (p == nullptr) {
    return std::nullopt;
  }
  return p->kind;
}

std::optional<PropertyValue> TComponent::GetProp(std::string_view name) const {
  const Property* p = Find(name);
  if (p == nullptr) {
    return std::nullopt;
  }
  return p->get();
}

bool TComponent::SetProp(std::string_view name, const PropertyValue& value) {
  const Property* p = Find(name);
  if (p == nullptr || p->kind != KindOf(value)) {
    return false;
  }
  p->set(value);
  return true;
}

std::vector<AnsiString> TComponent::PropertyNames() const {
  std::vector<AnsiString> names;
  for (const Property& p : properties_) {
    names.push_back(p.name);
  }
  return names;
}

void TComponent::Publish(AnsiString name, PropertyKind kind, Getter get, Setter set) {
  for (Property& p : properties_) {
    if (SameName(p.name, name)) {
      p = Property{std::move(name), kind, std::move(get), std::move(set)};
      return;
    }
  }
  properties_.push_back(Property{std::move(name), kind, std::move(get), std::move(set)});
}

namespace {
template <typename T> std::optional<T> Typed(const std::optional<PropertyValue>& value) {
  if (!value || !std::holds_alternative<T>(*value)) {
    return std::nullopt;
  }
  return std::get<T>(*value);
}
} // namespace

std::optional<AnsiString> TComponent::GetText(std::string_view name) const {
  return Typed<AnsiString>(GetProp(name));
}
std::optional<bool> TComponent::GetBool(std::string_view name) const {
  return Typed<bool>(GetProp(name));
}
std::optional<int> TComponent::GetInt(std::string_view name) const {
  return Typed<int>(GetProp(name));
}
std::optional<TStrings> TComponent::GetStrings(std::string_view name) const {
  return Typed<TStrings>(GetProp(name));
}
std::optional<TFont> TComponent::GetFont(std::string_view name) const {
  return Typed<TFont>(GetProp(name));
}

} // namespace vandrel
