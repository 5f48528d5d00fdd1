// The real layer window, offscreen: rows, combo, level edits, popup, slot
// grid, swatches and splitter, checked on the model and on the canvas.

#include "ui/layer_form.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/artwork.h"
#include "support/paths.h"
#include "support/recording.h"
#include "ui/palette_form.h"
#include "ui/main_form.h"
#include "ui/paint_box.h"

namespace tintloom {
namespace {

void Press(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), button, button, {});
  QApplication::sendEvent(w, &press);
}
void MoveHeld(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(w, &move);
}
void Release(QWidget* w, QPoint p) {
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                      Qt::NoButton, {});
  QApplication::sendEvent(w, &release);
}

TColor Pixel(const QImage& image, int x, int y) {
  const QRgb c = image.pixel(x, y);
  return static_cast<TColor>(qRed(c)) | static_cast<TColor>(qGreen(c)) << 8 | static_cast<TColor>(qBlue(c)) << 16;
}

// Five 4 x 4 layers side by side on a 20 x 4 artwork, grey 200 (above the
// base level 170), each with its own blend code: layer i covers x 4i..4i+3.
constexpr std::int16_t kBlendCodes[5] = {kBlendNormal, 1, 5, 16, 8};

class LayerFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.CreateToolWindows();
    form.show();
    layer = form.Windows().layer;
    ASSERT_NE(layer, nullptr);
    ASSERT_TRUE(layer->isVisible());
    std::vector<TSimpleLayer> layers;
    for (int i = 0; i < 5; ++i) layers.push_back(testing::SolidLayer(4 * i, 0, 4, 4, 200, 255, kBlendCodes[i]));
    for (int i = 0; i < 5; ++i) layers[static_cast<std::size_t>(i)].Name = "layer" + std::to_string(i);
    layers[3].Name = "\x83\x8C\x83\x43\x83\x84\x81\x5B";  // a Japanese name, as the file stores it
    layers[2].Name.reset();
    testing::LoadLayers(Model(), 20, 4, std::move(layers));
    Model().BuildLayerThumbnails();
    layer->FillLayerList();
    Model().ComposeCanvas();
  }

  TCoordinationModel& Model() { return form.Model(); }
  QListWidget* List() { return layer->LayerList(); }
  void ClickRow(int row) {
    const QRect r = List()->visualItemRect(List()->item(row));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, r.center());
  }
  TColor Canvas(int layerIndex) { return FromRgb24(Model().Artwork().ArtworkSurface().At(4 * layerIndex + 1, 1)); }
  QImage Rows() { return List()->viewport()->grab().toImage(); }

  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  TLayerForm* layer = nullptr;
};

TEST_F(LayerFormTest, RowsListTheTopLayerFirstAndTheComboFollowsTheSelection) {
  ASSERT_EQ(List()->count(), 5);
  EXPECT_EQ(List()->item(0)->text(), QString("layer4"));
  EXPECT_EQ(List()->item(4)->text(), QString("layer0"));
  EXPECT_EQ(List()->item(1)->text(), QString::fromUtf8("レイヤー"));
  EXPECT_EQ(List()->item(2)->text(), QString());
  EXPECT_EQ(layer->BlendCombo()->count(), 18);
  EXPECT_EQ(layer->BlendCombo()->itemText(0), QString::fromUtf8("通常"));
  for (int row = 0; row < 5; ++row) {
    ClickRow(row);
    const int index = 4 - row;
    EXPECT_EQ(Model().Artwork().SelectedLayer(), index) << "row " << row;
    EXPECT_EQ(layer->BlendCombo()->currentIndex(), kBlendCodes[index] + 1) << "row " << row;
    EXPECT_EQ(layer->BaseEdit()->text(), QString("170"));
    EXPECT_EQ(layer->ShadowEdit()->text(), QString("85"));
  }

  // The combo's pick is the selected layer's mode (item - 1); the canvas follows.
  ClickRow(4);  // layer 0, normal: grey 200 over the checker
  ASSERT_EQ(Canvas(0), 0xC8C8C8u);
  layer->BlendCombo()->setCurrentIndex(6);  // screen
  emit layer->BlendCombo()->activated(6);
  EXPECT_EQ(Model().LayerBlendMode(0), 5);
  EXPECT_NE(Canvas(0), 0xC8C8C8u);
  layer->BlendCombo()->setCurrentIndex(0);
  emit layer->BlendCombo()->activated(0);
  EXPECT_EQ(Model().LayerBlendMode(0), kBlendNormal);
  EXPECT_EQ(Canvas(0), 0xC8C8C8u);

  // No row selected: no layer, and the preview is the empty frame.
  List()->clearSelection();
  EXPECT_EQ(Model().Artwork().SelectedLayer(), -1);
  const TSurface& preview = layer->PreviewSurface();
  EXPECT_EQ(FromRgb24(preview.At(4, 9)), 0x000000u);
  EXPECT_EQ(FromRgb24(preview.At(100, 20)), 0xF0F0F0u);
  EXPECT_EQ(FromRgb24(preview.At(243, 31)), 0x000000u);
}

