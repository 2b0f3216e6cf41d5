#include "localization/qt/Lang_langChoice.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace vandrel {

struct TLanguageChoice::Hook {
  TLanguageChoice* chooser = nullptr;
  TNotifyEvent next;
};

namespace {

// The list box's own painting is replaced entry by entry.
class TLanguageDelegate : public QStyledItemDelegate {
public:
  explicit TLanguageDelegate(TLanguageChoice* chooser)
      : QStyledItemDelegate(chooser), chooser_(chooser) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    painter->setFont(option.font);
    chooser_->DrawLanguage(*painter, index.row(), option.rect,
                           (option.state & QStyle::State_Selected) != 0);
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kLanguageEntryHeight);
  }

private:
  TLanguageChoice* chooser_;
};

// The wait cursor for the whole screen while a language is applied, taken
// back however the switch ends.
class TWaitCursor {
public:
  TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

TLanguageEntryLayout LanguageEntryLayout(const QRect& entry, int flag_width, int flag_height,
                                         int text_height) {
  // Bottom edges count exclusive here, as the entry rectangles of the
  // list are measured.
  const int top = entry.top();
  const int bottom = entry.top() + entry.height();
  const int y = (top + bottom - 28) / 2;
  TLanguageEntryLayout layout;
  layout.Frame = QRect(entry.left() + 3, y - 1, flag_width + 2, flag_height + 2);
  layout.Flag = QPoint(entry.left() + 4, y);
  layout.Text = QPoint(entry.left() + flag_width + 12, (top + bottom - text_height) / 2);
  return layout;
}

TLanguageChoice::TLanguageChoice(QWidget* parent) : QFrame(parent) {
  resize(121, 100);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setFocusPolicy(Qt::NoFocus);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);

  // The three children stay out of the component tree (no object names):
  // the heading and the list are filled by the chooser, not by language
  // files.
  HeadingLabel = new QLabel(this);
  // Never shorter than one line of the platform's font.
  HeadingLabel->setFixedHeight(std::max(16, HeadingLabel->fontMetrics().height()));
  HeadingLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Separator = new QFrame(this);
  Separator->setFrameShape(QFrame::HLine);
  Separator->setFrameShadow(QFrame::Raised);
  Separator->setFixedHeight(2);
  LanguageBox = new QListWidget(this);
  LanguageBox->setFrameShape(QFrame::NoFrame);
  LanguageBox->setUniformItemSizes(true);
  LanguageBox->setFocusPolicy(Qt::StrongFocus);
  LanguageBox->setItemDelegate(new TLanguageDelegate(this));
  LanguageBox->setSelectionMode(QAbstractItemView::SingleSelection);
  setFocusProxy(LanguageBox);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 0, 1, 1);
  layout->setSpacing(0);
  // The separator 20 pixels from the top under a heading of one line.
  layout->addWidget(HeadingLabel);
  layout->addSpacing(4);
  layout->addWidget(Separator);
  layout->addSpacing(2);
  layout->addWidget(LanguageBox, 1);

  connect(LanguageBox, &QListWidget::itemClicked, this, [this] { BoxClick(); });
  // The arrow keys pick an entry as a click does.
  LanguageBox->installEventFilter(this);
}

TLanguageChoice::~TLanguageChoice() {
  Unbind();
}

bool TLanguageChoice::eventFilter(QObject* watched, QEvent* event) {
  if (watched != LanguageBox || event->type() != QEvent::KeyPress) {
    return QFrame::eventFilter(watched, event);
  }
  const int before = LanguageBox->currentRow();
  // The list moves its current entry first; a key that moved it picks.
  static_cast<QObject*>(LanguageBox)->event(event);
  if (LanguageBox->currentRow() != before && LanguageBox->currentRow() >= 0) {
    BoxClick();
  }
  return true;
}

