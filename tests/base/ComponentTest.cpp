#include <gtest/gtest.h>

#include "base/Component.h"
#include "base/MemoryComponents.h"

namespace vandrel {
namespace {

TEST(ComponentTest, OwnerListsOwnedComponentsInCreationOrderAndFreesThem) {
  TApplicationObject app;
  auto* main = new TWindow(&app, "main");
  auto* first = new TButton(main, "splitgo_btn");
  auto* second = new TLabel(main, "");
  auto* third = new TEdit(main, "rbldoutput_txt");
  ASSERT_EQ(main->ComponentCount(), 3);
  EXPECT_EQ(main->Component(0), first);
  EXPECT_EQ(main->Component(1), second);
  EXPECT_EQ(main->Component(2), third);
  EXPECT_EQ(main->Component(3), nullptr);
  EXPECT_EQ(first->Owner(), main);
  EXPECT_EQ(main->FindComponent("SPLITGO_BTN"), first);
  EXPECT_EQ(main->FindComponent("missing"), nullptr);

  // A component destroyed on its own leaves its owner's list.
  delete second;
  ASSERT_EQ(main->ComponentCount(), 2);
  EXPECT_EQ(main->Component(1), third);
  EXPECT_EQ(app.ComponentCount(), 1);
}

TEST(ComponentTest, PropertiesAreFoundWithoutRegardToCase) {
  TApplicationObject app;
  TLabel label(&app, "lbl");
  EXPECT_TRUE(label.HasProperty("caption"));
  EXPECT_TRUE(label.HasProperty("ALIGNMENT"));
  EXPECT_FALSE(label.HasProperty("Items"));
  EXPECT_TRUE(label.SetProp("CAPTION", AnsiString("Größe")));
  EXPECT_EQ(label.GetText("Caption"), "Größe");
  EXPECT_EQ(label.PropertyKindOf("font"), PropertyKind::Font);
}

TEST(ComponentTest, WrongKindOrMissingPropertyIsRefusedAndChangesNothing) {
  TApplicationObject app;
  TButton button(&app, "ok_btn");
  button.SetProp("Caption", AnsiString("Ok"));
  EXPECT_FALSE(button.SetProp("Caption", 3));
  EXPECT_FALSE(button.SetProp("Lines", TStrings{"x"}));
  EXPECT_EQ(button.GetText("Caption"), "Ok");
  EXPECT_FALSE(button.GetProp("Lines").has_value());
  EXPECT_FALSE(button.GetInt("Caption").has_value()); // typed read of another kind
}

TEST(ComponentTest, ComboKeepsItsIndexOnlyWhileItPointsAtAnEntry) {
  TApplicationObject app;
  TComboBox combo(&app, "cmb");
  combo.SetProp("Items", TStrings{"a", "b", "c"});
  combo.SetProp("ItemIndex", 2);
  combo.SetProp("Items", TStrings{"x", "y", "z", "w"});
  EXPECT_EQ(combo.GetInt("ItemIndex"), 2);
  combo.SetProp("Items", TStrings{"x"});
  EXPECT_EQ(combo.GetInt("ItemIndex"), -1);
  combo.SetProp("ItemIndex", 7);
  EXPECT_EQ(combo.GetInt("ItemIndex"), -1);
}

// The shape a Qt adapter takes: properties bound to outside state.
class BoundComponent : public TComponent {
public:
  BoundComponent(TComponent* owner, AnsiString* target) : TComponent(owner, "bound") {
    Publish(
        "Caption", PropertyKind::Text, [target] { return PropertyValue(*target); },
        [target](const PropertyValue& v) { *target = std::get<AnsiString>(v); });
  }
};

TEST(ComponentTest, SubclassPublishesPropertiesBoundToItsOwnState) {
  TApplicationObject app;
  AnsiString widget_text = "before";
  BoundComponent bound(&app, &widget_text);
  EXPECT_EQ(bound.GetText("caption"), "before");
  bound.SetProp("CAPTION", AnsiString("after"));
  EXPECT_EQ(widget_text, "after");
  EXPECT_EQ(bound.PropertyNames(), std::vector<AnsiString>{"Caption"});
}

} // namespace
} // namespace vandrel
