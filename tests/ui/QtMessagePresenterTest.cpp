// The Qt message boxes, asked from the GUI thread and from a worker.

#include "shell/qt/QtMessagePresenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace vandrel::test {
namespace {

// Installs the Qt presenter for one test.
class QtBoxes : public testing::Test {
protected:
  void SetUp() override { previous_ = SetMessagePresenter(std::make_shared<QtMessagePresenter>()); }
  void TearDown() override { SetMessagePresenter(previous_); }
  // Runs act on the next box once it is open (from inside its own loop).
  static void WhenBoxOpen(std::function<void(QMessageBox&)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box != nullptr && box->isVisible()) {
        timer->stop();
        timer->deleteLater();
        act(*box);
      }
    });
    timer->start(10);
  }
  std::shared_ptr<MessagePresenter> previous_;
};

TEST_F(QtBoxes, AWorkerWaitsForTheAnswerShownOnTheGuiThread) {
  QWidget owner;
  owner.show();
  std::atomic<int> result{0};
  bool seen = false;
  WhenBoxOpen([&](QMessageBox& box) {
    seen = true;
    EXPECT_EQ(box.windowTitle(), "Question");
    EXPECT_EQ(box.text(), "Please insert the disk #2 of the set");
    EXPECT_EQ(box.icon(), QMessageBox::Question);
    EXPECT_EQ(box.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(result.load(), 0);
    QTest::keyClick(&box, Qt::Key_Escape);
  });
  std::thread worker([&] { result = AskOkCancel(&owner, "Please insert the disk #2 of the set"); });
  EXPECT_TRUE(QTest::qWaitFor([&] { return result.load() != 0; }, 10000));
  worker.join();
  EXPECT_TRUE(seen);
  EXPECT_EQ(result.load(), kIdCancel);
}

TEST_F(QtBoxes, KindsGiveTheirCaptionsAndNoticesTheTitle) {
  struct Case {
    int buttons;
    int kind;
    const char* caption;
    QMessageBox::StandardButton press;
    int result;
  };
  for (const Case& c :
       {Case{1, 3, "Question", QMessageBox::Yes, kIdYes},
        Case{1, 3, "Question", QMessageBox::No, kIdNo},
        Case{0, 0, "Message", QMessageBox::Ok, kIdOk}, Case{0, 2, "Error", QMessageBox::Ok, kIdOk},
        Case{0, 9, "", QMessageBox::Ok, kIdOk}}) {
    int result = 0;
    WhenBoxOpen([&](QMessageBox& box) {
      EXPECT_EQ(box.windowTitle().toStdString(), c.caption);
      box.button(c.press)->click();
    });
    result = MsgBox(nullptr, "text", c.buttons, c.kind);
    EXPECT_EQ(result, c.result) << c.caption;
  }
  WhenBoxOpen([&](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), "Vandrel");
    EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
    box.button(QMessageBox::Ok)->click();
  });
  ShowMessage("Done.");
}

TEST_F(QtBoxes, TextIsShownAsTypedNotAsMarkup) {
  // A file name may hold anything a name can: markup stays visible.
  const QString text = QStringLiteral("File /tmp/<b>clip</b> & <i>x</i>.avi Not Found.");
  WhenBoxOpen([&](QMessageBox& box) {
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    EXPECT_EQ(box.text(), text);
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), text);
    box.button(QMessageBox::Ok)->click();
  });
  ShowMessage(text.toStdString());
  WhenBoxOpen([&](QMessageBox& box) {
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(AskYesNo(nullptr, "Delete <b>all</b> parts ?"), kIdNo);
}

} // namespace
} // namespace vandrel::test
