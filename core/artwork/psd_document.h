#pragma once
// The sample artwork document: a layered 8-bit PSD (grayscale or RGB) read
// into layer records with one decoded plane per channel, and the grey working
// layers made from them for recolouring.
//
// Files are untrusted. The decoder works on a byte span, never reads outside
// it, never writes outside a plane, computes sizes in 64 bits and refuses
// rectangles no real file could fill before allocating. Every refusal is a
// Failure whose text is the message the user sees.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/artwork/blend_table.h"
#include "core/artwork/psd_file.h"
#include "core/base/messages.h"
#include "core/base/progress_sink.h"
#include "core/base/result.h"

namespace tintloom {

inline constexpr std::uint32_t kPsdSignature = 0x38425053;  // "8BPS"
inline constexpr std::int32_t kPsdRefusedSide = 4096;       // refused when both sides reach it
inline constexpr std::uint16_t kPsdColourGrey = 1;
inline constexpr std::uint16_t kPsdColourRgb = 3;

// One entry of a layer's channel table.
struct TPSDChannel {
  std::int16_t id = 0;       // -2 user mask, -1 transparency, 0 red (grey), 1 green, 2 blue
  std::uint32_t length = 0;  // bytes of the channel's data, counting its 2-byte compression field
  // Where the reader found the data after the compression field, and how
  // many bytes of it it took: the planes of a file opened for reducing are
  // decoded from here only when their group is reduced.
  std::uint64_t dataOffset = 0;
  std::uint64_t dataLength = 0;
  std::uint16_t compression = 0;
};

struct TPSDLayer {
  std::int32_t top = 0, left = 0, bottom = 0, right = 0;  // as stored
  std::int32_t width = 0, height = 0;                     // |right - left|, |bottom - top|
  std::int32_t maskWidth = 0, maskHeight = 0;           // 0 without a mask block
  std::uint16_t channelCount = 0;
  std::vector<TPSDChannel> ChannelData;
  std::int16_t BlendModeKey = kBlendNormal;
  std::uint8_t Opacity = 0;
  std::uint8_t Clipping = 0;  // 0 base, 1 clipped onto the layer below
  std::uint8_t flags = 0;     // bit 1 (2): hidden
  std::uint32_t maskDataSize = 0;
  std::int32_t maskTop = 0, maskLeft = 0, maskBottom = 0, maskRight = 0;
  std::uint8_t maskDefaultColour = 0;
  std::uint8_t maskFlags = 0;
  // Read from mask blocks of 36 bytes or more; they size a -3 channel.
  std::uint8_t realMaskFlags = 0, realMaskBackground = 0;
  std::int32_t realMaskTop = 0, realMaskLeft = 0, realMaskBottom = 0, realMaskRight = 0;
  std::uint8_t nameLength = 0;
  std::optional<std::string> Name;  // raw bytes of the file; absent when the length is 0
  // The name from the layer's Unicode name block, as UTF-8; absent without one.
  std::optional<std::string> UnicodeName;
  // The section divider block's type: 0 a layer, 1 and 2 a group (open or
  // closed in the layer panel; its record lies above its layers), 3 the
  // hidden record below a group's layers that closes it.
  std::uint32_t sectionType = 0;
  // Plane i belongs to ChannelData[i]; width x height bytes, or mask width x
  // mask height for the user mask; empty for an empty layer.
  std::vector<std::vector<std::uint8_t>> PixelData;
  // Indices into PixelData of the planes of channels -2, -1, 0, 1, 2; -1 when
  // the layer has no such channel. In grayscale documents the grey channel
  // (id 0) is the red plane.
  int maskPlane = -1, transparencyPlane = -1, redPlane = -1, greenPlane = -1, bluePlane = -1;

  // Artwork of another format (Krita, OpenRaster) decodes a layer's planes,
  // and so learns its rectangle, only when ReduceLayers reaches the layer:
  // one group's planes exist at a time. Empty once decoded, and for PSD.
  std::function<Result<>(TPSDLayer&)> pendingPlanes;