TEST_F(LayerFormTest, GridClickMapsTheSelectedLayerAndEveryViewFollows) {
  ClickRow(4);  // layer 0, normal
  const TColor before = Canvas(0);
  // Column 7 of the grid: x 182..207, any row.
  Press(layer->SlotGridBox(), QPoint(7 * 26 + 3, 70));
  EXPECT_EQ(Model().selectedSlot, 7);
  EXPECT_EQ(Model().LayerMapping(0).MappedSlot, 7);
  // Grey 200 lies above the base level: between the base and the highlight.
  EXPECT_EQ(Model().LayerMapping(0).Lookup[200], &Model().Ramp(7)[512 + (200 - 170) * 255 / 85]);
  EXPECT_NE(Canvas(0), before);
  EXPECT_EQ(Canvas(0), FromRgb24(*Model().LayerMapping(0).Lookup[200]));

  // The grid: lit shades in cells of 26 x 20, the divider, the selected column's frames.
  const TSurface& grid = layer->SlotGridSurface();
  EXPECT_EQ(FromRgb24(grid.At(3 * 26 + 13, 2 * 20 + 10)), Model().SlotAt(3).shades[kShadow].LitColor);
  EXPECT_EQ(FromRgb24(grid.At(129, 10)), 0x000000u);
  EXPECT_EQ(FromRgb24(grid.At(7 * 26 + 1, 40)), 0x000000u);
  EXPECT_EQ(FromRgb24(grid.At(7 * 26 + 2, 40)), 0xFFFFFFu);
  EXPECT_EQ(FromRgb24(grid.At(7 * 26 + 3, 40)), 0x000000u);

  // A slot edit elsewhere (the hue window's redraw) reaches the canvas at once.
  const TColor mapped = Canvas(0);
  Model().SlotAt(7).shades[kBase].Param.v() = 0.3f;
  Model().Redraw(TCoordinationModel::kRedrawSelected);
  EXPECT_NE(Canvas(0), mapped);
  EXPECT_EQ(Canvas(0), FromRgb24(*Model().LayerMapping(0).Lookup[200]));
  // ... and so do the preview strip and the row's swatch, drawn from the new ramp.
  EXPECT_EQ(FromRgb24(layer->PreviewSurface().At(4 + 100, 20)),
            FromRgb24(*Model().LayerMapping(0).Lookup[100 * 255 / 239]));
  EXPECT_EQ(Pixel(Rows(), 18 + 38 + 16, 4 * 39 + 3 + 16), Model().SlotAt(7).shades[kBase].Color);

  // Selecting a layer mapped to a slot selects that slot; the preview strip
  // shows the layer's lookup and the base marker sits at 170 x 240 / 255.
  ClickRow(0);
  ClickRow(4);
  EXPECT_EQ(Model().selectedSlot, 7);
  const TSurface& preview = layer->PreviewSurface();
  EXPECT_EQ(FromRgb24(preview.At(4 + 100, 20)), FromRgb24(*Model().LayerMapping(0).Lookup[100 * 255 / 239]));
  EXPECT_EQ(FromRgb24(preview.At(160 + 4, 0)), 0x808080u);
}

