#include "wizard/convert/SessionServices.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QSoundEffect>
#include <QUrl>
#include <QVariantMap>

namespace mediaconv::wizard {
namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

}  // namespace

TDesktopSession::TDesktopSession(QString applicationName) : applicationName_(std::move(applicationName)) {}

TDesktopSession::~TDesktopSession() { ReleaseSleep(); }

void TDesktopSession::PlaySound(const QString& path) {
  // Created on first use: without a sound there is no need for a device.
  if (!sound_) sound_ = std::make_unique<QSoundEffect>();
  sound_->stop();
  sound_->setSource(QUrl::fromLocalFile(path));
  sound_->play();
}

bool TDesktopSession::PowerOff() {
  QDBusInterface logind(kLogindService, kLogindPath, kLogindManager, QDBusConnection::systemBus());
  if (!logind.isValid()) return false;
  const QDBusReply<QString> can = logind.call(QStringLiteral("CanPowerOff"));
  if (!can.isValid() || can.value() == QLatin1String("no") || can.value() == QLatin1String("na"))
    return false;
  // Not interactive: the countdown was the user's chance to say no.
  const QDBusMessage reply = logind.call(QStringLiteral("PowerOff"), false);
  return reply.type() != QDBusMessage::ErrorMessage;
}

void TDesktopSession::InhibitSleep(const QString& why) {
  if (sleepLock_.isValid()) return;
  QDBusInterface logind(kLogindService, kLogindPath, kLogindManager, QDBusConnection::systemBus());
  if (!logind.isValid()) return;
  const QDBusReply<QDBusUnixFileDescriptor> reply = logind.call(
      QStringLiteral("Inhibit"), QStringLiteral("sleep"), applicationName_, why, QStringLiteral("block"));
  if (reply.isValid()) sleepLock_ = reply.value();
}

void TDesktopSession::ReleaseSleep() { sleepLock_ = QDBusUnixFileDescriptor(); }

void TDesktopSession::Notify(const QString& summary, const QString& body) {
  QDBusInterface notifications(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QDBusConnection::sessionBus());
  if (!notifications.isValid()) return;
  notifications.asyncCall(QStringLiteral("Notify"), applicationName_, 0u, QString(), summary, body,
                          QStringList(), QVariantMap(), -1);
}

}  // namespace mediaconv::wizard
