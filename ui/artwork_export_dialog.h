#pragma once
// The windows of "配色した画像を書き出す(&P)...": a dialog that asks for the
// PNG file and what lies under the artwork, and a progress window with a
// cancel button while the picture is written.

#include <QString>
#include <optional>

#include "core/artwork/full_size_render.h"

class QWidget;

namespace tintloom {

class TCoordinationModel;

struct TArtworkExportChoice {
  QString path;
  TRenderBackground background;
};

// Nothing when the user cancels.
std::optional<TArtworkExportChoice> AskArtworkExport(QWidget* parent, const TCoordinationModel& model);

// Writes the picture; a failure is shown through the model's messages, a
// cancel leaves no file (and an existing one as it was).
void ExportArtworkWithProgress(QWidget* parent, TCoordinationModel& model, const TArtworkExportChoice& choice);

}  // namespace tintloom
