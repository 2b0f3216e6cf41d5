// The open dialog and the folder browser, driven while they are open.

#include "shell/qt/C_WideDialogs.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "MainWindowFixture.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

// Runs act on the dialog once it is open.
template <typename Component>
void WhenOpen(Component& component, std::function<void(QFileDialog&)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, &component, act] {
    if (QFileDialog* dialog = component.Dialog(); dialog != nullptr && dialog->isVisible()) {
      timer->stop();
      timer->deleteLater();
      act(*dialog);
    }
  });
  timer->start(10);
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
    window.selectFile(QString::fromStdString(first.string()));
    static_cast<QDialog&>(window).accept();
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
    dialog.selectFile(QString::fromStdString(file.string()));
    static_cast<QDialog&>(dialog).accept();
  });
  window().splitfile_btnClick();
  EXPECT_EQ(window().splitfile_txt->text().toStdString(), file.string());
  EXPECT_EQ(window().splitoutput_txt->text().toStdString(), file.parent_path().string() + "/");

  // The rebuild side offers the part files and leaves a set folder alone.
  window().rbldoutput_txt->setText("chosen/");
  WhenOpen(*window().WOD, [&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.nameFilters(), QStringList{"Vandrel Files (*.vd0)"});
    dialog.selectFile(QString::fromStdString(file.string()));
    static_cast<QDialog&>(dialog).accept();
  });
  window().rbldfile_btnClick();
  EXPECT_EQ(window().rbldoutput_txt->text(), "chosen/");

  WhenOpen(*window().BF, [&](QFileDialog& dialog) {
    dialog.setDirectory(QString::fromStdString(file.parent_path().string()));
    static_cast<QDialog&>(dialog).accept();
  });
  window().rbldoutput_btnClick();
  EXPECT_EQ(window().rbldoutput_txt->text().toStdString(), file.parent_path().string() + "/");
}

} // namespace
} // namespace vandrel::test
