#include "localization/qt/QtComponents.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QToolTip>
#include <QWidget>

namespace vandrel {

namespace {

QString Q(const AnsiString& s) {
  return QString::fromStdString(s);
}
AnsiString Ansi(const QString& s) {
  return s.toStdString();
}

TFont FontValue(const QFont& font) {
  TFont value;
  value.Name = Ansi(font.family());
  value.Charset = 1;
  value.Size = font.pointSize() > 0 ? font.pointSize() : 8;
  return value;
}

// A face that is not installed is left to the platform's choice, so a
// language file written on another system cannot make texts unreadable.
QFont ApplyFont(QFont font, const TFont& value) {
  const QString family = Q(value.Name);
  if (!family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
    font.setFamily(family);
  }
  if (value.Size > 0) {
    font.setPointSize(value.Size);
  }
  return font;
}

// Delphi-style alignment numbers: 0 left, 1 right, 2 centre.
int AlignmentValue(Qt::Alignment alignment) {
  if ((alignment & Qt::AlignRight) != 0) {
    return 1;
  }
  if ((alignment & Qt::AlignHCenter) != 0) {
    return 2;
  }
  return 0;
}
Qt::Alignment HorizontalAlignment(int value) {
  return value == 1 ? Qt::AlignRight : value == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
}
// Layout numbers: 0 top, 1 centre, 2 bottom.
int LayoutValue(Qt::Alignment alignment) {
  if ((alignment & Qt::AlignBottom) != 0) {
    return 2;
  }
  if ((alignment & Qt::AlignVCenter) != 0) {
    return 1;
  }
  return 0;
}
Qt::Alignment VerticalAlignment(int value) {
  return value == 1 ? Qt::AlignVCenter : value == 2 ? Qt::AlignBottom : Qt::AlignTop;
}

class TQtComponent : public TComponent {
public:
  TQtComponent(TComponent* owner, QObject* object, bool window)
      : TComponent(owner, Ansi(object->objectName())), object_(object), window_(window) {
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      PublishWidget(widget);
    } else if (auto* action = qobject_cast<QAction*>(object)) {
      PublishAction(action);
    }
  }

  bool IsWindow() const override { return window_; }
  const QObject* Object() const { return object_; }

private:
  template <typename T> T* As() const { return qobject_cast<T*>(object_.data()); }

  void Text(const char* name, std::function<QString()> get, std::function<void(QString)> set) {
    Publish(
        name, PropertyKind::Text, [get] { return PropertyValue(Ansi(get())); },
        [set](const PropertyValue& v) { set(Q(std::get<AnsiString>(v))); });
  }
  void Int(const char* name, std::function<int()> get, std::function<void(int)> set) {
    Publish(
        name, PropertyKind::Integer, [get] { return PropertyValue(get()); },
        [set](const PropertyValue& v) { set(std::get<int>(v)); });
  }

  void ShowToolTip(QWidget* widget) { widget->setToolTip(show_hint_ ? Q(hint_) : QString()); }

