# Core sources: plain C++ with no Qt (colour maths, surfaces, the model,
# scheme, tone data, blend table, file formats).
set(TINTLOOM_CORE_SOURCES
  core/colour.cpp
  core/surface.cpp
  core/bmp_file.cpp
  app/coordination_model.cpp
  app/canvas.cpp
  app/window_snap.cpp
  app/data_files.cpp
  scheme/harmony_rules.cpp
  files/tone_data.cpp
  files/tone_colour_table.cpp
  files/tone_classifier.cpp
  artwork/blend_table.cpp
  artwork/blend_formulas.cpp
)

# Window sources: Qt widgets on top of the core.
set(TINTLOOM_WINDOW_SOURCES
  app/main_form.cpp
  app/surface_view.cpp
  app/paint_box.cpp
  app/qt_messages.cpp
  app/tool_form.cpp
  scheme/hue_form.cpp
)
