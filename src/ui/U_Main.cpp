// The main window's controls, its modes, the size combos and the progress
// display. Job launching and completion are in U_MainJobs.cpp, entry and
// shut-down in U_MainStartup.cpp.

#include "ui/U_Main.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/ApplicationEvents.h"
#include "base/Component.h"
#include "engine/PartSet.h"
#include "engine/U_JobProgress.h"
#include "engine/U_PartSizes.h"
#include "engine/U_UnicodeUtils.h"
#include "localization/C_LangList.h"
#include "localization/C_TextStorage.h"
#include "localization/qt/QtComponents.h"
#include "platform/ErrorTexts.h"
#include "shell/C_FileAssociation.h"
#include "shell/U_Log.h"
#include "shell/qt/C_WideDialogs.h"
#include "ui/ModePictures.h"
#include "ui/QtText.h"
#include "ui/U_DragDrop.h"
#include "ui/U_TaskBarProgressUnit.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel {

const std::array<const char*, 52> MainTexts{
    "File Splitter",
    "Use this mode to split a large file into smaller parts",
    "File Rebuilder",
    "Use this mode to rebuild a file splitted with Vandrel",
    "File Splitter/Rebuilder with disk spanning",
    "Use this mode to split or rebuild a file using multiple floppy disks",
    "Notepad Cut (64 Kb)",
    "Floppy Disk (1.39 MB)",
    "74 Mins CD (650 MB)",
    "80 Mins CD (700 MB)",
    "Custom",
    "b.",
    "Kb.",
    "Mb.",
    "All Files",
    "File %s Not Found.",
    "Directory %s Not Found.",
    "Please set a size of parts greater than 1 byte",
    "Please set a number of parts greater than 1",
    "Vandrel Files",
    "Minimal number of floppy disks required :",
    "QivburnDVD is required to burn CDs or DVDs with this software. Do you want to download it "
    "now ?",
    "HD Burn (1400 MB)",
    "Please insert a valid floppy disk into drive A:",
    "Please insert the last disk of the set and press \"Ok\".",
    "90 Mins CD (800 MB)",
    "99 Mins CD (880 MB)",
    EarlierPartsQuestion,
    "unused",
    "64 MB USB Key",
    "128 MB USB Key",
    "256 MB USB Key",
    "Please insert the disk #%d of the set and press \"Ok\".",
    "512 MB USB Key",
    "DVD",
    "Please do not drag and drop more than 1 file.",
    "File not found.",
    "Dual Layer DVD",
    "Gb.",
    "Time Left :",
    // Error reports of jobs that did not complete, and of follow-up work.
    "Split failed: %s",
    "Rebuild failed: %s",
    "Unable to delete %s",
    "Unable to create the rebuild file: %s",
    "The parts were not deleted.",
    // Notices that were shown in English.
    "Done.",
    "Unable to open file",
    "A new version of Vandrel is available. Do you want to download update now ?",
    "Vandrel is already up to date.",
    // Inputs that are not files, and names a batch file cannot hold.
    "%s is not a regular file.",
    "The parts are complete, but no rebuild file could be written: the name %s holds a "
    "character that a batch file cannot quote.",
    // The burner hand-off.
    "Unable to write the burner project file %s: its part is not handed to the burner.",
};

namespace {

using qt_text::Q;

// Room for a group's title above its controls.
void Compact(QLayout* layout) {
  layout->setContentsMargins(8, 4, 8, 6);
  layout->setSpacing(4);
}

QToolButton* ModeButton(QWidget* parent, const char* name, const char* caption,
                        ModePicture picture) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setText(QString::fromUtf8(caption));
  button->setIcon(ModeIcon(picture));
  button->setIconSize(QSize(28, 28));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setFixedSize(103, 54);
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

} // namespace

Tmain::Tmain(std::vector<std::string> arguments, QWidget* parent)
    : QMainWindow(parent), arguments_(std::move(arguments)) {
  setObjectName(QStringLiteral("main"));
  setWindowIcon(ProgramIcon());
  CreateControls();
  CreateMenu();
  ConnectMenu();
  WOD = new TWideOpenDialog(this);
  WOD->setObjectName(QStringLiteral("WOD"));
  BF = new TFolderBrowser(this);
  BF->setObjectName(QStringLiteral("BF"));
  for (size_t i = 0; i < PredefinedSizes.size(); ++i) {
    PredefinedSizes[i].Name = PredefinedSizeTable[i].Name;
  }
  CreateComponents();
  FormCreate();
}