TEST_F(LayerFormTest, LevelTextIsTheLowByteOfADecimalNumber) {
  struct Case {
    const char* text;
    int level;
  };
  const Case cases[] = {{"999", 231}, {"300", 44}, {"256", 0}, {"abc", 0}, {"", 0}, {"-1", 255}, {"12", 12},
                        {"200", 200}};
  ClickRow(0);  // layer 4
  for (const Case& c : cases) {
    layer->BaseEdit()->setText(QString::fromUtf8(c.text));
    QTest::keyClick(layer->BaseEdit(), Qt::Key_Return);
    const TLayerMapping& mapping = Model().LayerMapping(4);
    EXPECT_EQ(mapping.BaseLevel, c.level) << c.text;
    // The edit and the swatch show the level as stored.
    EXPECT_EQ(layer->BaseEdit()->text(), QString::number(c.level)) << c.text;
    const QImage swatch = layer->BaseSwatch()->grab().toImage();
    EXPECT_EQ(Pixel(swatch, 9, 9), static_cast<TColor>(c.level) * 0x010101u) << c.text;
    // A base below the shadow level takes the shadow level to 0.
    if (c.level < 85) {
      EXPECT_EQ(mapping.ShadowLevel, 0) << c.text;
    }
    EXPECT_EQ(mapping.Lookup[255], &Model().Ramp(kGreyRamp)[c.level == 255 ? 512 : 767]) << c.text;
  }
  layer->ShadowEdit()->setText("350");  // 94, below the base 200
  QTest::keyClick(layer->ShadowEdit(), Qt::Key_Return);
  EXPECT_EQ(Model().LayerMapping(4).ShadowLevel, 94);
  EXPECT_EQ(FromRgb24(*Model().LayerMapping(4).Lookup[94]), FromRgb24(Model().Ramp(kGreyRamp)[256]));

  // Without a selected layer any text changes nothing.
  List()->clearSelection();
  layer->BaseEdit()->setText("7");
  QTest::keyClick(layer->BaseEdit(), Qt::Key_Return);
  layer->ShadowEdit()->setText("x");
  QTest::keyClick(layer->ShadowEdit(), Qt::Key_Return);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Model().LayerMapping(i).BaseLevel, 170);
  EXPECT_EQ(Model().LayerMapping(4).BaseLevel, 200);
  EXPECT_TRUE(messages.shown.empty());
}

