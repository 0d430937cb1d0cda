#include "wizard/convert/Previewer.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>

#include "app/TimeText.h"
#include "wizard/convert/FileListModel.h"

namespace mediaconv::wizard {
namespace {

// Dragged by any point inside; tells when the user closed it.
class TPreviewLabel : public QLabel {
 public:
  explicit TPreviewLabel(std::function<void()> closed) : closed_(std::move(closed)) {
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setObjectName("Previewer");
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override { grab_ = event->globalPosition().toPoint() - pos(); }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - grab_);
  }
  void closeEvent(QCloseEvent* event) override {
    closed_();
    QLabel::closeEvent(event);
  }

 private:
  std::function<void()> closed_;
  QPoint grab_;
};

}  // namespace

struct TPreviewer::TState {
  std::atomic<bool> Closed{false};
  QPointer<TPreviewLabel> Window;  // main thread only
};

TPreviewer::TPreviewer(app::TMainThread& mainThread)
    : mainThread_(mainThread), state_(std::make_shared<TState>()) {}

TPreviewer::~TPreviewer() {
  mainThread_.Post([state = state_] {
    if (state->Window) state->Window->deleteLater();
  });
}

bool TPreviewer::Show(const engine::TBitmap& bitmap, int64_t pts) {
  if (state_->Closed) return false;
  QImage image = BitmapImage(bitmap);
  if (image.isNull()) return true;
  mainThread_.Post([state = state_, image = std::move(image), pts] {
    if (state->Closed) return;
    if (!state->Window) {
      state->Window = new TPreviewLabel([state] { state->Closed = true; });
      state->Window->setAttribute(Qt::WA_DeleteOnClose);
      state->Window->resize(image.size());
      if (QScreen* screen = QGuiApplication::primaryScreen())
        state->Window->move(screen->geometry().center() - QPoint(image.width() / 2, image.height() / 2));
      state->Window->show();
    }
    state->Window->setPixmap(QPixmap::fromImage(image));
    state->Window->setWindowTitle(QString::fromStdString(app::MicrosecondsText(pts)));
  });
  return true;
}

void TPreviewer::Install(app::TMainThread& mainThread) {
  engine::SetPreviewWindowFactory([&mainThread] { return std::make_unique<TPreviewer>(mainThread); });
}

}  // namespace mediaconv::wizard
