#include "core/palette/tone_vocabulary.h"

#include <array>
#include <cstdio>

#include "core/base/user_text.h"
#include "core/palette/tone_data.h"

namespace tintloom {

namespace {

constexpr std::array<TToneWords, kToneCount> kTones = {{
    {TL_TEXT("tintloom", "ビビッドトーン"), "v", TL_TEXT("tintloom", "冴えた, 鮮やか, 派手な, 活き活きした"), 0.92355f, 0.684755f},
    {TL_TEXT("tintloom", "ブライトトーン"), "b", TL_TEXT("tintloom", "明るい, 健康的, 陽気, 華やか"), 0.682201f, 0.773034f},
    {TL_TEXT("tintloom", "ストロングトーン"), "s", TL_TEXT("tintloom", "強い, くどい, 情熱的"), 0.796293f, 0.597516f},
    {TL_TEXT("tintloom", "ディープトーン"), "dp", TL_TEXT("tintloom", "深い, 濃い, 充実した, 伝統的, 和風"), 0.84217f, 0.486095f},
    {TL_TEXT("tintloom", "ライトトーン"), "lt", TL_TEXT("tintloom", "浅い, 澄んだ, 子供っぽい, 楽しい"), 0.452801f, 0.830316f},
    {TL_TEXT("tintloom", "ソフトトーン"), "sf", TL_TEXT("tintloom", "柔らかな, 穏やか, ぼんやり, 優しい"), 0.498187f, 0.658535f},
    {TL_TEXT("tintloom", "ダルトーン"), "d", TL_TEXT("tintloom", "鈍い, 自然, 中間色的, はっきりしない"), 0.580231f, 0.515234f},
    {TL_TEXT("tintloom", "ダークトーン"), "dk", TL_TEXT("tintloom", "暗い, 大人っぽい, 丈夫な, シック"), 0.552778f, 0.348301f},
    {TL_TEXT("tintloom", "ペールトーン"), "p", TL_TEXT("tintloom", "軽い, 弱い, 優しい, 女性的, 淡い, かわいい"), 0.222582f, 0.91549f},
    {TL_TEXT("tintloom", "ライトグレイッシュトーン"), "ltg", TL_TEXT("tintloom", "落ち着いた, 渋い, おとなしい, 安らか"), 0.200957f, 0.753775f},
    {TL_TEXT("tintloom", "グレイッシュトーン"), "g", TL_TEXT("tintloom", "濁った, 地味な, 渋い, 紳士的"), 0.311322f, 0.410436f},
    {TL_TEXT("tintloom", "ダークグレイッシュトーン"), "dkg", TL_TEXT("tintloom", "堅い, 陰気, 重い, 男性的, 本格的"), 0.256486f, 0.219973f},
    {TL_TEXT("tintloom", "ホワイト"), "w", TL_TEXT("tintloom", "白色"), 0.0f, 1.0f},
    {TL_TEXT("tintloom", "ライトグレイ"), "ltgy", TL_TEXT("tintloom", "明るい灰色"), 0.0f, 0.75f},
    {TL_TEXT("tintloom", "ミディアムグレイ"), "mgy", TL_TEXT("tintloom", "灰色"), 0.0f, 0.5f},
    {TL_TEXT("tintloom", "ダークグレイ"), "dkgy", TL_TEXT("tintloom", "暗い灰色"), 0.0f, 0.25f},
    {TL_TEXT("tintloom", "ブラック"), "bk", TL_TEXT("tintloom", "黒色"), 0.0f, 0.0f},
}};

constexpr std::array<THueFamily, kHueFamilyCount> kFamilies = {{
    {TL_TEXT("tintloom", "赤"), TL_TEXT("tintloom", "愛情, 情熱, 興奮, 憤怒, 狂気, 嫉妬, 戦争, 欲求, 危険, 生命")},
    {TL_TEXT("tintloom", "橙"), TL_TEXT("tintloom", "陽気, 活気, 元気, 親身, 気軽, 愉快, 食欲, 賑い")},
    {TL_TEXT("tintloom", "黄"), TL_TEXT("tintloom", "幸福, 希望, 光明, 緊張, 愉快, 明瞭, 好奇心, 金")},
    {TL_TEXT("tintloom", "黄緑"), TL_TEXT("tintloom", "若さ, 新鮮, 発育, 健康, 未熟, フレッシュ")},
    {TL_TEXT("tintloom", "緑"), TL_TEXT("tintloom", "安全, 安心, 自然, 健康, 治癒")},
    {TL_TEXT("tintloom", "水"), TL_TEXT("tintloom", "清涼, 清潔, 爽快, 浄化, 健康, クリア, スポーティ")},
    {TL_TEXT("tintloom", "青"), TL_TEXT("tintloom", "知性, 冷酷, 沈静, 静寂, 平静, 誠実, 消失, 平和, 成功")},
    {TL_TEXT("tintloom", "紫"), TL_TEXT("tintloom", "神秘, 高貴, 気品, 優雅, 魅力, 不安, 病的, 心配, 自惚れ")},
    {TL_TEXT("tintloom", "ピンク"), TL_TEXT("tintloom", "可愛い, 幸福, 甘え, 性的, 風俗, ロマンティック")},
    {TL_TEXT("tintloom", "白"), TL_TEXT("tintloom", "純潔, 純粋, 軽快, 明白, 緊張, 無")},
    {TL_TEXT("tintloom", "灰"), TL_TEXT("tintloom", "曖昧, 地味, 平凡, 都会, 人工, 憂鬱, 不潔, 無機質")},
    {TL_TEXT("tintloom", "黒"), TL_TEXT("tintloom", "本格, 重厚, 沈黙, 不安, 不運, 死, 悪, 終焉")},
}};

constexpr TToneWords kNoTone{"", "", "", 0.0f, 0.0f};
constexpr THueFamily kNoFamily{"", ""};

}  // namespace

const TToneWords& ToneWords(int tone) {
  return tone >= 0 && tone < kToneCount ? kTones[static_cast<std::size_t>(tone)] : kNoTone;
}

const THueFamily& HueFamily(int family) {
  return family >= 0 && family < kHueFamilyCount ? kFamilies[static_cast<std::size_t>(family)] : kNoFamily;
}

int HueFamilyOf(const TColorF& hsv) {
  if (hsv.s() == 0.0f) {
    if (hsv.v() >= 1.0f) return 9;
    return hsv.v() > 0.0f ? 10 : 11;
  }
  // A hue outside 0..360 (not one RGB-to-HSV gives) falls to the last range
  // rather than reaching outside anything.
  const float h = hsv.h();
  const int d = h >= 0.0f && h < 400.0f ? Trunc(h) : 400;
  if (d >= 345 || d <= 10) return d <= 360 ? 0 : 8;
  if (d <= 40) return 1;
  if (d <= 60) return 2;
  if (d <= 90) return 3;
  if (d <= 160) return 4;
  if (d <= 190) return 5;
  if (d <= 260) return 6;
  if (d <= 310) return 7;
  return 8;
}

std::string HexCodeText(TColor c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(PackHexColour(UnpackColour(c)) & 0xFFFFFFu));
  return text;
}

std::string ToneHeadingText(int tone) {
  if (tone < 0 || tone >= kToneCount) return {};
  const TToneWords& words = ToneWords(tone);
  return std::string(words.name) + " [" + words.abbreviation + "]";
}

std::string FamilyHeadingText(int family) {
  return FillText(TL_TEXT("tintloom", "[%1]色系が象徴するもの:"), HueFamily(family).name);
}

}  // namespace tintloom