Tmain::~Tmain() {
  // A window destroyed without being closed still ends its job and its
  // run properly.
  FormClose();
  RevokeDropTarget();
  component_.reset();
}

void Tmain::ConnectMenu() {
  connect(Openlogfile1, &QAction::triggered, this, [this] { Openlogfile1Click(); });
  connect(Checkforupdate1, &QAction::triggered, this, [this] { Checkforupdate1Click(); });
  ConnectHelpCommands();
}

void Tmain::CreateComponents() {
  // The text storage leads the window's components, as in its design.
  component_ = AdoptWindow(this, [this](TComponent* window) {
    TS = new TTextStorage(window, "TS");
    TS->SetItems(TStrings(MainTexts.begin(), MainTexts.end()));
    TS->Loaded();
  });
  // The start-up sequence hears the first activation after the language
  // list, which was created later and so is asked first.
  AppEvnt = new TApplicationEvents(component_.get(), "AppEvnt");
  AppEvnt->OnActivate = [this] { AppEvntActivate(); };
  AddPlainComponent(component_.get(), "WOD");
  AddPlainComponent(component_.get(), "BF");
  Langue = new TLangList(component_.get(), "Langue");
  Langue->FilePrefix = "Vandrel_";
  // An installed copy keeps its language files in share/vandrel; a build
  // tree or a portable copy beside the program.
  Langue->SubDir = "../share/vandrel/";
  Langue->RegKey = "Software\\Tolvane\\Vandrel";
  Langue->AfterLanguageSwitch = [this](TComponent*) { LangueAfterLanguageSwitch(); };
  Langue->SetArguments(arguments_);
  Langue->Loaded();
  fa = new TFileAssociation(component_.get());
  fa->SetName("fa");
  fa->SetExtension("vd0");
  CreateSpanComponents();
  CreateJobComponents();
}

AnsiString Tmain::Translate(const AnsiString& english) const {
  return TS->Translate(english);
}

std::uint16_t Tmain::LanguageId() const {
  if (!Langue->LanguageLoaded()) {
    return 0x0409;
  }
  return static_cast<std::uint16_t>(Langue->LanguageCode(Langue->LanguageIndex()) & 0xFFFF);
}

AnsiString Tmain::SystemReason(int error) const {
  return platform::ErrorTextInLanguage(error, LanguageId());
}

