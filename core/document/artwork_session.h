#pragma once
// The open sample artwork as a working session: the document with its
// working layers, each layer's mapping, thumbnail and visibility, the
// surfaces the artwork is composed into and picked from, where it sits on the
// canvas, the file it came from and which layers are selected. The
// coordination model composes one; its operations keep these parts in step
// (a replaced artwork brings surfaces of its size and no selection, a hidden
// layer leaves the pick image), and everything else reads them.

#include <cstdint>
#include <string>
#include <vector>

#include "core/artwork/artwork_layer.h"
#include "core/artwork/canvas.h"
#include "core/artwork/psd_document.h"
#include "core/colour/surface.h"
#include "core/document/layer_carry_over.h"

namespace tintloom {

class TArtworkSession {
 public:
  // ---- what is open ----
  const TPSD& Document() const { return document_; }
  const std::vector<TArtworkLayer>& Layers() const { return layers_; }
  // The file the shown artwork was opened from (absolute); empty until an
  // artwork has opened. Work documents and the full-size export read it.
  const std::string& Path() const { return path_; }
  // Working layers (0 without artwork).
  int LayerCount() const;
  // Layer i's blend code as the document holds it; -1 (normal) out of range.
  int BlendMode(int i) const;
  // Whether layer i is set aside (false out of range).
  bool Hidden(int i) const;
  // Thumbnail of layer i (bottom layer 0), null out of range.
  const TSurface* Thumbnail(int i) const;

  // ---- surfaces ----
  // The artwork composed at 1:1 (its size, empty without artwork).
  const TSurface& ArtworkSurface() const { return artworkSurface_; }
  // The artwork as shown when it is zoomed (empty at 1:1): what the canvas
  // copy puts on the clipboard then.
  const TSurface& ZoomedSurface() const { return zoomedSurface_; }
  // The grey levels of the layers shown, composed in normal mode: what a
  // level pick reads.
  const TSurface& PickSurface() const { return pickSurface_; }
  // Top-left of the artwork as shown on the canvas (at its zoom).
  TCanvasPoint Origin() const { return origin_; }

  // ---- selection ----
  // The layer shown in the layer window; -1 for none.
  int SelectedLayer() const { return selectedLayer_; }
  bool LayerSelected() const { return selectedLayer_ >= 0 && selectedLayer_ < LayerCount(); }
  // The selected layers, first the one shown; empty without a selection.
  std::vector<int> SelectedLayers() const;
  // One layer selected, or none for -1.
  void Select(int i);
  // Layer i joins the selection of several layers (once).
  void AddToSelection(int i);

  // ---- replacing the artwork ----
  // A document read and reduced whole takes the place of the open one: the
  // surfaces take its size (at most the canvas), the artwork is centred, the
  // pick image is built and nothing is selected. The mappings are not made
  // here (ResetMappings).
  void Replace(TPSD document, std::string path);
  // Count layers on the grey ramp with levels 170 and 85 and the document's
  // blend codes as loaded; nothing selected, nothing set aside. The lookups
  // are the model's.
  void ResetMappings(int count);
  void BuildThumbnails();

  // ---- the same file read again ----
  // The settings of layers that vanished from the file in a save, kept in
  // case a later save brings them back; forgotten when artwork opens.
  const std::vector<TLayerSettings>& SetAside() const { return setAside_; }
  void KeepSetAside(std::vector<TLayerSettings> settings) { setAside_ = std::move(settings); }
  // Whether layer i came in with the last reading and has not been selected
  // since (false out of range); Touch takes the mark off, true when it had one.
  bool Fresh(int i) const;
  bool Touch(int i);
  void MarkFresh(int i) { layers_[static_cast<std::size_t>(i)].fresh = true; }

  // ---- layer settings ----
  // Layer i's mapping; i must be 0 .. Layers().size() - 1.
  TLayerMapping& Mapping(int i) { return layers_[static_cast<std::size_t>(i)].mapping; }
  const TLayerMapping& Mapping(int i) const { return layers_[static_cast<std::size_t>(i)].mapping; }
  // The blend code kept in layer i's working layer; i must be a layer.
  void SetBlendMode(int i, int code);
  // Sets layer i aside or shows it; true when that changed anything. The
  // pick image is not rebuilt (RebuildPickImage), so several can change first.
  bool SetHidden(int i, bool hidden);
  // The pick image made again from the layers shown.
  void RebuildPickImage();

  // ---- composing ----
  // The artwork composed over the canvas's background at `zoom`, centred;
  // the origin follows. A plain background has one colour, the checker two
  // (the brush's darker one under `background`'s light one).
  void ComposeOnto(TSurface& canvas, int zoom, bool checker, TColor background, const TSurface& checkerBrush);

 private:
  // Tests and benchmarks build artwork by hand and plant states the
  // operations never make (a stale selection, pixels of their own).
  friend struct TArtworkSessionProbe;

  void ComposeZoomed(TSurface& canvas, int zoom, TCanvasPoint shown, bool checker, TColor background,
                     const TSurface& checkerBrush);

  TPSD document_;
  std::vector<TArtworkLayer> layers_;
  std::string path_;
  TSurface artworkSurface_;
  TSurface zoomedSurface_;
  TSurface pickSurface_;
  TSurface artworkOverShade_;  // the artwork over the checker's darker colour
  TCanvasPoint origin_;
  std::int32_t selectedLayer_ = -1;
  // The whole selection when more than one layer is selected, its first
  // entry selectedLayer_; it stands only while it still starts there, so a
  // selection of one layer falls back to that layer.
  std::vector<int> selectedLayers_;
  std::vector<TLayerSettings> setAside_;
};

}  // namespace tintloom
