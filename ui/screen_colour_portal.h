#pragma once
// The screen colour through the desktop portal: where a program may not read
// the screen itself (a Wayland session), the portal lets the user click
// anywhere on the screen and hands back the colour there
// (org.freedesktop.portal.Screenshot.PickColor). Everything is asynchronous:
// the window never waits for the portal.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

#include "core/colour/colour.h"

class QDBusMessage;

namespace tintloom {

class TScreenColourPortal : public QObject {
  Q_OBJECT
 public:
  explicit TScreenColourPortal(const QDBusConnection& bus, QObject* parent = nullptr);

  // Asks for a colour. `picked` runs once with the colour the user chose;
  // after a cancel, an error or a malformed answer nothing runs.
  // `unavailable` runs when no portal is there to ask (no bus, no portal
  // service, or one without a colour picker). A new request replaces one
  // still open, whose answer is then passed over. `parentWindow` is the
  // portal's window identifier ("x11:<hex id>"), empty when there is none.
  void Pick(const QString& parentWindow, std::function<void(TColor)> picked, std::function<void()> unavailable);

  // Answers taken so far (colours, cancels, errors, malformed replies):
  // lets a caller know the portal has been heard.
  int Answers() const { return answers_; }

 private slots:
  void OnResponse(const QDBusMessage& message);

 private:
  void Listen(const QString& path);
  void StopListening();

  QDBusConnection bus_;
  quint64 request_ = 0;          // the request whose answer is awaited
  QString requestPath_;          // where its Response signal comes from
  std::function<void(TColor)> picked_;
  int answers_ = 0;
};

}  // namespace tintloom
