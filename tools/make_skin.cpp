// Writes the skin bitmap: marker masks, hue wheel and the picker's masks.

#include "core/colour/bmp_file.h"
#include "tools/skin_art.h"
#include "tools/tool_output.h"

namespace {

std::vector<std::uint8_t> BuildSkinFile() {
  tintloom::TSurface skin;
  tintloom::PaintSkin(skin);
  return tintloom::EncodeBmp24(skin);
}

}  // namespace

int main(int argc, char** argv) { return tintloom::RunGenerator(argc, argv, "the skin (skin.bmp)", BuildSkinFile); }
