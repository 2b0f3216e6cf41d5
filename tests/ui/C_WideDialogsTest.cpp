// The open dialog and the folder browser, driven while they are open.

#include "shell/qt/C_WideDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

#include "MainWindowFixture.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

// Runs act on the dialog once it is open, again while it stays open (its
// folder model loads in the background), and gives up after a while by
// cancelling, so that a dialog that refuses fails the test instead of
// hanging it.
template <typename Component>
void WhenOpen(Component& component, std::function<void(QFileDialog&)> act) {
  auto* timer = new QTimer(&component);
  auto attempts = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, &component, act, attempts] {
    QFileDialog* dialog = component.Dialog();
    if (dialog == nullptr || !dialog->isVisible()) {
      return;
    }
    // A warning box of the dialog's own would hold it open.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != dialog) {
      modal->close();
      return;
    }
    if (++*attempts > 100) {
      ADD_FAILURE() << "the dialog did not close";
      dialog->reject();
    } else {
      act(*dialog);
    }
    // Done with this dialog once it has closed; the next one is another's.
    if (!dialog->isVisible()) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(20);
}

// Types the path into the dialog's name field and confirms, as a user
// would; the folder view may still be loading.
void Choose(QFileDialog& dialog, const std::string& path) {
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  // The pending selection too: a folder view that finishes loading later
  // would put the name it started with back into the field.
  if (path.front() != '"') {
    dialog.selectFile(QString::fromStdString(path));
  }
  name->setText(QString::fromStdString(path));
  static_cast<QDialog&>(dialog).accept();
}

class WideDialogTest : public MainWindowTest {};

TEST_F(WideDialogTest, OpenDialogReturnsTheFileAndStartsThereNextTime) {
  const fs::path first = dir_.path() / "première vidéo.mkv";
  WriteFile(first, "x");
  TWideOpenDialog dialog(nullptr);
  dialog.Filter = W("All Files (*.*)|*.*");
  QStringList filters;
  bool shown = false;
  dialog.OnShow = [&](QObject*) { shown = true; };
  WhenOpen(dialog, [&](QFileDialog& window) {
    filters = window.nameFilters();
    Choose(window, first.string());
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_TRUE(shown);
  EXPECT_EQ(filters, QStringList{"All Files (*)"});
  EXPECT_EQ(dialog.FileName(), W(first.string()));
  EXPECT_EQ(dialog.FileNames(), std::vector<WideString>{W(first.string())});
  EXPECT_EQ(dialog.FilterIndex(), 1);

  QString started_in;
  WhenOpen(dialog, [&](QFileDialog& window) {
    started_in = window.directory().absolutePath();
    window.reject();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(started_in.toStdString(), dir_.path().string());
  EXPECT_EQ(dialog.FileName(), W(first.string()));
}

TEST_F(WideDialogTest, MultipleSelectionGivesEveryFullPath) {
  const fs::path a = dir_.path() / "a b.txt";
  const fs::path b = dir_.path() / "ç.txt";
  WriteFile(a, "a");
  WriteFile(b, "b");
  TWideOpenDialog dialog(nullptr);
  dialog.Options.insert(TOpenOption::ofAllowMultiSelect);
  dialog.SetInitialDir(W(dir_.path().string() + "/"));
  bool asked = false;
  dialog.OnCanClose = [&](QObject*, bool& can_close) {
    asked = true;
    EXPECT_EQ(dialog.FileNames().size(), 2u);
    can_close = true;
  };
  WhenOpen(dialog, [&](QFileDialog& window) {
    window.setDirectory(QString::fromStdString(dir_.path().string()));
    Choose(window, "\"a b.txt\" \"ç.txt\"");
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_TRUE(asked);
  EXPECT_EQ(dialog.FileNames(), (std::vector<WideString>{W(a.string()), W(b.string())}));
  EXPECT_EQ(dialog.FileName(), W(a.string()));
}

TEST_F(WideDialogTest, FiltersAndInitialFolderRules) {
  EXPECT_EQ(TWideOpenDialog::NameFilters(W("Vandrel Files (*.vd0)|*.vd0|Texts|*.txt;*.log")),
            (QStringList{"Vandrel Files (*.vd0)", "Texts (*.txt *.log)"}));
  TWideOpenDialog dialog(nullptr);
  dialog.SetInitialDir(W("/"));
  EXPECT_EQ(dialog.InitialDir(), W("/"));
  dialog.SetInitialDir(W("/home/anna/"));
  EXPECT_EQ(dialog.InitialDir(), W("/home/anna"));
}

TEST_F(WideDialogTest, BrowseFillsTheFileAndAnEmptyOutputFolder) {
  const fs::path file = dir_.path() / "sub folder" / "movie.avi";
  fs::create_directories(file.parent_path());
  WriteFile(file, "x");
  Open();
  WhenOpen(*window().WOD, [&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.nameFilters(), QStringList{"All Files (*)"});
    Choose(dialog, file.string());
  });
  window().splitfile_btnClick();
  EXPECT_EQ(window().splitfile_txt->text().toStdString(), file.string());
  EXPECT_EQ(window().splitoutput_txt->text().toStdString(), file.parent_path().string() + "/");

  // The rebuild side offers the part files and leaves a set folder alone.
  window().rbldoutput_txt->setText("chosen/");
  WhenOpen(*window().WOD, [&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.nameFilters(), QStringList{"Vandrel Files (*.vd0)"});
    Choose(dialog, file.string());
  });
  window().rbldfile_btnClick();
  EXPECT_EQ(window().rbldoutput_txt->text(), "chosen/");

  WhenOpen(*window().BF, [&](QFileDialog& dialog) { Choose(dialog, file.parent_path().string()); });
  window().rbldoutput_btnClick();
  EXPECT_EQ(window().rbldoutput_txt->text().toStdString(), file.parent_path().string() + "/");
}

} // namespace
} // namespace vandrel::test

namespace vandrel::test {
namespace {

TEST_F(WideDialogTest, TheDiskSpanningFileShowsTheFloppiesItNeeds) {
  Open();
  window().diskspan_btnClick();
  for (const auto& [bytes, floppies] : std::vector<std::pair<std::uintmax_t, int>>{
           {0, 0}, {1457664, 1}, {1457665, 2}, {2186496, 2}, {3 * 1457664 + 1, 4}}) {
    const fs::path file = dir_.path() / ("floppy " + std::to_string(bytes) + ".bin");
    WriteFile(file, "");
    fs::resize_file(file, bytes);
    // Each round starts afresh rather than on the file of the round before.
    window().WOD->SetFileName({});
    WhenOpen(*window().WOD, [&](QFileDialog& dialog) { Choose(dialog, file.string()); });
    window().spansplitfile_btnClick();
    EXPECT_EQ(window().spansplit_txt->text().toStdString(), file.string());
    EXPECT_EQ(window().Minimal_lbl->text().toStdString(),
              "Minimal number of floppy disks required : " + std::to_string(floppies));
  }
  for (QPushButton* button :
       {window().spansplit_btn, window().diskspanrbldsearch_btn, window().spanrebuild_btn}) {
    EXPECT_TRUE(button->isEnabled());
  }
  EXPECT_TRUE(window().splitburn_chk->isEnabled());
}

} // namespace
} // namespace vandrel::test
