#pragma once
#include <QDialog>
#include <QTimer>

#include "convert/Completion.h"

class QLabel;

namespace mediaconv::wizard {

// The countdown before the computer is shut down: it closes accepted when
// the count runs out, rejected on "&Cancel".
class TFormShutdown : public QDialog {
  Q_OBJECT

 public:
  TFormShutdown(const QString& editionName, QWidget* parent = nullptr);

  QString TimeLeftText() const;
  QString DescriptionText() const;
  // One second has passed.
  void Tick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString editionName_;
  convert::TShutdownCountdown countdown_;
  QTimer timer_;
  QLabel* description_;
  QLabel* timeLeft_;
};

}  // namespace mediaconv::wizard
