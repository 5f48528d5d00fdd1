#include "core/artwork/layered_archive.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "core/artwork/kra_tiles.h"
#include "core/artwork/layer_stack.h"
#include "core/artwork/png_layer.h"
#include "core/artwork/zip_archive.h"
#include "core/base/user_text.h"

namespace tintloom {

namespace {

// The layer tree of any real document is far smaller.
constexpr std::uint64_t kMaxStackXml = std::uint64_t{16} << 20;
// PSD documents are at most 30000 pixels a side; the others are held to the
// same sizes, so that every artwork opens within the same memory.
constexpr std::int64_t kMaxDocumentSide = 30000;

// The zip and its bytes, kept by every layer record until its planes are
// decoded.
struct TOpenArchive {
  std::vector<std::uint8_t> bytes;
  TZipArchive zip;
  std::string path;
  std::int64_t width = 0, height = 0;
};

// A layer's planes in the record, its rectangle from them.
void TakePlanes(TPSDLayer& layer, TLayerPlanes&& planes) {
  layer.left = planes.left;
  layer.top = planes.top;
  layer.right = planes.left + planes.width;
  layer.bottom = planes.top + planes.height;
  layer.width = planes.width;
  layer.height = planes.height;
  if (planes.width == 0 || planes.height == 0) {
    layer.PixelData = {};
    layer.transparencyPlane = layer.redPlane = layer.greenPlane = layer.bluePlane = -1;
    return;
  }
  layer.PixelData[0] = std::move(planes.alpha);
  layer.PixelData[1] = std::move(planes.red);
  layer.PixelData[2] = std::move(planes.green);
  layer.PixelData[3] = std::move(planes.blue);
}

// Most bytes an entry holding a layer of the document can need: every pixel
// of the document, at the widest pixel, several times over (layers reach
// past the document's edges), and room for headers.
std::uint64_t LayerEntryBound(const TOpenArchive& archive, int pixelSize) {
  return static_cast<std::uint64_t>(archive.width) * static_cast<std::uint64_t>(archive.height) *
             static_cast<std::uint64_t>(pixelSize) * 16 +
         (std::uint64_t{1} << 20);
}

// The transparency mask, multiplied into the layer's transparency; outside
// its tiles the mask's default applies.
Result<> ApplyKraMask(const TOpenArchive& archive, const std::string& entry, TLayerPlanes& planes) {
  std::string name = entry + ".pixelselection";
  if (!archive.zip.EntrySize(name)) name = entry;
  TRY_ASSIGN(const std::vector<std::uint8_t> tiles, archive.zip.Read(name, LayerEntryBound(archive, 1)));
  TRY_ASSIGN(const std::vector<std::uint8_t> fill, archive.zip.Read(name + ".defaultpixel", 16, true));
  TRY_ASSIGN(const TLayerPlanes mask, DecodeKraTiles(tiles, fill, KraMaskLayout(), 0, 0, archive.width,
                                                     archive.height, archive.path));
  const std::uint8_t outside = fill.size() == 1 ? fill[0] : 0;
  for (std::int32_t y = 0; y < planes.height; ++y) {
    const std::int64_t my = planes.top + y - mask.top;
    for (std::int32_t x = 0; x < planes.width; ++x) {
      const std::int64_t mx = planes.left + x - mask.left;
      const bool inside = my >= 0 && my < mask.height && mx >= 0 && mx < mask.width;
      const unsigned m = inside ? mask.alpha[static_cast<std::size_t>(my * mask.width + mx)] : outside;
      std::uint8_t& a = planes.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(planes.width) +
                                     static_cast<std::size_t>(x)];
      a = static_cast<std::uint8_t>((a * m + 127) / 255);
    }
  }
  return Ok();
}

Result<> DecodeOraLayer(const TOpenArchive& archive, const TStackLayer& source, TPSDLayer& layer) {
  TRY_ASSIGN(const std::vector<std::uint8_t> png, archive.zip.Read(source.source, LayerEntryBound(archive, 4)));
  TRY_ASSIGN(TLayerPlanes planes,
             DecodePngLayer(png, source.x, source.y, archive.width, archive.height, archive.path));
  TakePlanes(layer, std::move(planes));
  return Ok();
}

Result<> DecodeKraLayer(const TOpenArchive& archive, const std::string& folder, const TStackLayer& source,
                        const TTilePixel& pixel, TPSDLayer& layer) {
  const std::string entry = folder + "/layers/" + source.source;
  TRY_ASSIGN(const std::vector<std::uint8_t> tiles, archive.zip.Read(entry, LayerEntryBound(archive, pixel.size)));
  TRY_ASSIGN(const std::vector<std::uint8_t> fill, archive.zip.Read(entry + ".defaultpixel", 64, true));
  TRY_ASSIGN(TLayerPlanes planes,
             DecodeKraTiles(tiles, fill, pixel, source.x, source.y, archive.width, archive.height, archive.path));
  if (!source.mask.empty() && planes.width > 0) {
    TRY(ApplyKraMask(archive, folder + "/layers/" + source.mask, planes));
  }
  TakePlanes(layer, std::move(planes));
  return Ok();
}

Failure Unsupported(const std::string& space, const std::string& path) {
  if (space.find('F') != std::string::npos && space.rfind("RGBA", 0) == 0) {
    return Fail(FillText(TL_TEXT("tintloom", "浮動小数点の色深度(%1ビット)には対応していません. ファイルを開けません"),
                         space.find("16") != std::string::npos ? 16 : 32) +
                "\n->" + path);
  }
  return Fail(std::string(TL_TEXT("tintloom", "サポートしていない色空間です. ファイルを開けません")) + "\n" + space +
              "\n->" + path);
}

}  // namespace

bool LooksLikeZip(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' && bytes[2] == 3 && bytes[3] == 4;
}

