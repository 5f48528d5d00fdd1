#pragma once
// The windows of "配色した画像を書き出す(&P)...": a dialog that asks for the
// PNG file and what lies under the artwork, and a progress window with a
// cancel button while the picture is written; and those of
// "配色したレイヤーをPSDで書き出す(&L)...", which asks only for the file.

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

// "配色したレイヤーをPSDで書き出す(&L)...": the PSD file to write, offered
// beside the artwork under a name of its own; empty when the user cancels.
QString AskLayeredExport(QWidget* parent, const TCoordinationModel& model);

// Writes the layered PSD with the same progress window and cancel as the
// picture.
void ExportLayersWithProgress(QWidget* parent, TCoordinationModel& model, const QString& path);

}  // namespace tintloom
