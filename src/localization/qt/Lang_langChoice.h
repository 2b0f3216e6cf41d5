#pragma once
// TLanguageChoice: the control that lets the user pick a language. A framed
// box with a one-line heading, a separator line and a list of the available
// languages, each entry showing the language's flag and its display name.
// Clicking an entry switches the program's language at once through the
// bound language list.

#include <QFrame>
#include <QRect>

#include <memory>

#include "localization/C_LangList.h"

class QLabel;
class QListWidget;
class QPainter;

namespace vandrel {

/// The colour of the one-pixel frame around each flag, a cream white.
inline constexpr int kFlagFrameRed = 255;
inline constexpr int kFlagFrameGreen = 251;
inline constexpr int kFlagFrameBlue = 240;
/// Height of one entry of the list, in pixels.
inline constexpr int kLanguageEntryHeight = 32;

/// Where DrawLanguage puts the parts of one entry, for a flag of
/// flag_width x flag_height pixels (0 x 0 without a flag) and a text
/// text_height pixels high. entry is the entry's rectangle.
struct TLanguageEntryLayout {
  QRect Frame; ///< the cream frame, outline included (flag size + 2)
  QPoint Flag; ///< top left of the flag
  QPoint Text; ///< top left of the name
};
TLanguageEntryLayout LanguageEntryLayout(const QRect& entry, int flag_width, int flag_height,
                                         int text_height);

class TLanguageChoice : public QFrame {
  Q_OBJECT

public:
  /// Creates the heading, the separator and the list; 121 x 100, not a tab
  /// stop itself (its list is, first in tab order). Loading until Loaded().
  explicit TLanguageChoice(QWidget* parent = nullptr);
  /// Leaves the bound list's after-switch event to the handler it had
  /// before (see SetLanguageList).
  ~TLanguageChoice() override;

  QLabel* HeadingLabel = nullptr;
  QFrame* Separator = nullptr;
  QListWidget* LanguageBox = nullptr;

  /// The language list shown and driven; none at first.
  TLangList* LanguageList() const { return language_list_; }
  /// Binds the chooser: scans the list's languages into LanguageBox and
  /// puts AfterSwitch in front of the list's AfterLanguageSwitch handler
  /// (kept as NextAfterSwitch). Null empties LanguageBox. Binding again, or
  /// destroying the chooser, leaves the earlier list forwarding every switch
  /// to the handler it had, so it never calls into a chooser that is gone.
  void SetLanguageList(TLangList* list);

  /// The component that stands for this chooser in its window's tree, the
  /// Sender of its events; the owning window sets it once adopted.
  TComponent* Component() const { return component_; }
  void SetComponent(TComponent* component) { component_ = component; }

  /// Called with Sender = the chooser after the user picked a language.
  TNotifyEvent OnClick;
  /// The handler the list had when it was bound; AfterSwitch calls it.
  const TNotifyEvent& NextAfterSwitch() const;

  /// The window has finished loading: clicks are taken from now on.
  void Loaded() { loading_ = false; }
  bool Loading() const { return loading_; }

  /// The list's after-switch handler: selects the list's current language,
  /// calls NextAfterSwitch with the chooser as Sender, then shows two blanks
  /// and the language's heading.
  void AfterSwitch(TComponent* Sender);
  /// The user picked an entry: with the wait cursor, switches the list to
  /// it, shows the plain heading and calls OnClick. Does nothing without a
  /// list or while loading.
  void BoxClick();
  /// Paints entry Index in Rect: the brush of its state, the flag of its
  /// language identifier in a cream frame, the name beside it.
  void DrawLanguage(QPainter& canvas, int Index, const QRect& Rect, bool Selected);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct Hook;
  void Unbind();

  TLangList* language_list_ = nullptr;
  std::shared_ptr<Hook> hook_;
  TComponent* component_ = nullptr;
  bool loading_ = true;
};

} // namespace vandrel
