#pragma once
// The recoloured artwork as a picture of its own: every working layer looked
// up through its mapping and blended by its mode, exactly as the canvas
// composes it, but at the file's own size (or fitted to a chosen side by
// the canvas's own shrink), without the canvas's checker or frame, and
// handed out a row at a time.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/blend_table.h"
#include "core/artwork/psd_document.h"
#include "core/colour/colour.h"
#include "core/base/result.h"
#include "core/base/user_text.h"

namespace tintloom {

// What lies under the artwork: one colour, or nothing (the picture keeps
// the artwork's own transparency).
struct TRenderBackground {
  bool transparent = false;
  TColor colour = 0xFFFFFF;  // 0x00BBGGRR
};

// Where the rows go: red, green, blue (and alpha when transparent), top row
// first.
class TRowSink {
 public:
  virtual ~TRowSink() = default;
  virtual Result<> Begin(std::int32_t width, std::int32_t height, bool alpha) = 0;
  virtual Result<> WriteRow(const std::uint8_t* row) = 0;
};

// Called between bands with the rows done so far; false stops the render.
using TRenderProgress = std::function<bool(std::int32_t rowsDone, std::int32_t rows)>;

enum class TRenderOutcome { kDone, kCancelled };

inline constexpr const char* kArtworkChangedMessage =
    TL_TEXT("tintloom", "見本用PSDファイルが開いた後で変更されています。開き直してから書き出してください");

// Reads the PSD at `path` again and renders it. `shown` is the document the
// canvas shows (its working layers' names and blend codes, as the user set
// them) and `layers` their mappings; the file must still give the same
// working layers, or the render fails with kArtworkChangedMessage. With
// `fitSide` > 0 the artwork is shrunk as the canvas shrinks it, to fit that
// side (a larger side leaves it at its own size). Failures carry the user's
// message: the reader's, or the memory message.
Result<TRenderOutcome> RenderArtwork(const std::string& path, const TPSD& shown, std::span<const TArtworkLayer> layers,
                                     const TBlendTable& blend, const TRenderBackground& background,
                                     std::int32_t fitSide, TRowSink& sink, const TRenderProgress& progress);

}  // namespace tintloom
