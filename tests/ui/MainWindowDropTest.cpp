// Files dropped on the window, and the mode switching they cause.

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

#include <filesystem>

#include "MainWindowFixture.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

class DropTest : public MainWindowTest {
protected:
  // Drags the names over the window and drops them; true when the window
  // accepted the drag.
  bool Drop(const std::vector<fs::path>& names) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& name : names) {
      urls << QUrl::fromLocalFile(QString::fromStdString(name.string()));
    }
    data.setUrls(urls);
    const QPoint at(300, 200);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window(), &enter);
    if (!enter.isAccepted() || !window().acceptDrops()) {
      return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window(), &drop);
    return true;
  }
};

TEST_F(DropTest, APartFileOpensTheRebuildModeAnyOtherFileTheSplitMode) {
  Open();
  const fs::path part = dir_.path() / "movie.avi.VD0";
  const fs::path other = dir_.path() / "movie.avi.vd1";
  WriteFile(part, "p");
  WriteFile(other, "q");
  window().splitoutput_txt->setText("kept");
  ASSERT_TRUE(Drop({part}));
  EXPECT_EQ(window().rbldfile_txt->text().toStdString(), part.string());
  EXPECT_TRUE(window().rebuild_pnl->isVisibleTo(&window()));
  EXPECT_FALSE(window().split_pnl->isVisibleTo(&window()));
  EXPECT_EQ(window().title_lbl->text(), "File Rebuilder");
  ASSERT_TRUE(Drop({other}));
  EXPECT_EQ(window().splitfile_txt->text().toStdString(), other.string());
  EXPECT_TRUE(window().split_pnl->isVisibleTo(&window()));
  EXPECT_EQ(window().title_lbl->text(), "File Splitter");
  EXPECT_EQ(window().splitoutput_txt->text(), "kept");
  EXPECT_TRUE(window().DroppedFiles.empty());
  EXPECT_TRUE(Notices().empty());
}

// A name that is not valid UTF-8 arrives as its bytes in the URL and is
// split under its own name.
TEST_F(DropTest, ANameThatIsNotUtf8IsSplitUnderItsOwnBytes) {
  Open();
  const std::string name = "caf\xE9 [1].bin";
  WriteFile(dir_.path() / name, "0123456789");
  QMimeData data;
  data.setUrls({QUrl::fromEncoded(
      "file://" +
      QByteArray::fromStdString((dir_.path() / name).string()).toPercentEncoding("/"))});
  const QPoint at(300, 200);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window(), &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window(), &drop);
  ASSERT_TRUE(window().split_pnl->isVisibleTo(&window()));
  window().splitoutput_txt->setText(QString::fromStdString(dir_.path().string()));
  window().splitnumpart_txt->setText("2");
  QTest::mouseClick(window().splitgo_btn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window().JobRunning(); }, 60000));
  EXPECT_EQ(ReadFile(dir_.path() / (name + ".vd0")), "01234");
  EXPECT_EQ(ReadFile(dir_.path() / (name + ".vd1")), "56789");
}

TEST_F(DropTest, TwoFilesOrAFolderAreRefusedWithANotice) {
  Open();
  const fs::path a = dir_.path() / "a.txt";
  const fs::path b = dir_.path() / "b.txt";
  WriteFile(a, "a");
  WriteFile(b, "b");
  ASSERT_TRUE(Drop({a, b}));
  ASSERT_TRUE(Drop({dir_.path()}));
  EXPECT_EQ(Notices(), (std::vector<std::string>{"Please do not drag and drop more than 1 file.",
                                                 "File not found."}));
  EXPECT_TRUE(window().splitfile_txt->text().isEmpty());
  EXPECT_TRUE(window().rbldfile_txt->text().isEmpty());
  EXPECT_TRUE(window().DroppedFiles.empty());
}

TEST_F(DropTest, DuringAJobTheWindowRefusesDrags) {
  Open();
  const fs::path file = dir_.path() / "a.txt";
  WriteFile(file, "a");
  window().EnablePanel(window().split_pnl, false);
  EXPECT_FALSE(Drop({file}));
  EXPECT_TRUE(window().splitfile_txt->text().isEmpty());
  window().EnablePanel(window().split_pnl, true);
  EXPECT_TRUE(Drop({file}));
  EXPECT_EQ(window().splitfile_txt->text().toStdString(), file.string());
}

TEST_F(DropTest, ModesShowTheirPanelAndHeader) {
  Open();
  struct Mode {
    QToolButton* button;
    QWidget* panel;
    const char* title;
  };
  for (const Mode& mode : {Mode{window().rebuild_btn, window().rebuild_pnl, "File Rebuilder"},
                           Mode{window().diskspan_btn, window().diskspan_pnl,
                                "File Splitter/Rebuilder with disk spanning"},
                           Mode{window().split_btn, window().split_pnl, "File Splitter"},
                           Mode{window().split_btn, window().split_pnl, "File Splitter"}}) {
    QTest::mouseClick(mode.button, Qt::LeftButton);
    EXPECT_EQ(window().title_lbl->text(), mode.title);
    for (QWidget* panel : {window().split_pnl, window().rebuild_pnl, window().diskspan_pnl}) {
      EXPECT_EQ(panel->isVisibleTo(&window()), panel == mode.panel);
    }
    EXPECT_FALSE(window().img->pixmap().isNull());
  }
  // During a job the modes are locked, Settings and About are not touched.
  const bool settings = window().settings_btn->isEnabled();
  window().EnablePanel(window().split_pnl, false);
  EXPECT_FALSE(window().diskspan_btn->isEnabled());
  EXPECT_EQ(window().settings_btn->isEnabled(), settings);
  window().EnablePanel(window().split_pnl, true);
  // File / Quit closes the window like its close button.
  window().Quit1->trigger();
  EXPECT_FALSE(window().isVisible());
}

} // namespace
} // namespace vandrel::test

namespace vandrel::test {
namespace {

// The client area has the fixed design size, and the panels fit in it even
// with a large desktop font.
TEST_F(DropTest, TheWindowKeepsItsSizeAndFitsLargeFonts) {
  const QFont saved = QApplication::font();
  for (int points : {9, 12, 16}) {
    QFont font = saved;
    font.setPointSize(points);
    QApplication::setFont(font);
    Open();
    EXPECT_EQ(window().centralWidget()->size(), QSize(500, 399));
    EXPECT_EQ(window().minimumSize(), window().maximumSize());
    for (QWidget* panel : {window().split_pnl, window().rebuild_pnl, window().diskspan_pnl}) {
      const QSize needed = panel->layout()->minimumSize();
      EXPECT_LE(needed.height(), panel->height())
          << points << " pt, " << panel->objectName().toStdString();
      EXPECT_LE(needed.width(), panel->width()) << points << " pt";
    }
  }
  QApplication::setFont(saved);
}

} // namespace
} // namespace vandrel::test
