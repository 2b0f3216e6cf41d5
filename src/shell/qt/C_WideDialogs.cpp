#include "shell/qt/C_WideDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>

#include "engine/U_UnicodeUtils.h"
#include "platform/FileSystem.h"

namespace vandrel {

namespace {

QString Q(const WideString& s) {
  return QString::fromStdU16String(s);
}
WideString Wide(const QString& s) {
  return s.toStdU16String();
}

} // namespace

// The Qt dialog with the hooks the component needs: centring once it is
// set up, and the close query on confirmation.
class TOpenFileDialogWindow : public QFileDialog {
public:
  TOpenFileDialogWindow(QWidget* parent, TWideCommonDialog* owner_component,
                        TWideOpenDialog* open_dialog)
      : QFileDialog(parent), component_(owner_component), open_dialog_(open_dialog) {
    setOption(QFileDialog::DontUseNativeDialog);
  }

  void accept() override {
    if (open_dialog_ != nullptr && open_dialog_->OnCanClose) {
      bool can_close = true;
      open_dialog_->file_names_ = open_dialog_->SelectedNames();
      open_dialog_->OnCanClose(open_dialog_, can_close);
      open_dialog_->file_names_.clear();
      if (!can_close) {
        return;
      }
    }
    QFileDialog::accept();
  }

protected:
  void showEvent(QShowEvent* event) override {
    QFileDialog::showEvent(event);
    if (!shown_) {
      shown_ = true;
      TWideCommonDialog::Centre(this, parentWidget());
      if (component_->OnShow) {
        component_->OnShow(component_);
      }
    }
  }

private:
  TWideCommonDialog* component_;
  TWideOpenDialog* open_dialog_;
  bool shown_ = false;
};

TWideCommonDialog::TWideCommonDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

void TWideCommonDialog::Centre(QWidget* dialog, QWidget* owner) {
  QWidget* reference = QApplication::activeWindow();
  if (reference == nullptr || reference == dialog) {
    reference = owner;
  }
  QScreen* screen = reference != nullptr ? reference->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return;
  }
  const QRect area = screen->geometry();
  const QSize size = dialog->frameGeometry().size();
  dialog->move(area.left() + (area.width() - size.width()) / 2,
               area.top() + (area.height() - size.height()) / 3);
}

TWideOpenDialog::TWideOpenDialog(QWidget* owner) : TWideCommonDialog(owner) {}

TWideOpenDialog::~TWideOpenDialog() = default;

void TWideOpenDialog::SetInitialDir(const WideString& value) {
  WideString dir = value;
  const bool root = dir.size() == 1 || platform::IsBareDrive(dir);
  if (!dir.empty() && !root && platform::IsPathDelimiter(dir.back()) &&
      !(dir.size() >= 2 && dir[dir.size() - 2] == u':')) {
    dir.pop_back();
  }
  initial_dir_ = dir;
}