void Tmain::CreateControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(500, 399);
  setCentralWidget(client);

  // Header.
  top_pnl = new QFrame(client);
  top_pnl->setObjectName(QStringLiteral("top_pnl"));
  top_pnl->setGeometry(0, 0, 500, 65);
  top_pnl->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  title_lbl = new QLabel(top_pnl);
  title_lbl->setObjectName(QStringLiteral("title_lbl"));
  QFont bold = title_lbl->font();
  bold.setBold(true);
  title_lbl->setFont(bold);
  title_lbl->setGeometry(12, 7, 430, 20);
  sub_lbl = new QLabel(top_pnl);
  sub_lbl->setObjectName(QStringLiteral("sub_lbl"));
  sub_lbl->setWordWrap(true);
  sub_lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  sub_lbl->setGeometry(28, 28, 414, 34);
  img = new QLabel(top_pnl);
  img->setObjectName(QStringLiteral("img"));
  img->setGeometry(452, 16, 32, 32);

  // Modes bar.
  modes_pnl = new QFrame(client);
  modes_pnl->setObjectName(QStringLiteral("modes_pnl"));
  modes_pnl->setGeometry(0, 65, 108, 334);
  Image2 = new QLabel(modes_pnl);
  Image2->setObjectName(QStringLiteral("Image2"));
  Image2->setGeometry(0, 0, 108, 334);
  Image2->setPixmap(QPixmap::fromImage(DrawModesBarBackground(QSize(108, 334))));
  split_btn = ModeButton(modes_pnl, "split_btn", "Split", ModePicture::Split);
  rebuild_btn = ModeButton(modes_pnl, "rebuild_btn", "Rebuild", ModePicture::Rebuild);
  diskspan_btn = ModeButton(modes_pnl, "diskspan_btn", "Disk Spanning", ModePicture::DiskSpan);
  settings_btn = ModeButton(modes_pnl, "settings_btn", "Settings", ModePicture::Settings);
  about_btn = ModeButton(modes_pnl, "about_btn", "About", ModePicture::About);
  int y = 8;
  for (QToolButton* button : {split_btn, rebuild_btn, diskspan_btn, settings_btn, about_btn}) {
    button->move(2, y);
    y += 62;
  }
  connect(split_btn, &QToolButton::clicked, this, [this] { split_btnClick(); });
  connect(rebuild_btn, &QToolButton::clicked, this, [this] { rebuild_btnClick(); });
  connect(diskspan_btn, &QToolButton::clicked, this, [this] { diskspan_btnClick(); });
  connect(settings_btn, &QToolButton::clicked, this, [this] { settings_btnClick(); });
  connect(about_btn, &QToolButton::clicked, this, [this] { about_btnClick(); });

  const QRect panel_area(110, 69, 388, 326);
  auto make_panel = [&](const char* name) {
    auto* panel = new QFrame(client);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(panel_area);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    return panel;
  };
  auto group = [&](QWidget* parent, const char* name, const char* caption) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QLatin1String(name));
    if (parent->layout() != nullptr) {
      parent->layout()->addWidget(box);
    }
    return box;
  };
  auto edit = [](QWidget* parent, const char* name) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(QLatin1String(name));
    // Dropped files go to the window, not into the text.
    line->setAcceptDrops(false);
    return line;
  };
  auto button = [](QWidget* parent, const char* name, const char* caption) {
    auto* push = new QPushButton(QString::fromUtf8(caption), parent);
    push->setObjectName(QLatin1String(name));
    return push;
  };
  auto progress = [](QWidget* parent, const char* name) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(16);
    return bar;
  };
  auto file_row = [&](QGroupBox* box, QLineEdit*& line, const char* line_name, QPushButton*& browse,
                      const char* browse_name) {
    auto* row = new QHBoxLayout(box);
    Compact(row);
    line = edit(box, line_name);
    browse = button(box, browse_name, "Browse");
    row->addWidget(line, 1);
    row->addWidget(browse);
  };

  // Split panel.
  split_pnl = make_panel("split_pnl");
  splitfile_grp = group(split_pnl, "splitfile_grp", "File To Split");
  file_row(splitfile_grp, splitfile_txt, "splitfile_txt", splitfile_btn, "splitfile_btn");
  splitoutput_grp = group(split_pnl, "splitoutput_grp", "Output Directory");
  file_row(splitoutput_grp, splitoutput_txt, "splitoutput_txt", splitoutput_btn, "splitoutput_btn");
  splitoptions_grp = group(split_pnl, "splitoptions_grp", "Options");
  {
    auto* grid = new QGridLayout(splitoptions_grp);
    Compact(grid);
    grid->setVerticalSpacing(3);
    splitnum_rdo = new QRadioButton(QStringLiteral("Number of parts"), splitoptions_grp);
    splitnum_rdo->setObjectName(QStringLiteral("splitnum_rdo"));
    splitnum_rdo->setChecked(true);
    splitnumpart_txt = edit(splitoptions_grp, "splitnumpart_txt");
    splitnumpart_txt->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,9}")), splitnumpart_txt));
    splitsize_rdo = new QRadioButton(QStringLiteral("Size of parts"), splitoptions_grp);
    splitsize_rdo->setObjectName(QStringLiteral("splitsize_rdo"));
    splitsizepart_txt = edit(splitoptions_grp, "splitsizepart_txt");
    // Decimals, so that every predefined size keeps its exact byte count.
    splitsizepart_txt->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,13}([.,][0-9]{0,15})?")), splitsizepart_txt));
    splitsizeunit_cmb = new QComboBox(splitoptions_grp);
    splitsizeunit_cmb->setObjectName(QStringLiteral("splitsizeunit_cmb"));
    splitpredef_lbl = new QLabel(QStringLiteral("Predefined size :"), splitoptions_grp);
    splitpredef_lbl->setObjectName(QStringLiteral("splitpredef_lbl"));
    splitpredef_cmb = new QComboBox(splitoptions_grp);
    splitpredef_cmb->setObjectName(QStringLiteral("splitpredef_cmb"));
    splitburn_chk = new QCheckBox(QStringLiteral("Burn on CD/DVD"), splitoptions_grp);
    splitburn_chk->setObjectName(QStringLiteral("splitburn_chk"));
    splitautoregen_chk =
        new QCheckBox(QStringLiteral("Generate automatic rebuild file"), splitoptions_grp);
    splitautoregen_chk->setObjectName(QStringLiteral("splitautoregen_chk"));
    grid->addWidget(splitnum_rdo, 0, 0);
    grid->addWidget(splitnumpart_txt, 0, 1);
    grid->addWidget(splitsize_rdo, 1, 0);
    grid->addWidget(splitsizepart_txt, 1, 1);
    grid->addWidget(splitsizeunit_cmb, 1, 2);
    grid->addWidget(splitpredef_lbl, 2, 0);
    grid->addWidget(splitpredef_cmb, 2, 1, 1, 2);
    grid->addWidget(splitburn_chk, 3, 0);
    grid->addWidget(splitautoregen_chk, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);
  }
  splitprog_grp = group(split_pnl, "splitprog_grp", "Progression");
  {
    auto* grid = new QGridLayout(splitprog_grp);
    Compact(grid);
    splitgo_btn = button(splitprog_grp, "splitgo_btn", "Split Now");
    splitgo_btn->setMinimumWidth(96);
    splittimeleft_lbl = new QLabel(splitprog_grp);
    splittimeleft_lbl->setObjectName(QStringLiteral("splittimeleft_lbl"));
    split_prg = progress(splitprog_grp, "split_prg");
    grid->addWidget(splitgo_btn, 0, 0, 2, 1, Qt::AlignVCenter);
    grid->addWidget(splittimeleft_lbl, 0, 1);
    grid->addWidget(split_prg, 1, 1);
    grid->setColumnStretch(1, 1);
  }
  static_cast<QVBoxLayout*>(split_pnl->layout())->addStretch(1);

  // Rebuild panel.
  rebuild_pnl = make_panel("rebuild_pnl");
  rbldfile_grp = group(rebuild_pnl, "rbldfile_grp", "File To Rebuild");
  file_row(rbldfile_grp, rbldfile_txt, "rbldfile_txt", rbldfile_btn, "rbldfile_btn");
  rbldoutput_grp = group(rebuild_pnl, "rbldoutput_grp", "Output Directory");
  file_row(rbldoutput_grp, rbldoutput_txt, "rbldoutput_txt", rbldoutput_btn, "rbldoutput_btn");
  rbldoptions_grp = group(rebuild_pnl, "rbldoptions_grp", "Options");
  {
    auto* row = new QVBoxLayout(rbldoptions_grp);
    Compact(row);
    rblddelparts_chk =
        new QCheckBox(QStringLiteral("Delete splitted parts after rebuilding"), rbldoptions_grp);
    rblddelparts_chk->setObjectName(QStringLiteral("rblddelparts_chk"));
    row->addWidget(rblddelparts_chk);
  }
  rbldprog_grp = group(rebuild_pnl, "rbldprog_grp", "Progression");
  {
    auto* grid = new QGridLayout(rbldprog_grp);
    Compact(grid);
    rbldgo_btn = button(rbldprog_grp, "rbldgo_btn", "Rebuild Now");
    rbldgo_btn->setMinimumWidth(96);
    rbldtimeleft_lbl = new QLabel(rbldprog_grp);
    rbldtimeleft_lbl->setObjectName(QStringLiteral("rbldtimeleft_lbl"));
    rbld_prg = progress(rbldprog_grp, "rbld_prg");
    grid->addWidget(rbldgo_btn, 0, 0, 2, 1, Qt::AlignVCenter);
    grid->addWidget(rbldtimeleft_lbl, 0, 1);
    grid->addWidget(rbld_prg, 1, 1);
    grid->setColumnStretch(1, 1);
  }
  static_cast<QVBoxLayout*>(rebuild_pnl->layout())->addStretch(1);

  // Disk-spanning panel; the drive's folder and the handlers of the disk
  // jobs are in U_MainSpan.cpp.
  diskspan_pnl = make_panel("diskspan_pnl");
  diskspansplit_grp = group(diskspan_pnl, "diskspansplit_grp", "File To Split With Disk Spanning");
  {
    auto* grid = new QGridLayout(diskspansplit_grp);
    Compact(grid);
    spansplit_txt = edit(diskspansplit_grp, "spansplit_txt");
    spansplitfile_btn = button(diskspansplit_grp, "spansplitfile_btn", "Browse");
    Minimal_lbl =
        new QLabel(QStringLiteral("Minimal number of floppy disks required :"), diskspansplit_grp);
    Minimal_lbl->setObjectName(QStringLiteral("Minimal_lbl"));
    spansplit_btn = button(diskspansplit_grp, "spansplit_btn", "Split Now");
    spansplit_prg = progress(diskspansplit_grp, "spansplit_prg");
    grid->addWidget(spansplit_txt, 0, 0, 1, 2);
    grid->addWidget(spansplitfile_btn, 0, 2);
    grid->addWidget(Minimal_lbl, 1, 0, 1, 3);
    grid->addWidget(spansplit_btn, 2, 0);
    grid->addWidget(spansplit_prg, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
  }
  diskspanrebld_grp = group(diskspan_pnl, "diskspanrebld_grp", "Rebuild From Disk Spanning");
  {
    auto* column = new QVBoxLayout(diskspanrebld_grp);
    Compact(column);
    diskspanoutput_grp = group(diskspanrebld_grp, "diskspanoutput_grp", "Output Directory");
    file_row(diskspanoutput_grp, spanrbld_txt, "spanrbld_txt", spanrbld_btn, "spanrbld_btn");
    column->addWidget(diskspanoutput_grp);
    diskspanflop_grp = group(diskspanrebld_grp, "diskspanflop_grp", "Floppies");
    {
      auto* row = new QHBoxLayout(diskspanflop_grp);
      Compact(row);
      diskspanrbldsearch_btn =
          button(diskspanflop_grp, "diskspanrbldsearch_btn", "Search on current floppy");
      diskspanflpy_cmb = new QComboBox(diskspanflop_grp);
      diskspanflpy_cmb->setObjectName(QStringLiteral("diskspanflpy_cmb"));
      row->addWidget(diskspanrbldsearch_btn);
      row->addWidget(diskspanflpy_cmb, 1);
    }
    column->addWidget(diskspanflop_grp);
    auto* row = new QHBoxLayout();
    spanrebuild_btn = button(diskspanrebld_grp, "spanrebuild_btn", "Rebuild Now");
    spanrbld_prg = progress(diskspanrebld_grp, "spanrbld_prg");
    row->addWidget(spanrebuild_btn);
    row->addWidget(spanrbld_prg, 1);
    column->addLayout(row);
  }
  CreateSpanControls();
  static_cast<QVBoxLayout*>(diskspan_pnl->layout())->addStretch(1);

  connect(splitfile_btn, &QPushButton::clicked, this, [this] { splitfile_btnClick(); });
  connect(splitoutput_btn, &QPushButton::clicked, this, [this] { splitoutput_btnClick(); });
  connect(splitpredef_cmb, &QComboBox::activated, this, [this] { splitpredef_cmbChange(); });
  connect(splitsizeunit_cmb, &QComboBox::activated, this, [this] { splitsizeunit_cmbChange(); });
  connect(splitgo_btn, &QPushButton::clicked, this, [this] { splitgo_btnClick(); });
  connect(splitburn_chk, &QCheckBox::clicked, this, [this] { splitburn_chkClick(); });
  connect(splitautoregen_chk, &QCheckBox::clicked, this, [this] { splitburn_chkClick(); });
  connect(rbldfile_btn, &QPushButton::clicked, this, [this] { rbldfile_btnClick(); });
  connect(rbldoutput_btn, &QPushButton::clicked, this, [this] { rbldoutput_btnClick(); });
  connect(rbldgo_btn, &QPushButton::clicked, this, [this] { rbldgo_btnClick(); });
  connect(spansplitfile_btn, &QPushButton::clicked, this, [this] { spansplitfile_btnClick(); });
  connect(spanrbld_btn, &QPushButton::clicked, this, [this] { spanrbld_btnClick(); });

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  FitFontToLayout();
}