Result<> DecodeLayeredArchive(std::vector<std::uint8_t> bytes, const std::string& path, TPSD& doc,
                              TProgressSink& progress) {
  DocumentClear(doc);
  auto archive = std::make_shared<TOpenArchive>();
  archive->bytes = std::move(bytes);
  archive->path = path;
  TRY(archive->zip.Open(archive->bytes, path));
  // The mimetype entry names the format; without one, the tree's file does.
  TRY_ASSIGN(const std::vector<std::uint8_t> mime, archive->zip.Read("mimetype", 256, true));
  const std::string_view type(reinterpret_cast<const char*>(mime.data()), mime.size());
  TStackFormat format;
  if (type == "image/openraster" || (type.empty() && archive->zip.EntrySize("stack.xml"))) {
    format = TStackFormat::kOra;
  } else if (type == "application/x-krita" || (type.empty() && archive->zip.EntrySize("maindoc.xml"))) {
    format = TStackFormat::kKra;
  } else {
    return Fail(WithPath(TL_TEXT("tintloom", "開けるのはPSD、Krita(.kra)とOpenRaster(.ora)の画像だけです"), path));
  }
  TRY_ASSIGN(const std::vector<std::uint8_t> xml,
             archive->zip.Read(format == TStackFormat::kOra ? "stack.xml" : "maindoc.xml", kMaxStackXml));
  TRY_ASSIGN(TLayerStack stack, ParseLayerStack(xml, format, path));
  if ((stack.width >= kPsdRefusedSide && stack.height >= kPsdRefusedSide) || stack.width > kMaxDocumentSide ||
      stack.height > kMaxDocumentSide) {
    return Fail(FillText(TL_TEXT("tintloom", "画像サイズが大きすぎます(%1×%2ピクセル). ファイルを開けません") "\n"
                             TL_TEXT("tintloom", "4096×4096以上の画像サイズはサポートしていません"),
                         static_cast<long long>(stack.width), static_cast<long long>(stack.height)));
  }
  archive->width = stack.width;
  archive->height = stack.height;
  std::optional<TTilePixel> image_pixel;
  if (format == TStackFormat::kKra) {
    image_pixel = KraPixelLayout(stack.colourSpace);
    if (!image_pixel) return Unsupported(stack.colourSpace, path);
    for (const TStackLayer& layer : stack.layers) {
      if (!layer.colourSpace.empty() && !KraPixelLayout(layer.colourSpace)) return Unsupported(layer.colourSpace, path);
    }
  }

  doc.signature = kPsdSignature;
  doc.channels = 4;
  doc.depth = 8;
  doc.colourMode = kPsdColourRgb;
  doc.width = static_cast<std::int32_t>(stack.width);
  doc.height = static_cast<std::int32_t>(stack.height);
  try {
    doc.Layers.resize(stack.layers.size());
  } catch (const std::exception&) {
    DocumentClear(doc);
    return Fail(WithPath(TL_TEXT("tintloom", "メモリが足りないためファイルを開けません."), path));
  }
  doc.layerCount = static_cast<std::int32_t>(stack.layers.size());
  progress.ShowProgress(kProgressReading, doc.layerCount);
  int unknown_modes = 0;
  const std::string folder = stack.imageName;
  for (std::size_t i = 0; i < stack.layers.size(); ++i) {
    progress.StepProgress(static_cast<int>(i));
    const TStackLayer& source = stack.layers[i];
    TPSDLayer& layer = doc.Layers[i];
    layer.Name = source.name;
    layer.nameLength = static_cast<std::uint8_t>(std::min<std::size_t>(source.name.size(), 255));
    layer.UnicodeName = source.name;
    layer.Opacity = source.opacity;
    layer.Clipping = source.clipped ? 1 : 0;
    layer.BlendModeKey = source.blendCode;
    if (source.blendUnknown) ++unknown_modes;
    // Transparency, red, green and blue, decoded later. Until then the
    // rectangle is the document's, so the record counts as usable.
    layer.channelCount = 4;
    layer.ChannelData = {{-1}, {0}, {1}, {2}};
    layer.PixelData.resize(4);
    layer.transparencyPlane = 0;
    layer.redPlane = 1;
    layer.greenPlane = 2;
    layer.bluePlane = 3;
    layer.right = layer.width = doc.width;
    layer.bottom = layer.height = doc.height;
    const TTilePixel pixel =
        source.colourSpace.empty() || format == TStackFormat::kOra ? image_pixel.value_or(TTilePixel{})
                                                                   : *KraPixelLayout(source.colourSpace);
    if (format == TStackFormat::kOra) {
      layer.pendingPlanes = [archive, source](TPSDLayer& l) { return DecodeOraLayer(*archive, source, l); };
    } else {
      layer.pendingPlanes = [archive, folder, source, pixel](TPSDLayer& l) {
        return DecodeKraLayer(*archive, folder, source, pixel, l);
      };
    }
  }
  if (unknown_modes > 0) {
    doc.notes.push_back(FillText(
        TL_TEXT("tintloom", "%1個のレイヤーは対応していない描画モードのため「通常」で表示します"), unknown_modes));
  }
  if (stack.leftOut > 0) {
    doc.notes.push_back(FillText(
        TL_TEXT("tintloom", "%1個のレイヤーは画素をもたない(ベクター、テキスト、塗りつぶし、フィルターなど)ため省きました"),
        stack.leftOut));
  }
  if (stack.clipApproximated > 0) {
    doc.notes.push_back(FillText(
        TL_TEXT("tintloom", "%1個の「アルファを継承」レイヤーは、すぐ下のレイヤーにクリッピングして表示します"),
        stack.clipApproximated));
  }
  return Ok();
}

}  // namespace tintloom
