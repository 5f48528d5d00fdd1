// Writes the tone data file: the tone class of every (hue, saturation %,
// value %) cell.

#include "core/palette/tone_classifier.h"
#include "tools/tool_output.h"

int main(int argc, char** argv) {
  return tintloom::RunGenerator(argc, argv, "the tone data (Tintloom.tid)", tintloom::BuildToneData);
}