// Typing a level passes through the values of its first digits; only the
// value committed may move the other level.
TEST_F(LayerFormTest, TypingALevelMovesTheOtherOnlyWhenCommitted) {
  ClickRow(0);  // layer 4: base 170, shadow 85
  const TLayerMapping& mapping = Model().LayerMapping(4);
  layer->BaseEdit()->selectAll();
  QTest::keyClicks(layer->BaseEdit(), "2");  // "2" lies below the shadow: no preview
  EXPECT_EQ(mapping.BaseLevel, 170);
  EXPECT_EQ(mapping.ShadowLevel, 85);
  QTest::keyClicks(layer->BaseEdit(), "00");
  EXPECT_EQ(mapping.BaseLevel, 200);  // previewed on the canvas
  EXPECT_EQ(mapping.ShadowLevel, 85);
  QTest::keyClick(layer->BaseEdit(), Qt::Key_Return);
  EXPECT_EQ(mapping.BaseLevel, 200);
  EXPECT_EQ(mapping.ShadowLevel, 85);

  // The shadow typed above the base: no preview, and the rule on commit.
  layer->ShadowEdit()->selectAll();
  QTest::keyClicks(layer->ShadowEdit(), "25");
  EXPECT_EQ(mapping.ShadowLevel, 25);
  QTest::keyClicks(layer->ShadowEdit(), "0");
  EXPECT_EQ(mapping.ShadowLevel, 25);
  EXPECT_EQ(mapping.BaseLevel, 200);
  layer->ShadowEdit()->selectAll();
  QTest::keyClicks(layer->ShadowEdit(), "120");
  QTest::keyClick(layer->ShadowEdit(), Qt::Key_Return);
  EXPECT_EQ(mapping.ShadowLevel, 120);

  // A base committed below the shadow takes the shadow to 0, as a pick does;
  // so does the focus leaving the edit.
  layer->BaseEdit()->selectAll();
  QTest::keyClicks(layer->BaseEdit(), "50");
  EXPECT_EQ(mapping.ShadowLevel, 120);
  emit layer->BaseEdit()->editingFinished();
  EXPECT_EQ(mapping.BaseLevel, 50);
  EXPECT_EQ(mapping.ShadowLevel, 0);
  EXPECT_EQ(layer->ShadowEdit()->text(), QString("0"));
}

TEST_F(LayerFormTest, AnUndoKeepsTheLevelsOfLayersThatDifferUnsetSoEnterChangesNone) {
  ClickRow(0);  // layer 4
  layer->BaseEdit()->selectAll();
  QTest::keyClicks(layer->BaseEdit(), "120");
  QTest::keyClick(layer->BaseEdit(), Qt::Key_Return);
  ClickRow(1);  // layer 3, base 170
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    List()->visualItemRect(List()->item(0)).center());
  ASSERT_EQ(Model().SelectedLayers().size(), 2u);
  EXPECT_TRUE(layer->BaseEdit()->text().isEmpty());
  Press(layer->SlotGridBox(), QPoint(7 * 26 + 3, 70));
  ASSERT_TRUE(Model().Undo());
  ASSERT_EQ(Model().SelectedLayers().size(), 2u);
  EXPECT_TRUE(layer->BaseEdit()->text().isEmpty());
  EXPECT_EQ(layer->BlendCombo()->currentIndex(), -1);
  layer->BaseEdit()->setFocus();
  QTest::keyClick(layer->BaseEdit(), Qt::Key_Return);
  EXPECT_EQ(Model().LayerMapping(4).BaseLevel, 120);
  EXPECT_EQ(Model().LayerMapping(3).BaseLevel, 170);

  // Typed, then cleared again: no value was given, so the preview goes back.
  QTest::keyClicks(layer->BaseEdit(), "200");
  EXPECT_EQ(Model().LayerMapping(3).BaseLevel, 200);
  layer->BaseEdit()->selectAll();
  QTest::keyClick(layer->BaseEdit(), Qt::Key_Backspace);
  QTest::keyClick(layer->BaseEdit(), Qt::Key_Return);
  EXPECT_EQ(Model().LayerMapping(4).BaseLevel, 120);
  EXPECT_EQ(Model().LayerMapping(3).BaseLevel, 170);
  EXPECT_EQ(Model().SelectedLayers().size(), 2u);
  EXPECT_TRUE(layer->BaseEdit()->text().isEmpty());
}

TEST_F(LayerFormTest, PopupMapsTheSelectedLayerToGreyBlackOrWhiteAndNothingWithoutOne) {
  QMenu* popup = layer->PopupMenu();
  ASSERT_EQ(popup->actions().size(), 3);
  const TColor canvas = Canvas(1);
  for (QAction* item : popup->actions()) {
    item->trigger();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Model().LayerMapping(i).MappedSlot, kGreyRamp) << i;
  }
  EXPECT_EQ(Canvas(1), canvas);

  ClickRow(3);  // layer 1, multiply: black stays black, white leaves the backdrop
  struct Case {
    int item;
    int ramp;
  };
  for (const Case c : {Case{1, kBlackRamp}, Case{2, kWhiteRamp}, Case{0, kGreyRamp}}) {
    popup->actions()[c.item]->trigger();
    EXPECT_EQ(Model().LayerMapping(1).MappedSlot, c.ramp);
    EXPECT_EQ(Model().LayerMapping(1).Lookup[255], &Model().Ramp(c.ramp)[767]);
  }
  popup->actions()[1]->trigger();
  EXPECT_EQ(Canvas(1), 0x000000u);
}