  void PublishWidget(QWidget* widget) {
    QPointer<QWidget> w(widget);
    auto alive = [w] { return !w.isNull(); };
    if (window_) {
      Text(
          "Caption", [w] { return w ? w->windowTitle() : QString(); },
          [w](const QString& s) {
            if (w) {
              w->setWindowTitle(s);
            }
          });
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
      QPointer<QLabel> l(label);
      Text(
          "Caption", [l] { return l ? l->text() : QString(); },
          [l](const QString& s) {
            if (l) {
              l->setText(s);
            }
          });
      Int(
          "alignment", [l] { return l ? AlignmentValue(l->alignment()) : 0; },
          [l](int v) {
            if (l) {
              l->setAlignment(HorizontalAlignment(v) | (l->alignment() & Qt::AlignVertical_Mask));
            }
          });
      Int(
          "Layout", [l] { return l ? LayoutValue(l->alignment()) : 0; },
          [l](int v) {
            if (l) {
              l->setAlignment(VerticalAlignment(v) | (l->alignment() & Qt::AlignHorizontal_Mask));
            }
          });
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      QPointer<QAbstractButton> b(button);
      Text(
          "Caption", [b] { return b ? b->text() : QString(); },
          [b](const QString& s) {
            if (b) {
              b->setText(s);
            }
          });
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      QPointer<QGroupBox> g(group);
      Text(
          "Caption", [g] { return g ? g->title() : QString(); },
          [g](const QString& s) {
            if (g) {
              g->setTitle(s);
            }
          });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      QPointer<QLineEdit> e(edit);
      Text(
          "Text", [e] { return e ? e->text() : QString(); },
          [e](const QString& s) {
            if (e) {
              e->setText(s);
            }
          });
      Int(
          "alignment", [e] { return e ? AlignmentValue(e->alignment()) : 0; },
          [e](int v) {
            if (e) {
              e->setAlignment(HorizontalAlignment(v) | Qt::AlignVCenter);
            }
          });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      QPointer<QComboBox> c(combo);
      Text(
          "Text", [c] { return c ? c->currentText() : QString(); },
          [c](const QString& s) {
            if (c) {
              c->setCurrentIndex(c->findText(s));
            }
          });
      PublishList(
          [c] {
            TStrings items;
            for (int i = 0; c && i < c->count(); ++i) {
              items.push_back(Ansi(c->itemText(i)));
            }
            return items;
          },
          [c](const TStrings& items) {
            if (!c) {
              return;
            }
            const int index = c->currentIndex();
            c->clear();
            for (const AnsiString& item : items) {
              c->addItem(Q(item));
            }
            c->setCurrentIndex(index < c->count() ? index : -1);
          },
          [c] { return c ? c->currentIndex() : -1; },
          [c](int v) {
            if (c) {
              c->setCurrentIndex(v >= 0 && v < c->count() ? v : -1);
            }
          });
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
      QPointer<QListWidget> lw(list);
      PublishList(
          [lw] {
            TStrings items;
            for (int i = 0; lw && i < lw->count(); ++i) {
              items.push_back(Ansi(lw->item(i)->text()));
            }
            return items;
          },
          [lw](const TStrings& items) {
            if (!lw) {
              return;
            }
            const int index = lw->currentRow();
            lw->clear();
            for (const AnsiString& item : items) {
              lw->addItem(Q(item));
            }
            lw->setCurrentRow(index < lw->count() ? index : -1);
          },
          [lw] { return lw ? lw->currentRow() : -1; },
          [lw](int v) {
            if (lw) {
              lw->setCurrentRow(v >= 0 && v < lw->count() ? v : -1);
            }
          });
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
      QPointer<QPlainTextEdit> m(memo);
      Publish(
          "Lines", PropertyKind::Strings,
          [m] {
            TStrings lines;
            if (m) {
              for (const QString& line : m->toPlainText().split(QLatin1Char('\n'))) {
                lines.push_back(Ansi(line));
              }
            }
            return PropertyValue(lines);
          },
          [m](const PropertyValue& v) {
            if (!m) {
              return;
            }
            QStringList lines;
            for (const AnsiString& line : std::get<TStrings>(v)) {
              lines << Q(line);
            }
            m->setPlainText(lines.join(QLatin1Char('\n')));
          });
    }
    hint_ = Ansi(widget->toolTip());
    Publish(
        "Hint", PropertyKind::Text, [this] { return PropertyValue(hint_); },
        [this, w](const PropertyValue& v) {
          hint_ = std::get<AnsiString>(v);
          if (w) {
            ShowToolTip(w);
          }
        });
    Publish(
        "ShowHint", PropertyKind::Boolean, [this] { return PropertyValue(show_hint_); },
        [this, w](const PropertyValue& v) {
          show_hint_ = std::get<bool>(v);
          if (w) {
            ShowToolTip(w);
          }
        });
    Publish(
        "Font", PropertyKind::Font,
        [w] { return PropertyValue(w ? FontValue(w->font()) : TFont{}); },
        [w, alive](const PropertyValue& v) {
          if (alive()) {
            w->setFont(ApplyFont(w->font(), std::get<TFont>(v)));
          }
        });
  }

  void PublishList(std::function<TStrings()> get_items, std::function<void(TStrings)> set_items,
                   std::function<int()> get_index, std::function<void(int)> set_index) {
    Publish(
        "Items", PropertyKind::Strings, [get_items] { return PropertyValue(get_items()); },
        [set_items](const PropertyValue& v) { set_items(std::get<TStrings>(v)); });
    Int("ItemIndex", get_index, set_index);
  }

