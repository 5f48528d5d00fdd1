// Every window as a screen reader sees it through Qt's accessibility API, and
// every control explaining itself with a tooltip.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "ui/hue_form.h"
#include "ui/info_form.h"
#include "ui/layer_form.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"
#include "ui/palette_form.h"
#include "ui/picker_form.h"
#include "ui/swatch_form.h"
#include "core/palette/tone_vocabulary.h"
#include "support/paths.h"
#include "support/recording.h"

namespace tintloom {
namespace {

bool Interactive(const QAccessibleInterface& iface) {
  switch (iface.role()) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::ScrollBar:
    case QAccessible::List:
    case QAccessible::ListItem:
    case QAccessible::Table:
    case QAccessible::Cell:
    case QAccessible::MenuBar:
    case QAccessible::MenuItem:
      return true;
    default:
      return iface.state().focusable || qobject_cast<TPaintBox*>(iface.object()) != nullptr;
  }
}

// A widget the user works: it must say what it does when the pointer rests on it.
bool Control(const QObject* object) {
  return qobject_cast<const QAbstractButton*>(object) != nullptr || qobject_cast<const QComboBox*>(object) != nullptr ||
         qobject_cast<const QLineEdit*>(object) != nullptr || qobject_cast<const QAbstractSlider*>(object) != nullptr ||
         qobject_cast<const QAbstractItemView*>(object) != nullptr || qobject_cast<const TPaintBox*>(object) != nullptr;
}

// Walks the tree below `iface`, noting each visible element that a screen
// reader could not name and each visible control without a tooltip.
void Walk(QAccessibleInterface* iface, const QString& path, QStringList& faults, int& parts) {
  for (int i = 0; i < iface->childCount(); ++i) {
    QAccessibleInterface* child = iface->child(i);
    if (child == nullptr || child->state().invisible) continue;
    const QString name = child->text(QAccessible::Name);
    const QObject* object = child->object();
    const QString where = path + "/" + (object != nullptr && !object->objectName().isEmpty() ? object->objectName() : name);
    if (Interactive(*child) && (name.trimmed().isEmpty() || child->role() == QAccessible::NoRole)) {
      faults << where + ": no accessible name or role";
    }
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (widget != nullptr && Control(widget) && widget->toolTip().isEmpty()) faults << where + ": no tooltip";
    if (object == nullptr && (child->role() == QAccessible::ListItem || child->role() == QAccessible::Cell)) ++parts;
    Walk(child, where, faults, parts);
  }
}

TEST(Accessibility, EveryVisibleElementOfEveryWindowIsNamedAndEveryControlExplained) {
  const std::filesystem::path sample = std::filesystem::path(TINTLOOM_PSD_SAMPLES) / "pt_clipping-mask.psd";
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  form.CreateToolWindows();
  form.show();
  // Layers listed, and swatches to show.
  if (std::filesystem::exists(sample)) form.FileCommands().DropFiles({QString::fromStdString(sample.string())});
  form.Windows().swatch->AddSwatch();
  const TToolWindows& w = form.Windows();
  const QList<QWidget*> windows = {&form, w.hue, w.picker, w.lightBalance, w.layer, w.swatch, w.info};
  for (QWidget* window : windows) window->show();

  QStringList faults;
  int parts = 0;
  for (QWidget* window : windows) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(iface, nullptr);
    Walk(iface, window->objectName(), faults, parts);
  }
  EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
  // The painted parts are there to be read: wheel markers, strip cells, grid cells, swatches.
  EXPECT_GE(parts, 5 + 10 + 4 + 12 + 40 + 1);

  // A marker reports its slot, colour, hue and saturation; a grid cell its colour.
  QAccessibleInterface* wheel = QAccessible::queryAccessibleInterface(w.hue->WheelBox());
  ASSERT_GT(wheel->childCount(), 0);
  const TShade& base = form.Model().SlotAt(0).shades[kBase];
  EXPECT_EQ(wheel->child(0)->text(QAccessible::Name).toStdString(),
            QString("スロット 1 ベース %1（選択中）").arg(QString::fromStdString(HexCodeText(base.Color))).toStdString());
  EXPECT_EQ(wheel->role(), QAccessible::List);
  EXPECT_TRUE(wheel->child(0)->text(QAccessible::Value).startsWith("色相 "));
  QAccessibleInterface* value = QAccessible::queryAccessibleInterface(w.hue->SliderBox());
  ASSERT_NE(value->valueInterface(), nullptr);
  EXPECT_EQ(value->valueInterface()->currentValue().toDouble(), std::lround(base.Param.v() * 100.0f));
  QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w.layer->SlotGridBox());
  ASSERT_EQ(grid->childCount(), kSlotCount * kShadeCount);
  EXPECT_TRUE(grid->child(4 * 3 + 1)->text(QAccessible::Name).startsWith("スロット 4 ベース #"));
}

// The painted controls worked without a mouse: Tab reaches them, arrows move
// the selected marker or the keyboard cursor, Enter applies.
TEST(Keyboard, ThePaintedControlsWorkFromTheKeyboard) {
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  form.CreateToolWindows();
  TCoordinationModel& model = form.Model();
  THueForm& hue = *form.Windows().hue;
  hue.show();
  hue.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&hue));
  hue.RuleCombo()->setFocus();
  QTest::keyClick(hue.RuleCombo(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), hue.WheelBox());

  // The selected marker turns a degree, ten with Shift, each key one step.
  const auto hue0 = [&model] { return (std::lround(model.Scheme().SlotHue(0)) % 360 + 360) % 360; };
  const long start = hue0();
  QTest::keyClick(hue.WheelBox(), Qt::Key_Right);
  EXPECT_EQ(hue0(), (start + 1) % 360);
  QTest::keyClick(hue.WheelBox(), Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(hue0(), (start + 11) % 360);
  ASSERT_TRUE(model.Undo());
  EXPECT_EQ(hue0(), (start + 1) % 360);

  // In the strip, slot 2 lies left of slot 1 and slot 7 below slot 2.
  QTest::keyClick(hue.StripBox(), Qt::Key_Left);
  EXPECT_EQ(model.selectedSlot, 0) << "arrows only move the cursor";
  QTest::keyClick(hue.StripBox(), Qt::Key_Return);
  EXPECT_EQ(model.selectedSlot, 1);
  QTest::keyClick(hue.StripBox(), Qt::Key_Down);
  QTest::keyClick(hue.StripBox(), Qt::Key_Space);
  EXPECT_EQ(model.selectedSlot, 6);

  // The layer window's grid: right of the selected slot's column is the next slot.
  TLayerForm& layer = *form.Windows().layer;
  layer.show();
  QTest::keyClick(layer.SlotGridBox(), Qt::Key_Right);
  QTest::keyClick(layer.SlotGridBox(), Qt::Key_Return);
  EXPECT_EQ(model.selectedSlot, 7);

  // The swatches: Enter on the empty cell keeps the selected colour, Delete removes it.
  TSwatchForm& swatch = *form.Windows().swatch;
  swatch.show();
  ASSERT_TRUE(swatch.Swatches().empty());
  QTest::keyClick(swatch.SwatchBox(), Qt::Key_Return);
  ASSERT_EQ(swatch.Swatches().size(), 1u);
  QTest::keyClick(swatch.SwatchBox(), Qt::Key_Delete);
  EXPECT_TRUE(swatch.Swatches().empty());
}

}  // namespace
}  // namespace tintloom
