#include "ui/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QTranslator>

// The compiled catalogue lives in the window library's resources; naming
// them here keeps a static link from dropping them.
static void LoadTranslationResources() { Q_INIT_RESOURCE(tintloom_translations); }

namespace tintloom {

namespace {

constexpr const char* kLanguageSetting = "view/language";
// Every text the core hands over is in this context of the catalogue.
constexpr const char* kCoreContext = "tintloom";

QSettings UserSettings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tintloom", "Tintloom"); }

// The installed catalogues belong to the application and go with it.
QPointer<QTranslator>& OwnCatalogue() {
  static QPointer<QTranslator> translator;
  return translator;
}

QPointer<QTranslator>& QtCatalogue() {
  static QPointer<QTranslator> translator;
  return translator;
}

void Uninstall(QPointer<QTranslator>& translator) {
  if (translator == nullptr) return;
  QCoreApplication::removeTranslator(translator);
  delete translator;
}

void Install(QPointer<QTranslator>& slot, const QString& file, const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(file, folder)) {
    delete translator;
    return;
  }
  QCoreApplication::installTranslator(translator);
  slot = translator;
}

QString Lookup(const QString& line) {
  const QByteArray key = line.toUtf8();
  return QCoreApplication::translate(kCoreContext, key.constData());
}

QString TranslateLine(const QString& line) {
  const QString exact = Lookup(line);
  if (exact != line) return exact;
  // Numbers filled into a text: the key has %1, %2, ... in their places.
  static const QRegularExpression number(QStringLiteral("\\d+"));
  QStringList numbers;
  QString key;
  qsizetype last = 0;
  for (QRegularExpressionMatchIterator it = number.globalMatch(line); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (numbers.size() == 9) return line;
    key += line.mid(last, m.capturedStart() - last) + QLatin1Char('%') + QString::number(numbers.size() + 1);
    numbers << m.captured();
    last = m.capturedEnd();
  }
  if (numbers.isEmpty()) return line;
  key += line.mid(last);
  const QString translated = Lookup(key);
  if (translated == key) return line;
  QString out;
  for (qsizetype i = 0; i < translated.size(); ++i) {
    const QChar next = i + 1 < translated.size() ? translated[i + 1] : QChar();
    const int index = next.digitValue() - 1;
    if (translated[i] == QLatin1Char('%') && index >= 0 && index < numbers.size()) {
      out += numbers[index];
      ++i;
    } else {
      out += translated[i];
    }
  }
  return out;
}

}  // namespace

TLanguage ChosenLanguage() {
  return UserSettings().value(kLanguageSetting).toString() == QLatin1String("en") ? TLanguage::English
                                                                                   : TLanguage::Japanese;
}

void RememberLanguage(TLanguage language) {
  UserSettings().setValue(kLanguageSetting, language == TLanguage::English ? "en" : "ja");
}

void InstallLanguage(TLanguage language) {
  LoadTranslationResources();
  Uninstall(OwnCatalogue());
  Uninstall(QtCatalogue());
  if (language == TLanguage::English) {
    // Qt's own texts are English already.
    Install(OwnCatalogue(), QStringLiteral("tintloom_en"), QStringLiteral(":/i18n"));
  } else {
    // The program's texts are Japanese already; Qt's dialogs and buttons
    // need their catalogue.
    Install(QtCatalogue(), QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  }
}

TLanguage InstalledLanguage() { return OwnCatalogue() != nullptr ? TLanguage::English : TLanguage::Japanese; }

QString UserText(const std::string& text) {
  const QString whole = QString::fromStdString(text);
  if (OwnCatalogue() == nullptr) return whole;
  QStringList lines = whole.split(QLatin1Char('\n'));
  for (QString& line : lines) line = TranslateLine(line);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace tintloom
