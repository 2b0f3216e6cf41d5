#include "shell/qt/Settings.h"

#include <QGroupBox>
#include <QPushButton>

#include "localization/qt/Lang_langChoice.h"
#include "localization/qt/QtComponents.h"

namespace vandrel {

namespace {

// Room the dialog keeps around its content.
constexpr int kBorderWidth = 3;

} // namespace

TSettingsDlg::TSettingsDlg(QWidget* owner, TLangList* language_list) : QDialog(owner) {
  setObjectName(QStringLiteral("SettingsDlg"));
  setWindowTitle(QStringLiteral("Settings"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(329 + 2 * kBorderWidth, 249 + 2 * kBorderWidth);

  lng_frm = new QGroupBox(QStringLiteral("Language"), this);
  lng_frm->setObjectName(QStringLiteral("lng_frm"));
  lng_frm->setGeometry(kBorderWidth, kBorderWidth, 329, 217);
  lang = new TLanguageChoice(lng_frm);
  lang->setObjectName(QStringLiteral("lang"));
  lang->setGeometry(8, 16, 313, 185);
  lang->setFocusPolicy(Qt::NoFocus);

  ok_btn = new QPushButton(QStringLiteral("Ok"), this);
  ok_btn->setObjectName(QStringLiteral("ok_btn"));
  ok_btn->setGeometry(kBorderWidth + 123, kBorderWidth + 224, 84, 25);
  ok_btn->setDefault(true);
  connect(ok_btn, &QPushButton::clicked, this, &QDialog::accept);

  component_ = AdoptWindow(this);
  lang->SetComponent(ComponentOf(*component_, lang));
  lang->SetLanguageList(language_list);
  lang->Loaded();
}

TSettingsDlg::~TSettingsDlg() = default;

} // namespace vandrel
