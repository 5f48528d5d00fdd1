#include "core/document/artwork_session.h"

#include <algorithm>
#include <utility>

#include "core/artwork/blend_table.h"
#include "core/artwork/compositor.h"
#include "core/artwork/slot_ramps.h"

namespace tintloom {

int TArtworkSession::LayerCount() const {
  // Records and working layers are made together by a load; a document left
  // empty by a failed one has no layers whatever records remain.
  const int working = document_.workingLayerCount > 0 ? document_.workingLayerCount : 0;
  return std::min({working, static_cast<int>(document_.Simples.size()), static_cast<int>(layers_.size())});
}

int TArtworkSession::BlendMode(int i) const {
  if (i < 0 || i >= LayerCount()) return kBlendNormal;
  return document_.Simples[static_cast<std::size_t>(i)].BlendModeKey;
}

bool TArtworkSession::Hidden(int i) const {
  return i >= 0 && i < LayerCount() && layers_[static_cast<std::size_t>(i)].hidden;
}

const TSurface* TArtworkSession::Thumbnail(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= layers_.size()) return nullptr;
  const TSurface& thumbnail = layers_[static_cast<std::size_t>(i)].thumbnail;
  return thumbnail.Empty() ? nullptr : &thumbnail;
}

// ---------------------------------------------------------------- selection

std::vector<int> TArtworkSession::SelectedLayers() const {
  if (!LayerSelected()) return {};
  if (selectedLayers_.empty() || selectedLayers_.front() != selectedLayer_) return {selectedLayer_};
  std::vector<int> layers;
  for (const int i : selectedLayers_) {
    if (i >= 0 && i < LayerCount()) layers.push_back(i);
  }
  return layers;
}

void TArtworkSession::Select(int i) {
  selectedLayer_ = i;
  selectedLayers_.clear();
}

void TArtworkSession::AddToSelection(int i) {
  if (std::find(selectedLayers_.begin(), selectedLayers_.end(), i) == selectedLayers_.end()) {
    selectedLayers_.push_back(i);
  }
}

// ---------------------------------------------------------------- replacing

void TArtworkSession::Replace(TPSD document, std::string path) {
  document_ = std::move(document);
  Select(-1);
  // The shrink leaves at most the canvas; the bound only keeps a header that
  // slipped past it from sizing surfaces by its own say.
  const int width = std::clamp(document_.width, 0, kCanvasSize + 1);
  const int height = std::clamp(document_.height, 0, kCanvasSize + 1);
  artworkSurface_.Release();
  artworkSurface_.Create(width, height);
  origin_ = TCanvasPoint{kCanvasSize / 2 - width / 2, kCanvasSize / 2 - height / 2};

  pickSurface_.Release();
  pickSurface_.Create(width, height);  // white: uncovered pixels pick 255
  BuildPickImage(document_, pickSurface_, GlobalBlendTable());
  path_ = std::move(path);
}

void TArtworkSession::ResetMappings(int count) {
  layers_.clear();
  layers_.resize(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) {
    TLayerMapping& mapping = Mapping(i);
    mapping.MappedSlot = kGreyRamp;
    mapping.BaseLevel = 170;
    mapping.ShadowLevel = 85;
    const auto at = static_cast<std::size_t>(i);
    if (at < document_.Simples.size()) layers_[at].loadedBlendMode = document_.Simples[at].BlendModeKey;
  }
  Select(-1);
  setAside_.clear();
}

bool TArtworkSession::Fresh(int i) const {
  return i >= 0 && static_cast<std::size_t>(i) < layers_.size() && layers_[static_cast<std::size_t>(i)].fresh;
}

bool TArtworkSession::Touch(int i) {
  if (!Fresh(i)) return false;
  layers_[static_cast<std::size_t>(i)].fresh = false;
  return true;
}

void TArtworkSession::BuildThumbnails() {
  const int count = LayerCount();
  for (int i = 0; i < count; ++i) {
    BuildLayerThumbnail(document_.Simples[static_cast<std::size_t>(i)], layers_[static_cast<std::size_t>(i)].thumbnail);
  }
}

