#include "wizard/FormAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/EditionProfile.h"
#include "app/HelpLinks.h"
#include "app/SkinLayout.h"
#include "ui/LinkLabel.h"
#include "ui/Palette.h"
#include "ui/SkinImage.h"
#include "wizard/Shell.h"

namespace mediaconv::wizard {
namespace {

constexpr int kPanelWidth = 160;
constexpr int kHeight = 280;
constexpr int kPageLeft = kPanelWidth + 16;
constexpr int kPageWidth = 340;

void AsLink(ui::TLinkLabel* label) { label->setProperty("role", ui::kRoleLink); }

}  // namespace

TFormAbout::TFormAbout(const QString& exeFolder, const QString& editionFile, QWidget* parent)
    : QDialog(parent) {
  const app::EditionProfile edition = app::ReadEditionProfile(editionFile.toStdString());
  const std::string& name = edition.Name;
  setWindowTitle("About ");

  leftPanel_ = new QWidget(this);
  leftPanel_->setGeometry(0, 0, kPanelWidth, kHeight);
  leftPanel_->setAutoFillBackground(true);
  QPalette panelPalette = leftPanel_->palette();
  panelPalette.setColor(QPalette::Window, ui::Colour(ui::palette::kFrameBand));
  leftPanel_->setPalette(panelPalette);
  logo_ = new ui::TLinkLabel({}, leftPanel_);
  logo_->setPixmap(ui::LoadSkinImage(
      QString::fromStdString(app::SkinFolder(exeFolder.toStdString(), edition)), "leftlogo.png"));
  logo_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  logo_->setGeometry(0, 0, kPanelWidth, kHeight);

  pageArea_ = new QWidget(this);
  pageArea_->setGeometry(kPageLeft, 16, kPageWidth, kHeight - 32);
  title_ = new QLabel(
      QString("%1 %2").arg(QString::fromStdString(name), QString::fromStdString(edition.Version)), pageArea_);
  title_->setFont(ui::TitleFont());
  copyright_ = new QLabel(QString::fromStdString(edition.Copyright), pageArea_);
  copyright_->setWordWrap(true);
  web_ = new ui::TLinkLabel(QString::fromStdString(app::HomePageLink(name)), pageArea_);
  support_ = new ui::TLinkLabel(QString::fromStdString(app::SupportLink(name)), pageArea_);
  AsLink(web_);
  AsLink(support_);
  auto* layout = new QVBoxLayout(pageArea_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(ui::kGrid);
  layout->addWidget(title_);
  layout->addWidget(copyright_);
  layout->addSpacing(2 * ui::kGrid);
  layout->addWidget(web_);
  layout->addWidget(support_);
  layout->addStretch(1);

  updates_ = new QPushButton("&Updates...", this);
  ok_ = new QPushButton("&OK", this);
  ok_->setDefault(true);
  updates_->adjustSize();
  ok_->adjustSize();

  const std::optional<app::TSkinLayout> skin = app::SkinLayoutFor(edition.Skin);
  if (skin && skin->aboutHidesLeftPanel) {
    leftPanel_->hide();
    pageArea_->move(10, pageArea_->y());
  }
  const int pageRight = pageArea_->geometry().right() + 1;
  setFixedSize(pageRight + 15, kHeight);
  const int buttonTop = kHeight - 16 - ok_->height();
  ok_->move(pageRight - ok_->width(), buttonTop);
  updates_->move(ok_->x() - ui::kGrid - updates_->width(), buttonTop);

  const QString updates = QString::fromStdString(app::UpdatesLink(name));
  const QString home = QString::fromStdString(app::HomePageLink(name));
  const QString supportLink = QString::fromStdString(app::SupportLink(name));
  connect(web_, &ui::TLinkLabel::Clicked, this, [home] { ShellOpen(home); });
  connect(support_, &ui::TLinkLabel::Clicked, this, [supportLink] { ShellOpen(supportLink); });
  connect(logo_, &ui::TLinkLabel::Clicked, this, [updates] { ShellOpen(updates); });
  connect(updates_, &QPushButton::clicked, this, [updates] { ShellOpen(updates); });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  if (parentWidget()) {
    const QRect over = parentWidget()->frameGeometry();
    move(over.center() - rect().center());
  }
}

}  // namespace mediaconv::wizard