void Tmain::FitFontToLayout() {
  // The window keeps its fixed size with the desktop's own font; where that
  // font is too large for the panels, it is made smaller until every text
  // fits, so nothing is clipped or overlaps.
  QWidget* client = centralWidget();
  auto fits = [&] {
    for (QWidget* panel : {static_cast<QWidget*>(split_pnl), static_cast<QWidget*>(rebuild_pnl),
                           static_cast<QWidget*>(diskspan_pnl)}) {
      panel->layout()->invalidate();
      const QSize needed = panel->layout()->minimumSize();
      if (needed.height() > panel->height() || needed.width() > panel->width()) {
        return false;
      }
    }
    for (QToolButton* button : {split_btn, rebuild_btn, diskspan_btn, settings_btn, about_btn}) {
      if (button->fontMetrics().horizontalAdvance(button->text()) > button->width() - 6) {
        return false;
      }
    }
    return title_lbl->sizeHint().height() <= title_lbl->height() + 2;
  };
  QFont font = client->font();
  while (!fits() && font.pointSizeF() > 7.0) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
    client->setFont(font);
    QFont bold = font;
    bold.setBold(true);
    title_lbl->setFont(bold);
  }
}

void Tmain::CreateMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  File1 = bar->addMenu(QStringLiteral("File"));
  File1->setObjectName(QStringLiteral("File1"));
  Quit1 = File1->addAction(QStringLiteral("Quit"));
  Quit1->setObjectName(QStringLiteral("Quit1"));
  connect(Quit1, &QAction::triggered, this, [this] { Quit1Click(); });

  N1 = bar->addMenu(QStringLiteral("?"));
  N1->setObjectName(QStringLiteral("N1"));
  auto item = [this](const char* name, const char* caption) {
    QAction* action = N1->addAction(QString::fromUtf8(caption));
    action->setObjectName(QLatin1String(name));
    return action;
  };
  auto separator = [this](const char* name) {
    N1->addSeparator()->setObjectName(QLatin1String(name));
  };
  Help1 = item("Help1", "Help");
  separator("N2");
  Openlogfile1 = item("Openlogfile1", "Open log file");
  Openlogfile1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  separator("N3");
  Checkforupdate1 = item("Checkforupdate1", "Check for update...");
  Checkforupdate1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  separator("N4");
  BugreportFeaturerequestKnownissues1 =
      item("BugreportFeaturerequestKnownissues1", "Bug report Feature request, Known issues");
  ChangeLog1 = item("ChangeLog1", "Change Log");
  separator("N5");
  About1 = item("About1", "About");
  N1->setToolTipsVisible(true);
}