TEST_F(LayerFormTest, SwatchShowsEachMappingKindUnlitEvenWithLightBalanceOn) {
  // Rows 0..3 show layers 4..1: slot 3, the grey ramp, black, white.
  ClickRow(0);
  Model().SelectSlot(3);
  for (const auto& [row, item] : {std::pair{2, 1}, std::pair{3, 2}}) {
    ClickRow(row);
    layer->PopupMenu()->actions()[item]->trigger();
  }
  List()->clearSelection();
  TPaletteForm& balance = *form.Windows().lightBalance;
  balance.TrackBar(2)->setValue(200);  // a blue light
  balance.TrackBar(6)->setValue(60);
  balance.EnableBox()->click();
  ASSERT_TRUE(Model().LightBalanceEnabled());
  const TShade& base = Model().SlotAt(3).shades[kBase];
  ASSERT_NE(base.Color, base.LitColor);

  const QImage rows = Rows();
  const auto swatch = [&](int row, int dx, int dy) { return Pixel(rows, 18 + 38 + dx, row * 39 + 3 + dy); };
  EXPECT_EQ(swatch(0, 16, 16), base.Color);
  EXPECT_EQ(swatch(1, 5, 5), 0xD7D7D7u);  // the grey-ramp icon: 255 - 4 x (5 + 5)
  EXPECT_EQ(swatch(1, 30, 30), 0x0F0F0Fu);
  EXPECT_EQ(swatch(2, 16, 16), 0x000000u);
  EXPECT_EQ(swatch(3, 16, 16), 0xFFFFFFu);
  EXPECT_EQ(swatch(3, 0, 0), 0x000000u);  // framed
  // The thumbnail: grey 200 over white, framed in black; the grey bottom line.
  EXPECT_EQ(Pixel(rows, 18 + 3 + 16, 4 * 39 + 3 + 16), 0xC8C8C8u);
  EXPECT_EQ(Pixel(rows, 18 + 3, 4 * 39 + 3), 0x000000u);
  EXPECT_EQ(Pixel(rows, 100, 38), 0x808080u);
}

TEST_F(LayerFormTest, SplitterChangesTheWindowHeight) {
  QWidget* splitter = layer->Splitter();
  const int height = layer->height();
  const int listHeight = List()->height();
  EXPECT_EQ(splitter->geometry().bottom(), layer->ContentPanel()->height() - 1);
  Press(splitter, QPoint(20, 3));
  MoveHeld(splitter, QPoint(20, 43));
  Release(splitter, QPoint(20, 3));
  EXPECT_EQ(layer->height(), height + 40);
  EXPECT_EQ(List()->height(), listHeight + 40);
  EXPECT_EQ(splitter->geometry().bottom(), layer->ContentPanel()->height() - 1);
  // Dragged far up it stops short of hiding the upper area and the list.
  Press(splitter, QPoint(20, 3));
  MoveHeld(splitter, QPoint(20, -2000));
  Release(splitter, QPoint(20, -2000));
  EXPECT_GT(List()->height(), 0);
  EXPECT_GT(layer->height(), 200);
}

