#pragma once
// The Qt side of the component tree: every window and named control of the
// Qt program is a TComponent, owned by its window's component (not by its
// visual parent), so that a language file addresses main.splitgo_btn.
//
// Property names and what they map to: "Caption" (text of labels, buttons,
// group-box titles, menu items; window title), "Text" (edits and combo
// boxes), "Hint" (tool tip), "ShowHint" (whether the tool tip shows),
// "Items" and "ItemIndex" (combo boxes and lists), "Lines" (multi-line
// text), "alignment" and "Layout" (label and edit alignment), "Font"
// (family, character set 1, size in points).

#include <functional>
#include <memory>

#include "base/Component.h"

class QObject;
class QWidget;

namespace vandrel {

/// The root of the tree: the application object. It owns the windows'
/// components and publishes "HintFont", "IconTitleFont" and "MenuFont".
/// Lives for the whole run.
TComponent& QtApplicationComponent();

/// Makes the window a component (its object name is the component name)
/// owned by the application object, and every named object inside it a
/// component owned by the window's, in creation order (depth first).
/// Objects whose name begins with "qt_" and unnamed ones are left out.
/// first, when given, creates components that come before the controls
/// (a window's text storage). The caller keeps the returned window
/// component; destroying it removes the whole window from the tree.
std::unique_ptr<TComponent> AdoptWindow(QWidget* window,
                                        const std::function<void(TComponent*)>& first = {});

/// A component with no published property, for the window's non-visual
/// parts that have nothing to translate; owned by owner.
TComponent* AddPlainComponent(TComponent* owner, const char* name);

/// The component standing for a Qt object, or null.
TComponent* ComponentOf(const TComponent& window, const QObject* object);

} // namespace vandrel
