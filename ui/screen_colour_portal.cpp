#include "ui/screen_colour_portal.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <cmath>

namespace tintloom {

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kScreenshotInterface = "org.freedesktop.portal.Screenshot";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";

// Errors that mean there is no portal to ask, as opposed to a portal that
// said no.
bool MeansNoPortal(QDBusError::ErrorType type) {
  switch (type) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
      return true;
    default:
      return false;
  }
}

bool ChannelByte(double v, std::uint32_t& byte) {
  if (!std::isfinite(v) || v < 0.0 || v > 1.0) return false;
  byte = static_cast<std::uint32_t>(v * 255.0 + 0.5);
  return true;
}

// The colour in a portal answer's results: "color" as three doubles, red,
// green and blue, each 0..1. Anything else (missing, other types, a value
// outside 0..1 or not a number) gives nothing.
bool PortalResultColour(const QVariantMap& results, TColor& colour) {
  const auto it = results.find(QStringLiteral("color"));
  if (it == results.end()) return false;
  QVariant value = it.value();
  if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
    value = value.value<QDBusVariant>().variant();
  }
  if (value.userType() != qMetaTypeId<QDBusArgument>()) return false;
  const QDBusArgument arg = value.value<QDBusArgument>();
  if (arg.currentSignature() != QLatin1String("(ddd)")) return false;
  double rgb[3] = {0, 0, 0};
  arg.beginStructure();
  arg >> rgb[0] >> rgb[1] >> rgb[2];
  arg.endStructure();
  std::uint32_t r = 0, g = 0, b = 0;
  if (!ChannelByte(rgb[0], r) || !ChannelByte(rgb[1], g) || !ChannelByte(rgb[2], b)) return false;
  colour = r | g << 8 | b << 16;
  return true;
}

}  // namespace

TScreenColourPortal::TScreenColourPortal(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {}

void TScreenColourPortal::Pick(const QString& parentWindow, std::function<void(TColor)> picked,
                               std::function<void()> unavailable) {
  StopListening();
  picked_ = nullptr;
  if (!bus_.isConnected()) {
    if (unavailable) unavailable();
    return;
  }
  const quint64 request = ++request_;
  picked_ = std::move(picked);
  // The portal names the request object after our bus name and this token;
  // listening there before calling means a quick answer cannot be missed.
  const QString token = QStringLiteral("tintloom%1").arg(request);
  QString sender = bus_.baseService().mid(1);  // ":1.42" -> "1_42"
  sender.replace('.', '_');
  Listen(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token));

  QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kScreenshotInterface,
                                                     QStringLiteral("PickColor"));
  call << parentWindow << QVariantMap{{QStringLiteral("handle_token"), token}};
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, request, unavailable = std::move(unavailable)](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            if (request != request_) return;  // replaced by a newer request
            const QDBusPendingReply<QDBusObjectPath> reply = *w;
            if (reply.isError()) {
              ++answers_;
              StopListening();
              picked_ = nullptr;
              if (MeansNoPortal(reply.error().type()) && unavailable) unavailable();
              return;
            }
            // An older portal may put the request elsewhere than asked.
            const QString path = reply.value().path();
            if (!path.isEmpty() && path != requestPath_) {
              StopListening();
              Listen(path);
            }
          });
}

void TScreenColourPortal::Listen(const QString& path) {
  requestPath_ = path;
  bus_.connect(kPortalService, path, kRequestInterface, QStringLiteral("Response"), this,
               SLOT(OnResponse(QDBusMessage)));
}

void TScreenColourPortal::StopListening() {
  if (requestPath_.isEmpty()) return;
  bus_.disconnect(kPortalService, requestPath_, kRequestInterface, QStringLiteral("Response"), this,
                  SLOT(OnResponse(QDBusMessage)));
  requestPath_.clear();
}

void TScreenColourPortal::OnResponse(const QDBusMessage& message) {
  if (message.path() != requestPath_ || requestPath_.isEmpty()) return;
  ++answers_;
  StopListening();
  std::function<void(TColor)> picked = std::move(picked_);
  picked_ = nullptr;
  // Response(u code, a{sv} results): code 0 is a colour picked, 1 a cancel,
  // anything else a failure.
  const QList<QVariant> args = message.arguments();
  if (args.size() != 2 || args[0].userType() != QMetaType::UInt || args[0].toUInt() != 0) return;
  if (args[1].userType() != qMetaTypeId<QDBusArgument>()) return;
  const QDBusArgument resultsArg = args[1].value<QDBusArgument>();
  if (resultsArg.currentSignature() != QLatin1String("a{sv}")) return;
  QVariantMap results;
  resultsArg >> results;
  TColor colour = 0;
  if (PortalResultColour(results, colour) && picked) picked(colour);
}

}  // namespace tintloom
