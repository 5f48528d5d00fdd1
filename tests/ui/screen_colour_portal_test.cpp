// F1..F4 where the screen cannot be read: the colour comes from the desktop
// portal, here a stand-in portal on a private bus (skipped without
// dbus-daemon). The stand-in answers as it is told, well or badly.

#include <cstdio>
#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "ui/main_form.h"
#include "ui/screen_colour_portal.h"
#include "ui/fake_portal.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

using testing::Answer;
using testing::TFakePortal;

// A bus of the test's own, from a minimal configuration: nothing on it but
// what the test puts there (no real portal can be started on demand).
class TPrivateBus {
 public:
  bool Start(const std::string& configPath) {
    configPath_ = configPath;
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) return false;
    std::ofstream(configPath) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                                 "<auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                 "<allow own=\"*\"/></policy></busconfig>";
    daemon_.start(daemon, {QStringLiteral("--config-file=") + QString::fromStdString(configPath),
                           QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000)) return false;
    while (!daemon_.canReadLine()) {
      if (!daemon_.waitForReadyRead(5000)) return false;
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    return !address_.isEmpty();
  }
  QDBusConnection Connect(const QString& name) {
    names_.push_back(name);
    return QDBusConnection::connectToBus(address_, name);
  }
  ~TPrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    if (daemon_.state() != QProcess::NotRunning) {
      daemon_.kill();
      daemon_.waitForFinished(5000);
    }
    if (!configPath_.empty()) std::remove(configPath_.c_str());
  }

 private:
  std::string configPath_;
  QProcess daemon_;
  QString address_;
  std::vector<QString> names_;
};

// All forty shade colours, to see whether anything changed.
std::vector<TColor> AllShades(TMainForm& form) {
  std::vector<TColor> colours;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    for (int shade = 0; shade < 4; ++shade) colours.push_back(form.Model().SlotAt(slot).shades[shade].Color);
  }
  return colours;
}

class ScreenColourPortal : public ::testing::Test {
 protected:
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  TPrivateBus bus;
  TFakePortal portal;
  QDBusConnection portalBus{QString()};

  void SetUp() override {
    if (!bus.Start(testing::ScratchPath("bus.conf"))) GTEST_SKIP() << "no dbus-daemon";
    form.CreateToolWindows();
    form.show();
    form.readScreenPixel = [] { return std::optional<TColor>(); };  // a Wayland session
    form.UseScreenColourPortal(bus.Connect(QStringLiteral("tintloom")));
    portalBus = bus.Connect(QStringLiteral("portal"));
  }
  void Offer() {
    ASSERT_TRUE(testing::OfferPortal(portalBus, portal));
  }
  // Presses the key and waits until the program has heard the portal.
  void PressAndWait(int key) {
    const int before = form.ScreenColourPortal()->Answers();
    QTest::keyClick(&form, static_cast<Qt::Key>(key));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.ScreenColourPortal()->Answers() > before; }, 5000));
  }
};

TEST_F(ScreenColourPortal, APickedColourTakesTheKeysOwnPath) {
  Offer();
  portal.rgb = {0.2, 0.6, 1.0};
  const TColor picked = 51 | 153 << 8 | 255 << 16;
  // The same keys on a second program whose screen can be read.
  testing::TRecordingMessages otherMessages;
  TMainForm reference(otherMessages, testing::ProgramDir());
  reference.CreateToolWindows();
  reference.readScreenPixel = [picked] { return std::optional<TColor>(picked); };
  struct Step {
    int slot;
    int key;
  };
  // F2 on slot 0 writes back the scheme (the rule colours follow), on slot 3
  // the rule's offsets; the other keys set one shade each.
  for (const Step step : {Step{0, Qt::Key_F2}, Step{3, Qt::Key_F2}, Step{7, Qt::Key_F1}, Step{7, Qt::Key_F3},
                          Step{2, Qt::Key_F4}}) {
    form.Model().SelectSlot(step.slot);
    reference.Model().SelectSlot(step.slot);
    PressAndWait(step.key);
    QTest::keyClick(&reference, static_cast<Qt::Key>(step.key));
    EXPECT_EQ(AllShades(form), AllShades(reference)) << "slot " << step.slot << " key " << step.key;
  }
  EXPECT_EQ(form.Model().SlotAt(0).shades[kBase].Color, picked);
  EXPECT_EQ(portal.calls, 5);
  EXPECT_EQ(portal.lastParentWindow, QString());  // no X11 window to name offscreen
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ScreenColourPortal, AnythingButAPickedColourChangesNothing) {
  Offer();
  portal.rgb = {1.0, 0.0, 0.0};
  const std::vector<TColor> before = AllShades(form);
  for (const Answer answer : {Answer::Cancel, Answer::Failure, Answer::ErrorReply, Answer::NotAPath,
                              Answer::NoColour, Answer::ColourAsText, Answer::TwoChannels, Answer::OutOfRange,
                              Answer::NotANumber, Answer::WrongArguments}) {
    portal.answer = answer;
    PressAndWait(Qt::Key_F2);
    QTest::qWait(20);  // a response following a refused call would arrive now
    EXPECT_EQ(AllShades(form), before) << static_cast<int>(answer);
  }
  // Answers from another request's object are not ours: nothing is heard.
  portal.answer = Answer::OtherRequest;
  const int calls = portal.calls;
  QTest::keyClick(&form, Qt::Key_F2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return portal.calls > calls; }, 5000));
  QTest::qWait(50);
  EXPECT_EQ(AllShades(form), before);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(form.Model().Busy());
}

TEST_F(ScreenColourPortal, AnUnansweredRequestIsReplacedByTheNextKeyAndItsLateAnswerPassedOver) {
  Offer();
  portal.rgb = {1.0, 1.0, 1.0};
  portal.answer = Answer::Silent;
  QTest::keyClick(&form, Qt::Key_F3);  // returns at once, the portal still asking
  ASSERT_TRUE(QTest::qWaitFor([&] { return portal.calls == 1; }, 5000));
  const QString first = portal.lastRequestPath;
  const TColor shadowBefore = form.Model().SlotAt(0).shades[kShadow].Color;

  portal.answer = Answer::Colour;
  PressAndWait(Qt::Key_F1);
  EXPECT_EQ(form.Model().SlotAt(0).shades[kHighlight].Color, 0xFFFFFFu);
  const int answers = form.ScreenColourPortal()->Answers();
  portal.AnswerLate(portalBus, first);
  QTest::qWait(50);
  EXPECT_EQ(form.ScreenColourPortal()->Answers(), answers);
  EXPECT_EQ(form.Model().SlotAt(0).shades[kShadow].Color, shadowBefore);
}

TEST_F(ScreenColourPortal, NoPortalOnTheBusGivesTheClearMessageOnce) {
  const std::vector<TColor> before = AllShades(form);
  PressAndWait(Qt::Key_F2);
  PressAndWait(Qt::Key_F4);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("画面の色を読み取れません"), std::string::npos);
  EXPECT_EQ(AllShades(form), before);
}

}  // namespace
}  // namespace tintloom