  void PublishAction(QAction* action) {
    QPointer<QAction> a(action);
    Text(
        "Caption",
        [a] {
          if (!a) {
            return QString();
          }
          // Separators read as their design caption, a dash.
          return a->isSeparator() ? QStringLiteral("-") : a->text();
        },
        [a](const QString& s) {
          if (a && !a->isSeparator()) {
            a->setText(s);
          }
        });
    Text(
        "Hint",
        [a] { return a ? a->toolTip() == a->text() ? QString() : a->toolTip() : QString(); },
        [a](const QString& s) {
          if (a) {
            a->setToolTip(s);
            a->setStatusTip(s);
          }
        });
  }

  QPointer<QObject> object_;
  bool window_;
  AnsiString hint_;
  bool show_hint_ = true;
};

// A menu is named by its QMenu, whose caption is the title of its menu
// action.
class TQtMenuComponent : public TComponent {
public:
  TQtMenuComponent(TComponent* owner, QMenu* menu)
      : TComponent(owner, Ansi(menu->objectName())), menu_(menu) {
    QPointer<QMenu> m(menu);
    Publish(
        "Caption", PropertyKind::Text,
        [m] { return PropertyValue(m ? Ansi(m->title()) : AnsiString()); },
        [m](const PropertyValue& v) {
          if (m) {
            m->setTitle(Q(std::get<AnsiString>(v)));
          }
        });
    Publish(
        "Hint", PropertyKind::Text,
        [m] {
          return PropertyValue(m ? Ansi(m->menuAction()->toolTip() == m->title()
                                            ? QString()
                                            : m->menuAction()->toolTip())
                                 : AnsiString());
        },
        [m](const PropertyValue& v) {
          if (m) {
            m->menuAction()->setToolTip(Q(std::get<AnsiString>(v)));
          }
        });
  }
  const QObject* Object() const { return menu_; }

private:
  QPointer<QMenu> menu_;
};

class TQtApplicationObject : public TComponent {
public:
  TQtApplicationObject() : TComponent(nullptr) {
    auto font = [this](const char* name, std::function<QFont()> get,
                       std::function<void(const QFont&)> set) {
      Publish(
          name, PropertyKind::Font, [get] { return PropertyValue(FontValue(get())); },
          [get, set](const PropertyValue& v) { set(ApplyFont(get(), std::get<TFont>(v))); });
    };
    font(
        "HintFont", [] { return QToolTip::font(); }, [](const QFont& f) { QToolTip::setFont(f); });
    font(
        "IconTitleFont", [] { return QApplication::font(); }, [](const QFont&) {});
    font(
        "MenuFont", [] { return QApplication::font("QMenu"); },
        [](const QFont& f) { QApplication::setFont(f, "QMenu"); });
  }
};

bool Adoptable(const QObject* object) {
  const QString name = object->objectName();
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void AdoptChildren(TComponent* window_component, QObject* parent) {
  for (QObject* child : parent->children()) {
    if (Adoptable(child)) {
      if (auto* menu = qobject_cast<QMenu*>(child)) {
        new TQtMenuComponent(window_component, menu);
      } else if (child->isWidgetType() || qobject_cast<QAction*>(child) != nullptr) {
        new TQtComponent(window_component, child, false);
      }
    }
    // Top-level windows inside (dialogs) are windows of their own.
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget == nullptr || !widget->isWindow() || qobject_cast<QMenu*>(child) != nullptr) {
      AdoptChildren(window_component, child);
    }
  }
}

} // namespace

TComponent& QtApplicationComponent() {
  // Never destroyed: windows leave it when they go, in any order.
  static auto* application = new TQtApplicationObject;
  return *application;
}

std::unique_ptr<TComponent> AdoptWindow(QWidget* window,
                                        const std::function<void(TComponent*)>& first) {
  auto component = std::make_unique<TQtComponent>(&QtApplicationComponent(), window, true);
  if (first) {
    first(component.get());
  }
  AdoptChildren(component.get(), window);
  return component;
}

TComponent* AddPlainComponent(TComponent* owner, const char* name) {
  return new TComponent(owner, name);
}

TComponent* ComponentOf(const TComponent& window, const QObject* object) {
  if (auto* self = dynamic_cast<const TQtComponent*>(&window); self && self->Object() == object) {
    return const_cast<TComponent*>(&window);
  }
  for (TComponent* child : window.Components()) {
    if (auto* qt = dynamic_cast<TQtComponent*>(child); qt && qt->Object() == object) {
      return child;
    }
    if (auto* menu = dynamic_cast<TQtMenuComponent*>(child); menu && menu->Object() == object) {
      return child;
    }
  }
  return nullptr;
}

} // namespace vandrel