  // The bound plane, or null.
  const std::uint8_t* Plane(int index) const {
    return index >= 0 && !PixelData[static_cast<std::size_t>(index)].empty()
               ? PixelData[static_cast<std::size_t>(index)].data()
               : nullptr;
  }
  // Frees the channel table, the name and the planes.
  void Release();
};

// A working layer: one clipping group reduced to grey levels and alpha.
struct TSimpleLayer {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::optional<std::string> Name;
  std::optional<std::string> UnicodeName;  // UTF-8, shown instead of Name when present
  std::vector<std::uint8_t> Pixel;  // width x height grey levels
  std::vector<std::uint8_t> Alpha;  // width x height
  std::int16_t BlendModeKey = kBlendNormal;
  // For a layer made only where it can reach the canvas and shrunk as it
  // was made: its first output column and row in the whole layer's shrunk
  // grid, used by ShrinkToCanvas to place it.
  std::int32_t heldLeft = 0, heldTop = 0;

  void Clear() { *this = TSimpleLayer{}; }
  bool HasPlanes() const { return !Pixel.empty() && !Alpha.empty(); }
};

struct TPSD {
  std::vector<TPSDLayer> Layers;     // file order, bottom first; freed by ReduceLayers
  std::vector<TSimpleLayer> Simples;  // capacity = layer count; the first workingLayerCount are in use
  std::uint32_t signature = 0;
  std::uint16_t version = 0;
  std::uint16_t channels = 0;
  std::int32_t height = 0;  // absolute value of the stored number; rewritten by ShrinkToCanvas
  std::int32_t width = 0;
  std::uint16_t depth = 0;
  std::uint16_t colourMode = 0;
  std::uint32_t colourModeDataLength = 0;
  std::uint32_t imageResourcesLength = 0;
  std::uint32_t layerAndMaskLength = 0;
  std::uint32_t layerInfoLength = 0;
  // Absolute value of the stored int16. Held in 32 bits so that -32768 reads
  // as 32768 records instead of wrapping back to a negative count.
  std::int32_t layerCount = 0;
  std::int32_t workingLayerCount = 0;
  // Where the planes wait to be decoded: the caller's bytes (DecodePsd), or
  // the file itself (LoadFromFile), read only where a group needs it; both
  // empty otherwise.
  std::span<const std::uint8_t> deferredBytes;
  std::shared_ptr<const TDeferredFile> deferredFile;
  // Set by ReduceLayers when it already shrank each working layer's planes
  // by area averaging; ShrinkToCanvas then only places and shifts them.
  bool planesBoxShrunk = false;
  // The side the shrink fits the document into: the canvas's, unless a
  // render asks for another size.
  std::int32_t fitSide = 600;
  // Set by ReduceLayers when it made only what can reach the canvas;
  // ShrinkToCanvas then trims each placed layer to the canvas.
  bool croppedToCanvas = false;
  // What the reader could not take as the file draws it, one message each
  // (layers left out, modes drawn as normal), shown once the artwork opens.
  std::vector<std::string> notes;
  // When fitRowEnd > 0, rows [fitRowBegin, fitRowEnd) of the fitted document
  // are all that ReduceLayers makes (with onlyWhatShows, when it shrinks)
  // and ShrinkToCanvas keeps, moved up to start at row 0; the document's
  // height becomes the band's. A large fitted picture is made so, a band of
  // rows at a time, each band the same bytes as those rows of the whole.
  std::int32_t fitRowBegin = 0, fitRowEnd = 0;
};

// Frees the layer records and working layers; both counts become 0. Header
// fields keep their values.
void DocumentClear(TPSD& doc);

struct TPlaneShape {
  std::int64_t rows = 0;
  std::int64_t row_width = 0;
};

// Rows and row width of a channel's plane: the user mask (-2) by the mask
// rectangle, everything else by the layer rectangle, except that a second
// user mask (-3) follows the real-mask rectangle when the mask block holds one
// (36 bytes or more). Files written by Photoshop store -3 at that size; reading it by
// the layer rectangle would misread the rows and lose the rest of the file.
TPlaneShape PlaneShape(const TPSDLayer& layer, std::int16_t id);

// Channel count, width and height non-zero, not hidden, opacity not 0.
bool LayerUsable(const TPSDLayer& layer);

// The memory message of the artwork code, with its label, value and byte count.
std::string MemoryErrorText(const char* label, long long value, unsigned long long bytes);

// Reads a PSD held in memory into `doc` (cleared first). `path` only appears
// in the messages. On failure the document holds no layers or working layers.
// With `deferPlanes` the planes are left in `bytes`, as LoadFromFile leaves
// them in the file; the caller keeps `bytes` alive until ReduceLayers has run.
Result<> DecodePsd(std::span<const std::uint8_t> bytes, const std::string& path, TPSD& doc,
                   TProgressSink& progress, bool deferPlanes = false);
// Opens the file and decodes it: "ファイルを開けません.\n->" + path when it
// cannot be read. With `deferPlanes` the file is kept open rather than read
// whole, the records and channel data are checked as usual (read through a
// small window) but no plane is decoded: ReduceLayers reads each group's
// bytes when it reduces the group and decodes them a band of rows at a time,
// so no decoded plane of the file exists whole.
Result<> LoadFromFile(const std::string& path, TPSD& doc, TProgressSink& progress, bool deferPlanes = false);

// Frees the layer's planes, channel table and name.
void ReleaseLayer(const TPSD& doc, TPSDLayer& layer);

// `length` bytes at `offset` of a document whose planes wait to be decoded:
// a view of the caller's bytes, or read from the file into `held`. Fails with
// the memory message when `held` cannot be had, or as ReadAt does. The
// reader checked that the range lay inside the file.
Result<std::span<const std::uint8_t>> DeferredBytes(const TPSD& doc, std::uint64_t offset, std::uint64_t length,
                                                    TFileBytes& held);

// Decodes the layer's planes when they wait in `pendingPlanes`; a failure
// (damaged pixels) stops the load.
Result<> DecodePendingPlanes(TPSDLayer& layer);
// Every layer's, for code that binds all layers at once (the full-size
// export).
Result<> DecodeAllPendingPlanes(TPSD& doc);

// Merges each clipping group into one grey working layer with alpha and frees
// the layer records. Fails only when the working layers (or the row index of
// a deferred channel) cannot be allocated, or a deferred file cannot be read
// (changed since it was opened); a working layer whose planes cannot be
// allocated shows the memory message through `messages` and stays empty.
// With `shrinkEachGroup`, each working layer is area-averaged to the canvas
// scale as it is made (the same numbers ShrinkToCanvas would give), so no
// full-size working layer exists either. With `onlyWhatShows` (which
// shrinks each group too), only the part of each group that can reach the
// canvas is decoded and made: after ShrinkToCanvas each working layer is the
// part on the canvas of the one made without it, byte for byte (empty when
// none of it shows), so memory and time follow the document, not the layer.
Result<> ReduceLayers(TPSD& doc, const TBlendTable& blend, TProgressSink& progress, TMessageSink& messages,
                      bool shrinkEachGroup = false, bool onlyWhatShows = false);

// Shrinks the working layers by area averaging so the document fits
// fitSide x fitSide (600 x 600 for the canvas),
// keeping each layer's sub-pixel position; rewrites the document's size.
void ShrinkToCanvas(TPSD& doc, TProgressSink& progress);

// The width and height ShrinkToCanvas gives the whole document (its own when
// it fits already).
std::pair<std::int32_t, std::int32_t> FittedSize(const TPSD& doc);

}  // namespace tintloom