// ---------------------------------------------------------------- layer settings

void TArtworkSession::SetBlendMode(int i, int code) {
  document_.Simples[static_cast<std::size_t>(i)].BlendModeKey = static_cast<std::int16_t>(code);
}

bool TArtworkSession::SetHidden(int i, bool hidden) {
  if (i < 0 || i >= LayerCount() || layers_[static_cast<std::size_t>(i)].hidden == hidden) return false;
  layers_[static_cast<std::size_t>(i)].hidden = hidden;
  return true;
}

void TArtworkSession::RebuildPickImage() {
  if (!pickSurface_.Empty() && pickSurface_.Create(pickSurface_.width, pickSurface_.height)) {
    BuildPickImage(document_, pickSurface_, GlobalBlendTable(), layers_);
  }
}

// ---------------------------------------------------------------- composing

void TArtworkSession::ComposeOnto(TSurface& canvas, int zoom, bool checker, TColor background,
                                  const TSurface& checkerBrush) {
  if (artworkSurface_.width <= 0) return;
  // Level picking reads the artwork relative to where it is shown.
  origin_ = ArtworkOrigin(artworkSurface_.width * zoom, artworkSurface_.height * zoom);
  if (zoom == 1) {
    zoomedSurface_.Release();
    // The artwork surface first takes the background under it, then the layers.
    CopyRect(artworkSurface_, 0, 0, canvas, origin_.x, origin_.y, artworkSurface_.width, artworkSurface_.height);
    CompositeArtwork(document_, artworkSurface_, layers_, GlobalBlendTable());
    DrawSurface(canvas, origin_.x, origin_.y, artworkSurface_);
  } else {
    ComposeZoomed(canvas, zoom, origin_, checker, background, checkerBrush);
  }
}

void TArtworkSession::ComposeZoomed(TSurface& canvas, int zoom, TCanvasPoint shown, bool checker, TColor background,
                                    const TSurface& checkerBrush) {
  // The background keeps its own scale under enlarged artwork: a plain one
  // has one colour, the checker two, so the artwork is composed over each
  // colour once and every shown pixel takes the composite of the colour
  // beneath it. Over a plain background this is the 1:1 canvas enlarged.
  const int w = artworkSurface_.width;
  const int h = artworkSurface_.height;
  FillAll(artworkSurface_, background);  // the checker's light colour for the checker
  CompositeArtwork(document_, artworkSurface_, layers_, GlobalBlendTable());
  if (zoomedSurface_.width != w * zoom || zoomedSurface_.height != h * zoom) {
    zoomedSurface_.Create(w * zoom, h * zoom);
  }
  DrawEnlarged(zoomedSurface_, 0, 0, artworkSurface_, zoom);
  if (checker && !checkerBrush.Empty()) {
    const TRgb24 light = checkerBrush.At(checkerBrush.width - 1, 0);
    if (artworkOverShade_.width != w || artworkOverShade_.height != h) artworkOverShade_.Create(w, h);
    FillAll(artworkOverShade_, FromRgb24(checkerBrush.At(0, 0)));
    CompositeArtwork(document_, artworkOverShade_, layers_, GlobalBlendTable());
    for (int y = 0; y < zoomedSurface_.height; ++y) {
      const TRgb24* beneath = canvas.rows[static_cast<std::size_t>(shown.y + y)] + shown.x;
      TRgb24* out = zoomedSurface_.rows[static_cast<std::size_t>(y)];
      const TRgb24* shade = artworkOverShade_.rows[static_cast<std::size_t>(y / zoom)];
      for (int x = 0; x < zoomedSurface_.width; ++x) {
        if (beneath[x] != light) out[x] = shade[x / zoom];
      }
    }
  }
  DrawSurface(canvas, shown.x, shown.y, zoomedSurface_);
}

}  // namespace tintloom
