// Writes the blend table file: every table-driven blend mode's result for
// every backdrop and source byte.

#include "core/artwork/blend_formulas.h"
#include "tools/tool_output.h"

int main(int argc, char** argv) {
  return tintloom::RunGenerator(argc, argv, "the blend table (bm.dat)", tintloom::BuildBlendTableFile);
}