void Tmain::SwitchMode(QToolButton* button, int title_index, QWidget* panel) {
  title_lbl->setText(Q(Translate(MainTexts[title_index])));
  sub_lbl->setText(Q(Translate(MainTexts[title_index + 1])));
  img->setPixmap(button->icon().pixmap(QSize(32, 32)));
  img->update();
  for (QWidget* each : {static_cast<QWidget*>(split_pnl), static_cast<QWidget*>(rebuild_pnl),
                        static_cast<QWidget*>(diskspan_pnl)}) {
    each->setVisible(each == panel);
  }
}

void Tmain::split_btnClick() {
  SwitchMode(split_btn, 0, split_pnl);
}
void Tmain::rebuild_btnClick() {
  SwitchMode(rebuild_btn, 2, rebuild_pnl);
}
void Tmain::diskspan_btnClick() {
  SwitchMode(diskspan_btn, 4, diskspan_pnl);
  ShowSpanDrive();
}

void Tmain::EnablePanel(QWidget* Panel, bool Enabled) {
  Panel->setEnabled(Enabled);
  split_btn->setEnabled(Enabled);
  rebuild_btn->setEnabled(Enabled);
  diskspan_btn->setEnabled(Enabled);
  if (Enabled) {
    RegisterDropTarget();
  } else {
    RevokeDropTarget();
  }
}