const TNotifyEvent& TLanguageChoice::NextAfterSwitch() const {
  static const TNotifyEvent none;
  return hook_ ? hook_->next : none;
}

void TLanguageChoice::Unbind() {
  if (hook_) {
    // The list keeps our forwarder; without a chooser it passes every
    // switch straight to the handler it had before.
    hook_->chooser = nullptr;
    hook_.reset();
  }
}

void TLanguageChoice::SetLanguageList(TLangList* list) {
  Unbind();
  language_list_ = list;
  LanguageBox->clear();
  if (list == nullptr) {
    return;
  }
  list->ScanLanguages();
  for (const TLangList::TLanguageEntry& language : list->Languages()) {
    LanguageBox->addItem(QString::fromStdString(language.Name));
  }
  hook_ = std::make_shared<Hook>();
  hook_->chooser = this;
  hook_->next = list->AfterLanguageSwitch;
  list->AfterLanguageSwitch = [hook = hook_](TComponent* Sender) {
    if (hook->chooser != nullptr) {
      hook->chooser->AfterSwitch(Sender);
    } else if (hook->next) {
      hook->next(Sender);
    }
  };
}

void TLanguageChoice::AfterSwitch(TComponent* /*Sender*/) {
  if (language_list_ == nullptr) {
    return;
  }
  const int index = language_list_->LanguageIndex();
  LanguageBox->setCurrentRow(index >= 0 && index < LanguageBox->count() ? index : -1);
  if (hook_ && hook_->next) {
    hook_->next(component_);
  }
  HeadingLabel->setText(QStringLiteral("  ") +
                        QString::fromStdString(language_list_->CurrentHeading()));
}

void TLanguageChoice::BoxClick() {
  if (language_list_ == nullptr || loading_) {
    return;
  }
  {
    TWaitCursor wait;
    QCoreApplication::processEvents();
    language_list_->SetLanguageIndex(LanguageBox->currentRow());
    HeadingLabel->setText(QString::fromStdString(language_list_->CurrentHeading()));
  }
  if (OnClick) {
    OnClick(component_);
  }
}

void TLanguageChoice::DrawLanguage(QPainter& canvas, int Index, const QRect& Rect, bool Selected) {
  if (language_list_ == nullptr) {
    return;
  }
  const QPalette& colours = LanguageBox->palette();
  const QColor brush = colours.color(Selected ? QPalette::Highlight : QPalette::Base);
  canvas.setRenderHint(QPainter::Antialiasing, false);
  canvas.fillRect(Rect, brush);

  TBitmap flag;
  language_list_->LoadFlag(
      static_cast<std::uint16_t>(language_list_->LanguageCode(Index) & 0xFFFFu), flag);
  QImage picture;
  if (!flag.Empty()) {
    picture.loadFromData(reinterpret_cast<const uchar*>(flag.Bytes().data()),
                         static_cast<int>(flag.Bytes().size()), "BMP");
  }
  const int width = picture.isNull() ? 0 : picture.width();
  const int height = picture.isNull() ? 0 : picture.height();
  const TLanguageEntryLayout layout =
      LanguageEntryLayout(Rect, width, height, canvas.fontMetrics().height());

  // The outline runs on the frame's outer pixels, the brush fills inside.
  canvas.setPen(QColor(kFlagFrameRed, kFlagFrameGreen, kFlagFrameBlue));
  canvas.setBrush(brush);
  canvas.drawRect(layout.Frame.adjusted(0, 0, -1, -1));
  if (!picture.isNull()) {
    canvas.drawImage(layout.Flag, picture);
  }
  QListWidgetItem* item = LanguageBox->item(Index);
  if (item != nullptr) {
    canvas.setPen(colours.color(Selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect text_area(layout.Text, QSize(std::max(0, Rect.right() - layout.Text.x() + 1),
                                             canvas.fontMetrics().height()));
    canvas.drawText(text_area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, item->text());
  }
}

} // namespace vandrel