TEST_F(LayerFormTest, ALoadWhileHiddenListsTheLayersWhenShown) {
  layer->hide();
  layer->ClearLayerList();
  testing::Raw(Model()).selectedLayer = 3;
  layer->show();
  ASSERT_EQ(List()->count(), 5);
  EXPECT_EQ(List()->currentRow(), 1);
  EXPECT_EQ(Model().Artwork().SelectedLayer(), 3);
  EXPECT_EQ(layer->BlendCombo()->currentIndex(), kBlendCodes[3] + 1);
}

TEST_F(LayerFormTest, ALoadThatFailsKeepsTheListAndItsSelection) {
  ClickRow(1);
  ASSERT_EQ(Model().Artwork().SelectedLayer(), 3);
  form.FileCommands().DropFiles({"/nonexistent/picture.psd"});
  EXPECT_EQ(messages.shown.size(), 1u);  // the reason and the stop, in one box
  EXPECT_FALSE(Model().Busy());
  EXPECT_EQ(Model().LayerCount(), 5);
  EXPECT_EQ(List()->count(), 5);
  EXPECT_EQ(List()->currentRow(), 1);
  EXPECT_EQ(Model().Artwork().SelectedLayer(), 3);
  // The layer is still mapped as before and takes further edits.
  Press(layer->SlotGridBox(), QPoint(259, 79));
  EXPECT_EQ(Model().selectedSlot, 9);
  EXPECT_EQ(Model().LayerMapping(3).MappedSlot, 9);
}

TEST_F(LayerFormTest, ScreenColourKeysWorkFromTheControlsThatKeepTheFocus) {
  // The combo would take F4 to open its list, and the list F2 to edit a row.
  form.readScreenPixel = [] { return std::optional<TColor>(0x000080); };
  Model().SelectSlot(6);
  QTest::keyClick(List(), Qt::Key_F2);
  EXPECT_EQ(Model().SlotAt(6).shades[kBase].Color, 0x000080u);
  const TColor deep = Model().SlotAt(6).shades[kDeepShadow].Color;
  QTest::keyClick(layer->BlendCombo(), Qt::Key_F4);
  EXPECT_NE(Model().SlotAt(6).shades[kDeepShadow].Color, deep);
  form.readScreenPixel = [] { return std::optional<TColor>(0x008000); };
  QTest::keyClick(form.Windows().lightBalance->TrackBar(3), Qt::Key_F2);
  EXPECT_EQ(Model().SlotAt(6).shades[kBase].Color, 0x008000u);
}

TEST(LayerFormSamples, ALoadWhileTheWindowIsHiddenIsListedWhenItIsShown) {
  const std::filesystem::path sample = std::filesystem::path(TINTLOOM_PSD_SAMPLES) / "pt_clipping-mask.psd";
  if (!std::filesystem::exists(sample)) GTEST_SKIP() << "no sample at " << sample;
  testing::TRecordingMessages messages;
  TMainForm form{messages, testing::ProgramDir()};
  form.CreateToolWindows();
  form.show();
  TLayerForm& layer = *form.Windows().layer;
  layer.hide();
  form.FileCommands().DropFiles({QString::fromStdString(sample.string())});
  ASSERT_TRUE(messages.shown.empty()) << messages.shown.front();
  const int count = form.Model().LayerCount();
  ASSERT_GT(count, 1);
  EXPECT_EQ(layer.LayerList()->count(), 0);
  layer.show();
  ASSERT_EQ(layer.LayerList()->count(), count);
  EXPECT_EQ(layer.LayerList()->item(count - 1)->text(), QString("Background"));
  // The top row is the top layer, and it can be mapped at once.
  const QRect top = layer.LayerList()->visualItemRect(layer.LayerList()->item(0));
  QTest::mouseClick(layer.LayerList()->viewport(), Qt::LeftButton, {}, top.center());
  EXPECT_EQ(form.Model().Artwork().SelectedLayer(), count - 1);
  Press(layer.SlotGridBox(), QPoint(2 * 26 + 5, 5));
  EXPECT_EQ(form.Model().LayerMapping(count - 1).MappedSlot, 2);
}

}  // namespace
}  // namespace tintloom
