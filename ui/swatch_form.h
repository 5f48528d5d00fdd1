#pragma once
// The swatch window: the user's collection of saved slots as a grid of
// 32-pixel cells, eight to a row, with a scroll bar counted in rows. A click
// on an empty cell keeps the selected slot as a new swatch, a click on a
// swatch loads it into the selected slot, an Alt-click deletes it; any
// button. The collection is read from the swatch file when the window is
// made and written back once when the program ends.

#include <QPointer>
#include <array>
#include <string>
#include <vector>

#include "core/colour/surface.h"
#include "core/files/swatch_file.h"
#include "ui/tool_form.h"

class QScrollBar;

namespace tintloom {

class TPaintBox;
struct TMouseInput;

class TSwatchForm : public TToolForm {
  Q_OBJECT
 public:
  // With no read path the collection starts empty and is never written.
  TSwatchForm(TMainForm& main, const TSwatchFilePlaces& places);
  ~TSwatchForm() override;

  void AddSwatch();
  void DeleteSwatch(int index);
  // The scroll bar's range follows the count, then the grid is repainted.
  void RefreshSwatches();
  std::array<TColor, kShadeCount> SwatchCellColors(int index) const;
  void PaintBox1MouseDown(const TMouseInput& input);
  // Writes the collection to the swatch file once; a file that cannot be
  // written is reported. Later calls do nothing.
  void SaveSwatchFile();

  const std::vector<std::string>& Swatches() const { return swatches_; }
  TPaintBox* SwatchBox() const { return paintBox_; }
  QScrollBar* ScrollBar() const { return scrollBar_; }
  const TSurface& GridSurface() const { return grid_; }

 private:
  void DrawGrid();

  TSwatchFilePlaces places_;
  std::vector<std::string> swatches_;
  TPaintBox* paintBox_ = nullptr;
  QScrollBar* scrollBar_ = nullptr;
  TSurface grid_;
  // Set when the file could not be read: it is then not replaced at the end,
  // so nothing the user kept is lost to a passing fault.
  bool keepFile_ = false;
  bool saved_ = false;
};

}  // namespace tintloom