void Tmain::FillSizeCombos() {
  for (size_t i = 0; i < PredefinedSizes.size(); ++i) {
    PredefinedSizes[i].Name = Translate(PredefinedSizeTable[i].Name);
  }
  // Filling by program must not run the change handlers: they are bound
  // to the user's choice only (activated), so the size field keeps its value.
  const int predefined = splitpredef_cmb->currentIndex();
  splitpredef_cmb->clear();
  for (const TPredefinedSizeEntry& entry : PredefinedSizes) {
    splitpredef_cmb->addItem(Q(entry.Name));
  }
  splitpredef_cmb->addItem(Q(Translate("Custom")));
  splitpredef_cmb->setCurrentIndex(predefined < 0 ? splitpredef_cmb->count() - 1 : predefined);

  const int unit = splitsizeunit_cmb->currentIndex();
  splitsizeunit_cmb->clear();
  for (const char* name : SizeUnitNames) {
    splitsizeunit_cmb->addItem(Q(Translate(name)));
  }
  splitsizeunit_cmb->setCurrentIndex(unit < 0 ? 2 : unit);
}

void Tmain::ShowPartSize(std::int64_t Bytes) {
  const SizeInUnit size = SplitIntoUnit(Bytes);
  if (size.unit_index == 0) {
    splitsizepart_txt->setText(QString::number(Bytes));
  } else {
    // 15 significant digits bring every byte count back exactly.
    splitsizepart_txt->setText(QString::number(static_cast<double>(size.value), 'g', 15));
  }
  splitsizeunit_cmb->setCurrentIndex(size.unit_index);
}

