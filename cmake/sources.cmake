# Core sources (core/): plain C++ with no Qt, one folder per level. Each
# level is a library of its own that links only the levels below it, in the
# order of TINTLOOM_CORE_LEVELS (cmake/levels.cmake enforces it).
set(TINTLOOM_CORE_LEVELS base colour palette artwork formats document)

# Results, messages, progress, reading and writing files, data-file lookup,
# the program's version.
set(TINTLOOM_BASE_SOURCES
  core/base/file_io.cpp
  core/base/program_version.cpp
  core/base/data_files.cpp
  core/base/memory_error.cpp
  core/base/file_stamp.cpp
)
# Colour values and conversions, surfaces and their pixel loops, bitmaps.
set(TINTLOOM_COLOUR_SOURCES
  core/colour/colour.cpp
  core/colour/surface.cpp
  core/colour/bmp_file.cpp
  core/colour/vision_filters.cpp
)
# The ten slots and their shades: the scheme and harmony rules, shade mixing,
# tone data, tables and snap, impression presets, tone words, picker pictures,
# the palette taken from a picture.
set(TINTLOOM_PALETTE_SOURCES
  core/palette/harmony_rules.cpp
  core/palette/shade_mixing.cpp
  core/palette/tone_snap.cpp
  core/palette/picker_strips.cpp
  core/palette/picker_pictures.cpp
  core/palette/tone_vocabulary.cpp
  core/palette/impression_presets.cpp
  core/palette/tone_data.cpp
  core/palette/tone_colour_table.cpp
  core/palette/tone_classifier.cpp
  core/palette/picture_palette.cpp
)
# The PSD reader, the Krita and OpenRaster readers (zip container, layer
# tree, tiles, LZF, layer PNGs), opening and preparation, the blend table,
# slot ramps, the canvas, the compositor and its kernels, the full-size
# render.
set(TINTLOOM_ARTWORK_SOURCES
  core/artwork/canvas.cpp
  core/artwork/slot_ramps.cpp
  core/artwork/blend_table.cpp
  core/artwork/blend_formulas.cpp
  core/artwork/psd_document.cpp
  core/artwork/psd_file.cpp
  core/artwork/packbits.cpp
  core/artwork/psd_row_source.cpp
  core/artwork/lzf.cpp
  core/artwork/zip_archive.cpp
  core/artwork/layer_stack.cpp
  core/artwork/kra_tiles.cpp
  core/artwork/png_layer.cpp
  core/artwork/layered_archive.cpp
  core/artwork/artwork_file.cpp
  core/artwork/compositor.cpp
  core/artwork/compose_avx512.cpp
  core/artwork/compose_highway.cpp
  core/artwork/preparation_avx512.cpp
  core/artwork/preparation_highway.cpp
  core/artwork/band_workers.cpp
  core/artwork/area_shrink.cpp
  core/artwork/group_reduction.cpp
  core/artwork/layer_preparation.cpp
  core/artwork/full_size_layers.cpp
  core/artwork/full_size_render.cpp
  core/artwork/psd_composite.cpp
)
# Codecs on plain data: palette and work documents, swatch lines and file,
# exports to other programs, palettes of other programs, PNG files.
set(TINTLOOM_FORMATS_SOURCES
  core/formats/shift_jis.cpp
  core/formats/palette_document.cpp
  core/formats/swatch_exports.cpp
  core/formats/gradient_export.cpp
  core/formats/swatch_bitmap.cpp
  core/formats/swatch_file.cpp
  core/formats/palette_import.cpp
  core/formats/png_file.cpp
  core/formats/layered_psd.cpp
  core/formats/json_text.cpp
  core/formats/work_document.cpp
)
# The coordination model and its history, opening artwork, and the commands
# that save, open, export and apply files to the model.
set(TINTLOOM_DOCUMENT_SOURCES
  core/document/artwork_session.cpp
  core/document/coordination_model.cpp
  core/document/redraw_driver.cpp
  core/document/edit_history.cpp
  core/document/model_history.cpp
  core/document/picker_input.cpp
  core/document/open_artwork.cpp
  core/document/layer_carry_over.cpp
  core/document/reload_artwork.cpp
  core/document/palette_document_commands.cpp
  core/document/work_document_commands.cpp
  core/document/recovery.cpp
  core/document/swatch_commands.cpp
  core/document/save_as.cpp
  core/document/artwork_export.cpp
  core/document/layered_export.cpp
  core/document/command_line_render.cpp
)

set(TINTLOOM_CORE_SOURCES)
foreach(level IN LISTS TINTLOOM_CORE_LEVELS)
  string(TOUPPER ${level} upper)
  list(APPEND TINTLOOM_CORE_SOURCES ${TINTLOOM_${upper}_SOURCES})
endforeach()

# Window sources (ui/): Qt widgets on top of the core. The program's entry,
# ui/main.cpp, is added to the executable alone.
set(TINTLOOM_WINDOW_SOURCES
  ui/main_form.cpp
  ui/canvas_view_menu.cpp
  ui/model_views_adapter.cpp
  ui/window_drag.cpp
  ui/file_commands.cpp
  ui/translation.cpp
  ui/surface_view.cpp
  ui/paint_box.cpp
  ui/paint_box_accessible.cpp
  ui/qt_messages.cpp
  ui/screen_colour_portal.cpp
  ui/session_platform.cpp
  ui/application.cpp
  ui/tool_form.cpp
  ui/window_snap.cpp
  ui/hue_form.cpp
  ui/swatch_form.cpp
  ui/picker_form.cpp
  ui/impression_combo.cpp
  ui/info_form.cpp
  ui/progress_form.cpp
  ui/layer_form.cpp
  ui/palette_form.cpp
  ui/artwork_export_dialog.cpp
  ui/picture_colours_dialog.cpp
  ui/artwork_follower.cpp
  ui/autosave.cpp
  ui/status_notice.cpp
)