QStringList TWideOpenDialog::NameFilters(const WideString& filter) {
  const QStringList pieces = Q(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < pieces.size(); i += 2) {
    QString description = pieces[i];
    QStringList patterns = pieces[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      // "*.*" means every file, also those without a dot in their name.
      if (pattern == QLatin1String("*.*")) {
        pattern = QStringLiteral("*");
      }
    }
    // Qt reads the patterns from the last parentheses of the entry, so a
    // description that already ends in "(pattern)" gets them replaced.
    const QString shown = QLatin1Char('(') + pieces[i + 1] + QLatin1Char(')');
    if (description.endsWith(shown)) {
      description.chop(shown.size());
      description = description.trimmed();
    }
    filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters;
}

std::vector<WideString> TWideOpenDialog::SelectedNames() const {
  std::vector<WideString> names;
  if (dialog_ != nullptr) {
    for (const QString& name : dialog_->selectedFiles()) {
      names.push_back(Wide(QDir::toNativeSeparators(name)));
    }
  }
  return names;
}

WideString TWideOpenDialog::FileName() const {
  if (dialog_ != nullptr) {
    const auto names = SelectedNames();
    return names.empty() ? WideString() : names.front();
  }
  return file_name_;
}

int TWideOpenDialog::FilterIndex() const {
  if (dialog_ != nullptr) {
    return static_cast<int>(dialog_->nameFilters().indexOf(dialog_->selectedNameFilter())) + 1;
  }
  return filter_index_;
}

bool TWideOpenDialog::Execute() {
  file_names_.clear();
  TOpenFileDialogWindow window(owner_, this, this);
  window.setAcceptMode(QFileDialog::AcceptOpen);
  const bool multi = Options.count(TOpenOption::ofAllowMultiSelect) != 0;
  if (multi) {
    window.setFileMode(QFileDialog::ExistingFiles);
  } else if (Options.count(TOpenOption::ofFileMustExist) != 0) {
    window.setFileMode(QFileDialog::ExistingFile);
  } else {
    window.setFileMode(QFileDialog::AnyFile);
  }
  if (Options.count(TOpenOption::ofReadOnly) != 0) {
    window.setOption(QFileDialog::ReadOnly);
  }
  if (Options.count(TOpenOption::ofForceShowHidden) != 0) {
    window.setFilter(window.filter() | QDir::Hidden);
  }
  if (!Title.empty()) {
    window.setWindowTitle(Q(Title));
  }
  if (!DefaultExt.empty()) {
    window.setDefaultSuffix(Q(DefaultExt));
  }
  const QStringList filters = NameFilters(Filter);
  if (!filters.isEmpty()) {
    window.setNameFilters(filters);
    const int index = filter_index_ >= 1 && filter_index_ <= filters.size() ? filter_index_ : 1;
    window.selectNameFilter(filters[index - 1]);
    last_type_ = index;
  }
  if (!initial_dir_.empty()) {
    window.setDirectory(Q(initial_dir_));
  }
  if (!file_name_.empty()) {
    const QString name = Q(file_name_);
    if (initial_dir_.empty() || QFileInfo(name).isAbsolute()) {
      window.selectFile(name);
    } else {
      window.selectFile(QFileInfo(name).fileName());
    }
  } else if (initial_dir_.empty()) {
    window.setDirectory(QDir::currentPath());
  }
  connect(&window, &QFileDialog::currentChanged, this, [this] {
    if (OnSelectionChange) {
      OnSelectionChange(this);
    }
  });
  connect(&window, &QFileDialog::directoryEntered, this, [this] {
    if (OnFolderChange) {
      OnFolderChange(this);
    }
  });
  connect(&window, &QFileDialog::filterSelected, this, [this, &window](const QString& chosen) {
    const int index = static_cast<int>(window.nameFilters().indexOf(chosen)) + 1;
    if (index != last_type_) {
      last_type_ = index;
      if (OnTypeChange) {
        OnTypeChange(this);
      }
    }
  });

  dialog_ = &window;
  const bool confirmed = window.exec() == QDialog::Accepted;
  std::vector<WideString> chosen = SelectedNames();
  const int chosen_filter = FilterIndex();
  dialog_ = nullptr;
  if (OnClose) {
    OnClose(this);
  }
  if (!confirmed || chosen.empty()) {
    return false;
  }
  file_names_ = std::move(chosen);
  file_name_ = file_names_.front();
  filter_index_ = chosen_filter;
  if (Options.count(TOpenOption::ofNoChangeDir) == 0) {
    QDir::setCurrent(Q(WExtractFileDir(file_name_)));
  }
  return true;
}

TFolderBrowser::TFolderBrowser(QWidget* owner) : TWideCommonDialog(owner) {}

bool TFolderBrowser::Execute() {
  TOpenFileDialogWindow window(owner_, this, nullptr);
  window.setFileMode(QFileDialog::Directory);
  window.setOption(QFileDialog::ShowDirsOnly);
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  window.setDirectory(Folder.empty() ? (QDir(desktop).exists() ? desktop : QDir::homePath())
                                     : Q(Folder));
  dialog_ = &window;
  const bool confirmed = window.exec() == QDialog::Accepted;
  const QStringList chosen = window.selectedFiles();
  dialog_ = nullptr;
  if (OnClose) {
    OnClose(this);
  }
  if (!confirmed || chosen.isEmpty()) {
    return false;
  }
  Folder = Wide(QDir::toNativeSeparators(chosen.front()));
  return true;
}

} // namespace vandrel
