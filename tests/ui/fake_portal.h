#pragma once
// A stand-in for the desktop portal's colour picker: registered on a bus, it
// answers PickColor as it is told, well or badly.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>

#include <array>
#include <limits>

namespace tintloom::testing {

enum class Answer {
  Colour,          // a colour picked
  Cancel,          // the user cancelled (a colour sent along all the same)
  Failure,         // response code 2
  ErrorReply,      // the call itself refused with a portal error
  NotAPath,        // the call answered with something other than a request path
  Silent,          // a request, never answered
  NoColour,        // success without a colour
  ColourAsText,    // "color" a string
  TwoChannels,     // "color" (dd)
  OutOfRange,      // a channel above 1
  NotANumber,      // a channel NaN
  WrongArguments,  // Response with a string for arguments
  OtherRequest,    // a response from another request's object
};

class TFakePortal final : public QDBusVirtualObject {
 public:
  Answer answer = Answer::Colour;
  std::array<double, 3> rgb = {0.0, 0.0, 0.0};
  int calls = 0;
  QString lastRequestPath;
  QString lastParentWindow;

  QString introspect(const QString&) const override { return {}; }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
    if (message.interface() != QLatin1String("org.freedesktop.portal.Screenshot") ||
        message.member() != QLatin1String("PickColor") || message.arguments().size() != 2) {
      return false;
    }
    ++calls;
    lastParentWindow = message.arguments()[0].toString();
    const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments()[1]);
    QString sender = message.service().mid(1);
    sender.replace('.', '_');
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                             .arg(sender, options.value(QStringLiteral("handle_token")).toString());
    lastRequestPath = path;
    if (answer == Answer::ErrorReply) {
      bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotAllowed"), "no"));
      return true;
    }
    bus.send(answer == Answer::NotAPath ? message.createReply(QVariant(42))
                                        : message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    if (answer == Answer::Silent) return true;
    QDBusMessage response = QDBusMessage::createSignal(
        answer == Answer::OtherRequest ? path + QStringLiteral("x") : path,
        QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    if (answer == Answer::WrongArguments) {
      response << QStringLiteral("color");
    } else {
      const uint code = answer == Answer::Cancel ? 1u : answer == Answer::Failure ? 2u : 0u;
      response << code << QVariant::fromValue(Results());
    }
    bus.send(response);
    return true;
  }

  // Sends a successful answer to a request of the past.
  void AnswerLate(const QDBusConnection& bus, const QString& path) {
    QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                       QStringLiteral("Response"));
    response << 0u << QVariant::fromValue(Results());
    bus.send(response);
  }

 private:
  QVariantMap Results() const {
    QDBusArgument colour;
    colour.beginStructure();
    switch (answer) {
      case Answer::TwoChannels: colour << rgb[0] << rgb[1]; break;
      case Answer::OutOfRange: colour << 1.5 << rgb[1] << rgb[2]; break;
      case Answer::NotANumber: colour << std::numeric_limits<double>::quiet_NaN() << rgb[1] << rgb[2]; break;
      default: colour << rgb[0] << rgb[1] << rgb[2]; break;
    }
    colour.endStructure();
    if (answer == Answer::NoColour) return {};
    if (answer == Answer::ColourAsText) return {{QStringLiteral("color"), QStringLiteral("#336699")}};
    return {{QStringLiteral("color"), QVariant::fromValue(colour)}};
  }
};

// Registers the stand-in as the portal service on `bus`.
inline bool OfferPortal(QDBusConnection& bus, TFakePortal& portal) {
  return bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal) &&
         bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

}  // namespace tintloom::testing