std::int64_t Tmain::ReadPartSize() const {
  const QString text = splitsizepart_txt->text().trimmed();
  if (text.isEmpty()) {
    return 0;
  }
  // An unreadable size, or one beyond 63 bits, is refused as 0 is.
  return SizeFromUnitText(text.toStdString(), std::max(0, splitsizeunit_cmb->currentIndex()))
      .value_or(0);
}

void Tmain::splitpredef_cmbChange() {
  const int index = splitpredef_cmb->currentIndex();
  if (index < 0) {
    return;
  }
  if (index < static_cast<int>(PredefinedSizes.size())) {
    ShowPartSize(static_cast<std::int64_t>(PredefinedSizeTable[index].Size));
  }
  splitsize_rdo->setChecked(true);
}

void Tmain::splitsizeunit_cmbChange() {
  splitsize_rdo->setChecked(true);
}

void Tmain::SetJobProgress(QProgressBar* Bar, int Position, int Max) {
  Bar->setMaximum(Max);
  if (TaskProgress) {
    TaskProgress->SetMax(Max);
  }
  Bar->setValue(Position);
  if (TaskProgress) {
    TaskProgress->SetPosition(Position);
  }
}

void Tmain::ShowProgress(TCopyJob* job, QProgressBar* bar, QLabel* time_left) {
  SetJobProgress(bar, job->Percent, 100);
  if (job->Percent == 0 || time_left == nullptr) {
    return;
  }
  const TDateTime elapsed = Now() - job->StartTime;
  time_left->setText(
      Q(TimeLeftText(Translate("Time Left :"), TimeLeftSeconds(job->Percent, elapsed))));
}

void Tmain::RegisterDropTarget() {
  drop_target_ = RegisterWideDropTarget(this, &DroppedFiles, nullptr,
                                        [this](QObject*) { HandleDroppedFiles(); });
}

void Tmain::RevokeDropTarget() {
  if (drop_target_ != nullptr) {
    RevokeWideDropTarget(this);
    drop_target_ = nullptr;
  }
}

void Tmain::HandleDroppedFiles() {
  if (DroppedFiles.size() != 1) {
    Notice(Translate("Please do not drag and drop more than 1 file."));
    DroppedFiles.clear();
    return;
  }
  const WideString name = DroppedFiles.front();
  if (!WFileExists(name)) {
    Notice(Translate("File not found."));
    DroppedFiles.clear();
    return;
  }
  const QString text = QString::fromStdU16String(name);
  if (text.endsWith(QLatin1String(".vd0"), Qt::CaseInsensitive)) {
    rebuild_btnClick();
    rbldfile_txt->setText(text);
  } else {
    split_btnClick();
    splitfile_txt->setText(text);
  }
  DroppedFiles.clear();
}

} // namespace vandrel
