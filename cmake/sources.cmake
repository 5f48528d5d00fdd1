# Core sources (core/): plain C++ with no Qt, in folders by subsystem.
set(TINTLOOM_CORE_SOURCES
  core/colour/colour.cpp
  core/colour/surface.cpp
  core/colour/bmp_file.cpp
  core/model/coordination_model.cpp
  core/model/harmony_rules.cpp
  core/model/shade_mixing.cpp
  core/model/tone_snap.cpp
  core/model/picker_strips.cpp
  core/artwork/canvas.cpp
  core/artwork/slot_ramps.cpp
  core/artwork/blend_table.cpp
  core/artwork/blend_formulas.cpp
  core/artwork/psd_document.cpp
  core/artwork/compositor.cpp
  core/artwork/open_artwork.cpp
  core/artwork/layer_preparation.cpp
  core/files/data_files.cpp
  core/files/tone_data.cpp
  core/files/tone_colour_table.cpp
  core/files/tone_classifier.cpp
  core/files/file_io.cpp
  core/files/shift_jis.cpp
  core/files/palette_document.cpp
  core/files/swatch_exports.cpp
  core/files/gradient_export.cpp
  core/files/swatch_bitmap.cpp
  core/files/swatch_file.cpp
  core/files/save_as.cpp
)

# Window sources (ui/): Qt widgets on top of the core. The program's entry,
# ui/main.cpp, is added to the executable alone.
set(TINTLOOM_WINDOW_SOURCES
  ui/main_form.cpp
  ui/surface_view.cpp
  ui/paint_box.cpp
  ui/qt_messages.cpp
  ui/screen_colour_portal.cpp
  ui/tool_form.cpp
  ui/window_snap.cpp
  ui/hue_form.cpp
  ui/swatch_form.cpp
  ui/progress_form.cpp
  ui/layer_form.cpp
  ui/light_balance_form.cpp
)
