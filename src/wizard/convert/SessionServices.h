#pragma once
#include <QDBusUnixFileDescriptor>
#include <QString>
#include <memory>

class QSoundEffect;

namespace mediaconv::wizard {

// What a run asks of the desktop session beyond its window: a sound at its
// end, powering off, keeping the session awake while it converts, and a
// notification when it ends unseen. Tests put a recorder in its place, so no
// test plays sound on a device or powers anything off.
class TSessionServices {
 public:
  virtual ~TSessionServices() = default;
  // Asynchronous; a missing file or sound device is no error.
  virtual void PlaySound(const QString& path) = 0;
  // Asks the system to power off; false when it refuses or cannot be asked.
  virtual bool PowerOff() = 0;
  // Keeps the session from sleeping until ReleaseSleep; holding twice is once.
  virtual void InhibitSleep(const QString& why) = 0;
  virtual void ReleaseSleep() = 0;
  virtual void Notify(const QString& summary, const QString& body) = 0;
};

// The services on a Linux desktop: Qt Multimedia for the sound, logind on the
// system bus for powering off and the sleep inhibitor, the notification
// service on the session bus.
class TDesktopSession : public TSessionServices {
 public:
  explicit TDesktopSession(QString applicationName);
  ~TDesktopSession() override;

  void PlaySound(const QString& path) override;
  bool PowerOff() override;
  void InhibitSleep(const QString& why) override;
  void ReleaseSleep() override;
  void Notify(const QString& summary, const QString& body) override;

 private:
  QString applicationName_;
  std::unique_ptr<QSoundEffect> sound_;
  // Held open while the session is kept awake; logind drops the lock when
  // it is closed.
  QDBusUnixFileDescriptor sleepLock_;
};

}  // namespace mediaconv::wizard
