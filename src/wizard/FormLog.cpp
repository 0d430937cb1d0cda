#include "wizard/FormLog.h"

#include <QCloseEvent>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/WindowPosition.h"
#include "ui/Palette.h"
#include "wizard/Dialogs.h"
#include "wizard/Shell.h"

namespace mediaconv::wizard {

TFormLog::TFormLog(TDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), dialogs_(dialogs) {
  setWindowTitle("Log");
  setMinimumSize(kMinWidth, kMinHeight);
  resize(560, 320);
  // The main window's end ends the program, whether or not the log is open.
  setAttribute(Qt::WA_QuitOnClose, false);

  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont mono("DejaVu Sans Mono");
  mono.setPointSize(ui::kFontSize);
  text_->setFont(mono);

  strip_ = new QWidget(this);
  strip_->setFixedHeight(5 * ui::kGrid);
  ok_ = new QPushButton("&OK", strip_);
  delete_ = new QPushButton("&Delete Log", strip_);
  save_ = new QPushButton("&Save Log...", strip_);
  ok_->setDefault(true);
  for (QPushButton* button : {ok_, delete_, save_}) button->adjustSize();
  strip_->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(ui::kGrid, ui::kGrid, ui::kGrid, 0);
  layout->setSpacing(0);
  layout->addWidget(text_, 1);
  layout->addWidget(strip_);

  connect(ok_, &QPushButton::clicked, this, &QWidget::close);
  connect(delete_, &QPushButton::clicked, this, &TFormLog::DeleteLog);
  connect(save_, &QPushButton::clicked, this, &TFormLog::SaveLog);
}

void TFormLog::AppendLog(const QString& line) {
  text_->appendPlainText(line);
  // Lines begin with what tells them apart; keep their starts in view. The
  // cursor goes to the start of the last line, as showing the window scrolls
  // to the cursor.
  text_->moveCursor(QTextCursor::End);
  text_->moveCursor(QTextCursor::StartOfBlock);
  text_->horizontalScrollBar()->setValue(0);
}

QString TFormLog::Text() const { return text_->toPlainText(); }

void TFormLog::DeleteLog() {
  if (dialogs_.AskYesNoCancel(this, "Delete log?", "Really delete log file?") != anYes) return;
  text_->clear();
  // What was deleted cannot be saved any more in this run.
  save_->setEnabled(false);
}

void TFormLog::SaveLog() {
  const auto file = dialogs_.SaveFileName(this, kSaveFilter, "log");
  if (!file) return;
  QFile out(*file);
  QString lines;
  for (QTextBlock block = text_->document()->begin(); block.isValid(); block = block.next())
    lines += block.text() + '\n';
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) ||
      out.write(lines.toUtf8()) < 0 || !out.flush())
    dialogs_.Error(this, QString("Cannot write the log to \"%1\": %2").arg(*file, out.errorString()));
}

void TFormLog::LayoutButtons() {
  const int groupWidth = ok_->width() + kButtonGap + delete_->width() + kButtonGap + save_->width();
  const int left = strip_->width() / 2 - groupWidth / 2;
  const int top = (strip_->height() - ok_->height()) / 2;
  ok_->move(left, top);
  delete_->move(ok_->geometry().right() + 1 + kButtonGap, top);
  save_->move(delete_->geometry().right() + 1 + kButtonGap, top);
}

void TFormLog::showEvent(QShowEvent* event) {
  if (!settingsFile_.isEmpty()) RestoreWindowPosition(app::kLogWindowSection, *this, settingsFile_);
  LayoutButtons();
  QWidget::showEvent(event);
}

void TFormLog::closeEvent(QCloseEvent* event) {
  if (!settingsFile_.isEmpty()) {
    try {
      SaveWindowPosition(app::kLogWindowSection, *this, settingsFile_);
    } catch (const std::exception& e) {
      dialogs_.Error(this, QString::fromStdString(e.what()));
    }
  }
  QWidget::closeEvent(event);
}

bool TFormLog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == strip_ && event->type() == QEvent::Resize) LayoutButtons();
  return QWidget::eventFilter(watched, event);
}

}  // namespace mediaconv::wizard
