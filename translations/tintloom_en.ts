<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>tintloom</name>
    <message>
        <source>通常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>比較(暗)</source>
        <translation>Darken</translation>
    </message>
    <message>
        <source>乗算</source>
        <translation>Multiply</translation>
    </message>
    <message>
        <source>焼き込みカラー</source>
        <translation>Colour Burn</translation>
    </message>
    <message>
        <source>焼き込みリニア</source>
        <translation>Linear Burn</translation>
    </message>
    <message>
        <source>比較(明)</source>
        <translation>Lighten</translation>
    </message>
    <message>
        <source>スクリーン</source>
        <translation>Screen</translation>
    </message>
    <message>
        <source>覆い焼きカラー</source>
        <translation>Colour Dodge</translation>
    </message>
    <message>
        <source>覆い焼きリニア - 加算</source>
        <translation>Linear Dodge (Add)</translation>
    </message>
    <message>
        <source>オーバーレイ</source>
        <translation>Overlay</translation>
    </message>
    <message>
        <source>ソフトライト</source>
        <translation>Soft Light</translation>
    </message>
    <message>
        <source>ハードライト</source>
        <translation>Hard Light</translation>
    </message>
    <message>
        <source>ビビッドライト</source>
        <translation>Vivid Light</translation>
    </message>
    <message>
        <source>リニアライト</source>
        <translation>Linear Light</translation>
    </message>
    <message>
        <source>ピンライト</source>
        <translation>Pin Light</translation>
    </message>
    <message>
        <source>ハードミックス</source>
        <translation>Hard Mix</translation>
    </message>
    <message>
        <source>差の絶対値</source>
        <translation>Difference</translation>
    </message>
    <message>
        <source>除外</source>
        <translation>Exclusion</translation>
    </message>
    <message>
        <source>bm.datを開けません</source>
        <translation>Cannot open bm.dat</translation>
    </message>
    <message>
        <source>見本用PSDファイルが開いた後で変更されています。開き直してから書き出してください</source>
        <translation>The sample PSD file has changed since it was opened. Open it again, then export.</translation>
    </message>
    <message>
        <source>メモリを確保できません. 処理を中断します.</source>
        <translation>Out of memory. The operation was stopped.</translation>
    </message>
    <message>
        <source>PSDファイルオープン中にエラーが発生したため処理を中断します</source>
        <translation>An error occurred while opening the PSD file; opening was stopped.</translation>
    </message>
    <message>
        <source>PSDファイルはレイヤーをもちません</source>
        <translation>The PSD file has no layers.</translation>
    </message>
    <message>
        <source>ファイルが途中で終わっています.</source>
        <translation>The file ends too early.</translation>
    </message>
    <message>
        <source>メモリが足りないためファイルを開けません.</source>
        <translation>Not enough memory to open the file.</translation>
    </message>
    <message>
        <source>PSDファイルではありません.</source>
        <translation>This is not a PSD file.</translation>
    </message>
    <message>
        <source>4096×4096以上の画像サイズはサポートしていません</source>
        <translation>Images of 4096 × 4096 or more are not supported.</translation>
    </message>
    <message>
        <source>サポートしていない色深度です(%1). ファイルを開けません</source>
        <translation>Unsupported colour depth (%1). The file cannot be opened.</translation>
    </message>
    <message>
        <source>サポートしていないカラーモード(%1)です. ファイルを開けません</source>
        <translation>Unsupported colour mode (%1). The file cannot be opened.</translation>
    </message>
    <message>
        <source>ファイルが壊れているか大きすぎるため開けません.</source>
        <translation>The file is damaged or too large to open.</translation>
    </message>
    <message>
        <source>ファイルを開けません.</source>
        <translation>Cannot open the file.</translation>
    </message>
    <message>
        <source>見本用PSDファイルが開かれていません</source>
        <translation>No sample PSD file is open.</translation>
    </message>
    <message>
        <source>ファイルにアクセスできません</source>
        <translation>Cannot access the file.</translation>
    </message>
    <message>
        <source>ファイルが壊れています</source>
        <translation>The file is damaged.</translation>
    </message>
    <message>
        <source>フォーマットバージョンがあいません</source>
        <translation>The format version does not match.</translation>
    </message>
    <message>
        <source>ファイルが途中で切れています</source>
        <translation>The file is cut short.</translation>
    </message>
    <message>
        <source>このファイルには色がありません</source>
        <translation>This file has no colours.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます（16 MB まで）</source>
        <translation>The file is too large (16 MB at most).</translation>
    </message>
    <message>
        <source>ブロック %1 の長さが中身に足りません</source>
        <translation>Block %1 is shorter than its contents.</translation>
    </message>
    <message>
        <source>ブロック %1 の色の値が数ではありません</source>
        <translation>A colour value of block %1 is not a number.</translation>
    </message>
    <message>
        <source>GIMP パレットではありません（1 行目が「GIMP Palette」ではありません）</source>
        <translation>Not a GIMP palette (line 1 is not &quot;GIMP Palette&quot;).</translation>
    </message>
    <message>
        <source>%1 行目の値が %2～%3 の範囲にありません</source>
        <translation>A value on line %1 is outside %2 to %3.</translation>
    </message>
    <message>
        <source>%1 行目の色が読めません</source>
        <translation>The colour on line %1 cannot be read.</translation>
    </message>
    <message>
        <source>Adobe スウォッチ交換ファイルではありません（先頭が「ASEF」ではありません）</source>
        <translation>Not an Adobe Swatch Exchange file (it does not start with &quot;ASEF&quot;).</translation>
    </message>
    <message>
        <source>対応していないバージョンです（%1.%2）</source>
        <translation>Unsupported version (%1.%2).</translation>
    </message>
    <message>
        <source>Photoshop スウォッチファイルではありません（バージョンが 1 でも 2 でもありません）</source>
        <translation>Not a Photoshop swatch file (the version is neither 1 nor 2).</translation>
    </message>
    <message>
        <source>バージョン 1 の色の後に読めないデータがあります</source>
        <translation>Unreadable data follows the version 1 colours.</translation>
    </message>
    <message>
        <source>JASC パレットではありません（1 行目が「JASC-PAL」ではありません）</source>
        <translation>Not a JASC palette (line 1 is not &quot;JASC-PAL&quot;).</translation>
    </message>
    <message>
        <source>対応していないバージョンです（%1）</source>
        <translation>Unsupported version (%1).</translation>
    </message>
    <message>
        <source>3 行目の色の数が読めません</source>
        <translation>The colour count on line 3 cannot be read.</translation>
    </message>
    <message>
        <source>色の数は %1 ですが、色の行が %2 行しかありません</source>
        <translation>The colour count is %1, but there are only %2 colour lines.</translation>
    </message>
    <message>
        <source>%1 行目が色（RRGGBB）ではありません</source>
        <translation>Line %1 is not a colour (RRGGBB).</translation>
    </message>
    <message>
        <source>この種類のファイルは読み込めません</source>
        <translation>Files of this kind cannot be imported.</translation>
    </message>
    <message>
        <source>読み込めるのは .gpl .ase .aco .pal .hex .txt .tlp のパレットです</source>
        <translation>Palettes that can be imported: .gpl .ase .aco .pal .hex .txt .tlp</translation>
    </message>
    <message>
        <source>%1 色を読み込みました。次の %2 色は読み込んでいません:</source>
        <translation>%1 colours were imported. These %2 colours were not:</translation>
    </message>
    <message>
        <source>・CMYK の色 %1 色</source>
        <translation>・CMYK colours: %1</translation>
    </message>
    <message>
        <source>・対応していない色空間の色 %1 色</source>
        <translation>・colours in unsupported colour spaces: %1</translation>
    </message>
    <message>
        <source>・%1 色を超えた分 %2 色</source>
        <translation>・colours beyond %1: %2</translation>
    </message>
    <message>
        <source>パレットを読み込めません</source>
        <translation>Cannot import the palette.</translation>
    </message>
    <message>
        <source>この拡張子では保存できません.</source>
        <translation>Cannot save with this extension.</translation>
    </message>
    <message>
        <source>保存できるのは .tlp .tlw .aco .ase .grd .colors .bmp .gpl です</source>
        <translation>Files can be saved as .tlp .tlw .aco .ase .grd .colors .bmp .gpl</translation>
    </message>
    <message>
        <source>スウォッチが多すぎるため, 最初の100000個だけを読み込みました</source>
        <translation>There are too many swatches; only the first 100000 were read.</translation>
    </message>
    <message>
        <source>スウォッチファイルを読み込めません</source>
        <translation>Cannot read the swatch file.</translation>
    </message>
    <message>
        <source>スウォッチファイルを保存できません</source>
        <translation>Cannot save the swatch file.</translation>
    </message>
    <message>
        <source>トーンデータを開けません</source>
        <translation>Cannot open the tone data.</translation>
    </message>
    <message>
        <source>見本用PSDファイルが見つかりません</source>
        <translation>The sample PSD file cannot be found.</translation>
    </message>
    <message>
        <source>見本のレイヤーが作業ファイルの保存時と変わっています。</source>
        <translation>The sample&apos;s layers have changed since the work file was saved.</translation>
    </message>
    <message>
        <source>%1枚のレイヤーは設定を対応づけられず、未設定のままです</source>
        <translation>%1 layers could not be matched to their settings and are left unset.</translation>
    </message>
    <message>
        <source>(対応するレイヤーがない設定: %1件)</source>
        <translation>(settings without a matching layer: %1)</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>類似色相</source>
        <translation>Analogous</translation>
    </message>
    <message>
        <source>色相ドミナント</source>
        <translation>Dominant Hue</translation>
    </message>
    <message>
        <source>分裂補色配色</source>
        <translation>Split Complementary</translation>
    </message>
    <message>
        <source>補色配色</source>
        <translation>Complementary</translation>
    </message>
    <message>
        <source>トライアード</source>
        <translation>Triad</translation>
    </message>
    <message>
        <source>テトラード</source>
        <translation>Tetrad</translation>
    </message>
    <message>
        <source>ペンタード</source>
        <translation>Pentad</translation>
    </message>
    <message>
        <source>カスタム</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>あざやかな</source>
        <translation>Vivid</translation>
    </message>
    <message>
        <source>グレイッシュな</source>
        <translation>Greyish</translation>
    </message>
    <message>
        <source>ギャルゲ的な</source>
        <translation>Dating-sim</translation>
    </message>
    <message>
        <source>あっさりした</source>
        <translation>Light and plain</translation>
    </message>
    <message>
        <source>派手な</source>
        <translation>Flashy</translation>
    </message>
    <message>
        <source>地味な</source>
        <translation>Subdued</translation>
    </message>
    <message>
        <source>健康的な</source>
        <translation>Healthy</translation>
    </message>
    <message>
        <source>子供っぽい</source>
        <translation>Childlike</translation>
    </message>
    <message>
        <source>大人っぽい</source>
        <translation>Grown-up</translation>
    </message>
    <message>
        <source>やわらかな</source>
        <translation>Soft</translation>
    </message>
    <message>
        <source>可愛い</source>
        <translation>Cute</translation>
    </message>
    <message>
        <source>軽い印象の</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>重い印象の</source>
        <translation>Heavy</translation>
    </message>
    <message>
        <source>男性的な</source>
        <translation>Masculine</translation>
    </message>
    <message>
        <source>女性的な</source>
        <translation>Feminine</translation>
    </message>
    <message>
        <source>落ち着いた</source>
        <translation>Calm</translation>
    </message>
    <message>
        <source>前衛的</source>
        <translation>Avant-garde</translation>
    </message>
    <message>
        <source>エスニック</source>
        <translation>Ethnic</translation>
    </message>
    <message>
        <source>ウェスタン</source>
        <translation>Western</translation>
    </message>
    <message>
        <source>トロピカル</source>
        <translation>Tropical</translation>
    </message>
    <message>
        <source>ナチュラル</source>
        <translation>Natural</translation>
    </message>
    <message>
        <source>エレガント</source>
        <translation>Elegant</translation>
    </message>
    <message>
        <source>ロマンティック</source>
        <translation>Romantic</translation>
    </message>
    <message>
        <source>クラシック</source>
        <translation>Classic</translation>
    </message>
    <message>
        <source>スポーティー</source>
        <translation>Sporty</translation>
    </message>
    <message>
        <source>ビビッドトーン</source>
        <translation>Vivid tone</translation>
    </message>
    <message>
        <source>冴えた, 鮮やか, 派手な, 活き活きした</source>
        <translation>clear, vivid, flashy, lively</translation>
    </message>
    <message>
        <source>ブライトトーン</source>
        <translation>Bright tone</translation>
    </message>
    <message>
        <source>明るい, 健康的, 陽気, 華やか</source>
        <translation>bright, healthy, cheerful, gorgeous</translation>
    </message>
    <message>
        <source>ストロングトーン</source>
        <translation>Strong tone</translation>
    </message>
    <message>
        <source>強い, くどい, 情熱的</source>
        <translation>strong, heavy-handed, passionate</translation>
    </message>
    <message>
        <source>ディープトーン</source>
        <translation>Deep tone</translation>
    </message>
    <message>
        <source>深い, 濃い, 充実した, 伝統的, 和風</source>
        <translation>deep, dense, rich, traditional, Japanese</translation>
    </message>
    <message>
        <source>ライトトーン</source>
        <translation>Light tone</translation>
    </message>
    <message>
        <source>浅い, 澄んだ, 子供っぽい, 楽しい</source>
        <translation>shallow, clear, childlike, fun</translation>
    </message>
    <message>
        <source>ソフトトーン</source>
        <translation>Soft tone</translation>
    </message>
    <message>
        <source>柔らかな, 穏やか, ぼんやり, 優しい</source>
        <translation>soft, mild, hazy, gentle</translation>
    </message>
    <message>
        <source>ダルトーン</source>
        <translation>Dull tone</translation>
    </message>
    <message>
        <source>鈍い, 自然, 中間色的, はっきりしない</source>
        <translation>dull, natural, neutral, vague</translation>
    </message>
    <message>
        <source>ダークトーン</source>
        <translation>Dark tone</translation>
    </message>
    <message>
        <source>暗い, 大人っぽい, 丈夫な, シック</source>
        <translation>dark, grown-up, sturdy, chic</translation>
    </message>
    <message>
        <source>ペールトーン</source>
        <translation>Pale tone</translation>
    </message>
    <message>
        <source>軽い, 弱い, 優しい, 女性的, 淡い, かわいい</source>
        <translation>light, weak, gentle, feminine, faint, cute</translation>
    </message>
    <message>
        <source>ライトグレイッシュトーン</source>
        <translation>Light greyish tone</translation>
    </message>
    <message>
        <source>落ち着いた, 渋い, おとなしい, 安らか</source>
        <translation>calm, sober, quiet, peaceful</translation>
    </message>
    <message>
        <source>グレイッシュトーン</source>
        <translation>Greyish tone</translation>
    </message>
    <message>
        <source>濁った, 地味な, 渋い, 紳士的</source>
        <translation>murky, subdued, sober, gentlemanly</translation>
    </message>
    <message>
        <source>ダークグレイッシュトーン</source>
        <translation>Dark greyish tone</translation>
    </message>
    <message>
        <source>堅い, 陰気, 重い, 男性的, 本格的</source>
        <translation>hard, gloomy, heavy, masculine, serious</translation>
    </message>
    <message>
        <source>ホワイト</source>
        <translation>White</translation>
    </message>
    <message>
        <source>白色</source>
        <translation>white</translation>
    </message>
    <message>
        <source>ライトグレイ</source>
        <translation>Light grey</translation>
    </message>
    <message>
        <source>明るい灰色</source>
        <translation>light grey</translation>
    </message>
    <message>
        <source>ミディアムグレイ</source>
        <translation>Medium grey</translation>
    </message>
    <message>
        <source>灰色</source>
        <translation>grey</translation>
    </message>
    <message>
        <source>ダークグレイ</source>
        <translation>Dark grey</translation>
    </message>
    <message>
        <source>暗い灰色</source>
        <translation>dark grey</translation>
    </message>
    <message>
        <source>ブラック</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>黒色</source>
        <translation>black</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>愛情, 情熱, 興奮, 憤怒, 狂気, 嫉妬, 戦争, 欲求, 危険, 生命</source>
        <translation>love, passion, excitement, rage, madness, jealousy, war, desire, danger, life</translation>
    </message>
    <message>
        <source>橙</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>陽気, 活気, 元気, 親身, 気軽, 愉快, 食欲, 賑い</source>
        <translation>cheer, vitality, energy, warmth, ease, fun, appetite, bustle</translation>
    </message>
    <message>
        <source>黄</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>幸福, 希望, 光明, 緊張, 愉快, 明瞭, 好奇心, 金</source>
        <translation>happiness, hope, light, tension, fun, clarity, curiosity, gold</translation>
    </message>
    <message>
        <source>黄緑</source>
        <translation>Yellow-green</translation>
    </message>
    <message>
        <source>若さ, 新鮮, 発育, 健康, 未熟, フレッシュ</source>
        <translation>youth, freshness, growth, health, immaturity, fresh</translation>
    </message>
    <message>
        <source>緑</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>安全, 安心, 自然, 健康, 治癒</source>
        <translation>safety, relief, nature, health, healing</translation>
    </message>
    <message>
        <source>水</source>
        <translation>Light blue</translation>
    </message>
    <message>
        <source>清涼, 清潔, 爽快, 浄化, 健康, クリア, スポーティ</source>
        <translation>coolness, cleanliness, refreshment, purification, health, clear, sporty</translation>
    </message>
    <message>
        <source>青</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>知性, 冷酷, 沈静, 静寂, 平静, 誠実, 消失, 平和, 成功</source>
        <translation>intellect, coldness, calm, silence, composure, sincerity, vanishing, peace, success</translation>
    </message>
    <message>
        <source>紫</source>
        <translation>Purple</translation>
    </message>
    <message>
        <source>神秘, 高貴, 気品, 優雅, 魅力, 不安, 病的, 心配, 自惚れ</source>
        <translation>mystery, nobility, grace, elegance, charm, unease, morbidity, worry, vanity</translation>
    </message>
    <message>
        <source>ピンク</source>
        <translation>Pink</translation>
    </message>
    <message>
        <source>可愛い, 幸福, 甘え, 性的, 風俗, ロマンティック</source>
        <translation>cute, happiness, fondness, sensual, nightlife, romantic</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>純潔, 純粋, 軽快, 明白, 緊張, 無</source>
        <translation>chastity, purity, lightness, clarity, tension, nothingness</translation>
    </message>
    <message>
        <source>灰</source>
        <translation>Grey</translation>
    </message>
    <message>
        <source>曖昧, 地味, 平凡, 都会, 人工, 憂鬱, 不潔, 無機質</source>
        <translation>ambiguity, plainness, ordinariness, city, artifice, gloom, uncleanliness, sterility</translation>
    </message>
    <message>
        <source>黒</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>本格, 重厚, 沈黙, 不安, 不運, 死, 悪, 終焉</source>
        <translation>authenticity, gravity, silence, unease, misfortune, death, evil, the end</translation>
    </message>
    <message>
        <source>[%1]色系が象徴するもの:</source>
        <translation>What [%1] hues stand for:</translation>
    </message>
    <message>
        <source>ファイルからデータを読み取っています...</source>
        <translation>Reading data from the file...</translation>
    </message>
    <message>
        <source>グレイスケールに変換しています...</source>
        <translation>Converting to greyscale...</translation>
    </message>
    <message>
        <source>リサイズしています...</source>
        <translation>Resizing...</translation>
    </message>
    <message>
        <source>予期しないエラーが発生しました</source>
        <translation>An unexpected error occurred.</translation>
    </message>
    <message>
        <source>配色した画像を書き出す</source>
        <translation>Export Recoloured Picture</translation>
    </message>
    <message>
        <source>参照...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>ファイル:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>PNG画像(*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>透明</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>キャンバスの背景色</source>
        <translation>Canvas background colour</translation>
    </message>
    <message>
        <source>背景:</source>
        <translation>Background:</translation>
    </message>
    <message>
        <source>書き出す</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 は既にあります。</source>
        <translation>%1 already exists.</translation>
    </message>
    <message>
        <source>上書きしますか?</source>
        <translation>Do you want to replace it?</translation>
    </message>
    <message>
        <source>上書き</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>配色した画像を書き出しています...</source>
        <translation>Exporting the recoloured picture...</translation>
    </message>
    <message>
        <source>フォルダーは開けません</source>
        <translation>A folder cannot be opened.</translation>
    </message>
    <message>
        <source>ファイルが見つかりません</source>
        <translation>The file cannot be found.</translation>
    </message>
    <message>
        <source>Tintloomパレット・作業ファイル(*.tlp *.tlw)</source>
        <translation>Tintloom palettes and work files (*.tlp *.tlw)</translation>
    </message>
    <message>
        <source>Tintloomパレット(*.tlp)</source>
        <translation>Tintloom palette (*.tlp)</translation>
    </message>
    <message>
        <source>Tintloom作業ファイル(*.tlw)</source>
        <translation>Tintloom work file (*.tlw)</translation>
    </message>
    <message>
        <source>パレットの書き出し</source>
        <translation>Save Palette</translation>
    </message>
    <message>
        <source>Photoshop互換スウォッチ(*.aco)</source>
        <translation>Photoshop swatches (*.aco)</translation>
    </message>
    <message>
        <source>Photoshop互換グラデーション(*.grd)</source>
        <translation>Photoshop gradients (*.grd)</translation>
    </message>
    <message>
        <source>Adobe互換スウォッチ交換(*.ase)</source>
        <translation>Adobe Swatch Exchange (*.ase)</translation>
    </message>
    <message>
        <source>Painter互換カラーセット(*.colors)</source>
        <translation>Painter colour set (*.colors)</translation>
    </message>
    <message>
        <source>ビットマップ(*.bmp)</source>
        <translation>Bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>GIMPパレット(*.gpl)</source>
        <translation>GIMP palette (*.gpl)</translation>
    </message>
    <message>
        <source>skin.bmpを開けません</source>
        <translation>Cannot open skin.bmp</translation>
    </message>
    <message>
        <source>skin.bmpを読み込めません</source>
        <translation>Cannot read skin.bmp</translation>
    </message>
    <message>
        <source>skin.bmpが小さすぎます (447×171 ピクセル以上が必要です)</source>
        <translation>skin.bmp is too small (it needs at least 447 × 171 pixels)</translation>
    </message>
    <message>
        <source>この環境では画面の色を読み取れません。</source>
        <translation>The screen colour cannot be read here.</translation>
    </message>
    <message>
        <source>(Wayland のセッションでは画面の読み取りが許可されていません)</source>
        <translation>(A Wayland session does not allow reading the screen.)</translation>
    </message>
    <message>
        <source>画像サイズが大きすぎます(%1×%2ピクセル). ファイルを開けません</source>
        <translation>The image is too large (%1 × %2 pixels). The file cannot be opened.</translation>
    </message>
    <message>
        <source>この拡張子の画像は書き出せません。拡張子で形式を選んでください:</source>
        <translation>A picture cannot be written with this extension. The extension chooses the format, one of:</translation>
    </message>
    <message>
        <source>書き出し先のフォルダがありません</source>
        <translation>The folder to write into does not exist.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます(作業ファイルは%1MBまでです)</source>
        <translation>The file is too large (a work file is at most %1 MB).</translation>
    </message>
    <message>
        <source>開けるファイルすべて</source>
        <translation>All files Tintloom opens</translation>
    </message>
    <message>
        <source>スウォッチに読み込むパレット(*.gpl *.ase *.aco *.pal *.hex *.txt)</source>
        <translation>Palettes to bring into the swatches (*.gpl *.ase *.aco *.pal *.hex *.txt)</translation>
    </message>
    <message>
        <source>見本用PSDファイル自身には書き出せません。別のファイル名を選んでください</source>
        <translation>Cannot export over the sample PSD file itself. Please choose another file name.</translation>
    </message>
    <message>
        <source>PSDファイルの大きさの上限(4GB)を超えるため書き出せません</source>
        <translation>Cannot export: the file would be larger than a PSD file can be (4 GB).</translation>
    </message>
    <message>
        <source>配色したレイヤーをPSDで書き出す</source>
        <translation>Export Recoloured Layers as PSD</translation>
    </message>
    <message>
        <source>PSDファイル(*.psd)</source>
        <translation>PSD files (*.psd)</translation>
    </message>
    <message>
        <source>%1_配色</source>
        <translation>%1_recoloured</translation>
    </message>
    <message>
        <source>配色したレイヤーを書き出しています...</source>
        <translation>Exporting the recoloured layers...</translation>
    </message>
    <message>
        <source>作業を保存できるのは Tintloomパレット(.tlp)と作業ファイル(.tlw)です</source>
        <translation>The work can be saved only as a Tintloom palette (.tlp) or work document (.tlw).</translation>
    </message>
    <message>
        <source>作業の保存</source>
        <translation>Save Work</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>画像に画素がありません</source>
        <translation>The picture has no pixels</translation>
    </message>
    <message>
        <source>画像が全部透明です</source>
        <translation>The picture is transparent all over</translation>
    </message>
    <message>
        <source>8ビットのRGBかグレースケールの画像だけを読み込めます</source>
        <translation>Only 8-bit RGB or grayscale pictures can be read</translation>
    </message>
    <message>
        <source>この圧縮形式の画像は読み込めません</source>
        <translation>Pictures compressed this way cannot be read</translation>
    </message>
    <message>
        <source>浮動小数点の色深度(%1ビット)には対応していません. ファイルを開けません</source>
        <translation>Floating-point colour depths (%1 bits) are not supported. The file cannot be opened.</translation>
    </message>
    <message>
        <source>サポートしていない色空間です. ファイルを開けません</source>
        <translation>This colour space is not supported. The file cannot be opened.</translation>
    </message>
    <message>
        <source>開けるのはPSD、Krita(.kra)とOpenRaster(.ora)の画像だけです</source>
        <translation>Only PSD, Krita (.kra) and OpenRaster (.ora) pictures can be opened.</translation>
    </message>
    <message>
        <source>%1個のレイヤーは対応していない描画モードのため「通常」で表示します</source>
        <translation>%1 layer(s) use a blend mode Tintloom does not have and are shown as Normal.</translation>
    </message>
    <message>
        <source>%1個のレイヤーは画素をもたない(ベクター、テキスト、塗りつぶし、フィルターなど)ため省きました</source>
        <translation>%1 layer(s) without pixels of their own (vector, text, fill, filter and the like) were left out.</translation>
    </message>
    <message>
        <source>%1個の「アルファを継承」レイヤーは、すぐ下のレイヤーにクリッピングして表示します</source>
        <translation>%1 &quot;inherit alpha&quot; layer(s) are shown clipped to the layer just below them.</translation>
    </message>
    <message>
        <source>開けるのはPSD・Krita・OpenRasterの画像(*.psd *.kra *.ora)、Tintloomパレット(*.tlp)、作業ファイル(*.tlw)とパレットファイル(*.gpl *.ase *.aco *.pal *.hex *.txt)だけです</source>
        <translation>Only PSD, Krita and OpenRaster pictures (*.psd *.kra *.ora), Tintloom palettes (*.tlp), work files (*.tlw) and palette files (*.gpl *.ase *.aco *.pal *.hex *.txt) can be opened.</translation>
    </message>
    <message>
        <source>PSD・Krita・OpenRasterの画像ではありません</source>
        <translation>This is not a PSD, Krita or OpenRaster picture.</translation>
    </message>
    <message>
        <source>PSD・Krita・OpenRaster画像 (*.psd *.kra *.ora *.PSD *.KRA *.ORA)</source>
        <translation>PSD, Krita and OpenRaster pictures (*.psd *.kra *.ora *.PSD *.KRA *.ORA)</translation>
    </message>
    <message>
        <source>ZIP圧縮されたレイヤーには対応していません. ファイルを開けません</source>
        <translation>Layers compressed with ZIP are not supported. The file cannot be opened</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>Not a regular file (a pipe, a device or a folder)</translation>
    </message>
    <message>
        <source>スウォッチは100000個までです. 追加するには先に削除してください</source>
        <translation>There can be at most 100000 swatches. Delete some before adding more</translation>
    </message>
    <message>
        <source>画像が大きすぎます (%1 × %2 画素、6400 万画素まで)</source>
        <translation>The picture is too large (%1 × %2 pixels; at most 64 million pixels)</translation>
    </message>
    <message>
        <source>書き出す PNG ファイルの名前</source>
        <translation>The name of the PNG file to write</translation>
    </message>
    <message>
        <source>書き出すファイル</source>
        <translation>File to write</translation>
    </message>
    <message>
        <source>書き出す先をファイルダイアログで選ぶ</source>
        <translation>Choose where to write in a file dialog</translation>
    </message>
    <message>
        <source>アートワークのない所を何で埋めるか</source>
        <translation>What fills the places where the artwork has nothing</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>復元用の作業ファイルを保存できません。作業はこのまま続けられますが、こまめに保存してください</source>
        <translation>The recovery copy of your work cannot be saved. You can go on working, but save often.</translation>
    </message>
    <message>
        <source>復元用の作業ファイルが壊れているため復元できません。ファイルは別名で残しました</source>
        <translation>The recovery copy of your work is damaged and cannot be restored. The file has been kept under another name.</translation>
    </message>
</context>
<context>
    <name>tintloom::TAutosave</name>
    <message>
        <source>名前のない作業</source>
        <translation>unnamed work</translation>
    </message>
    <message>
        <source>前回の作業を復元しますか</source>
        <translation>Restore your previous work?</translation>
    </message>
    <message>
        <source>Tintloom が正しく終了しなかったため、%1 の保存されていない作業が残っています(%2)。</source>
        <translation>Tintloom did not end normally, and unsaved work on %1 was kept (%2).</translation>
    </message>
    <message>
        <source>復元する</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>破棄する</source>
        <translation>Discard</translation>
    </message>
</context>
<context>
    <name>tintloom::TColorForm</name>
    <message>
        <source>カラー</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>カラーウィンドウを閉じる（表示メニューでまた開けます）</source>
        <translation>Close the colour window (the View menu opens it again)</translation>
    </message>
    <message>
        <source>印象プリセット: 選ぶとトーンフィルター（下のトーン表で色の付いたトーン）がその印象のトーンになり、規則のスロットがそれに従います</source>
        <translation>Impression preset: choosing one sets the tone filter (the coloured tones in the tone chart below) to that impression&apos;s tones, and the rule slots follow it</translation>
    </message>
    <message>
        <source>印象プリセット</source>
        <translation>Impression preset</translation>
    </message>
    <message>
        <source>見本: 選択中のスロットの 4 つの色（ハイライト、ベース、影、深い影）で塗った球</source>
        <translation>Sample: a ball painted with the selected slot&apos;s four colours (highlight, base, shadow, deep shadow)</translation>
    </message>
    <message>
        <source>見本</source>
        <translation>Sample</translation>
    </message>
    <message>
        <source>色の段: 上からハイライト、ベース、影、深い影。クリックでその段を選び、下のスライダーで編集する</source>
        <translation>Shades: highlight, base, shadow and deep shadow from the top. Click one to select it and edit it with the sliders below</translation>
    </message>
    <message>
        <source>色の段</source>
        <translation>Shades</translation>
    </message>
    <message>
        <source>ハイライト</source>
        <translation>highlight</translation>
    </message>
    <message>
        <source>ベース</source>
        <translation>base</translation>
    </message>
    <message>
        <source>影</source>
        <translation>shadow</translation>
    </message>
    <message>
        <source>深い影</source>
        <translation>deep shadow</translation>
    </message>
    <message>
        <source>スロット %1 %2 %3</source>
        <translation>Slot %1 %2 %3</translation>
    </message>
    <message>
        <source>H（色相）: 選択中の色の色相、0〜360°。クリックかドラッグで変える</source>
        <translation>H (hue): the selected colour&apos;s hue, 0 to 360°. Click or drag to change it</translation>
    </message>
    <message>
        <source>S（彩度）: 選択中の色の鮮やかさ、0〜100%。クリックかドラッグで変える</source>
        <translation>S (saturation): the selected colour&apos;s vividness, 0 to 100%. Click or drag to change it</translation>
    </message>
    <message>
        <source>V（明度）: 選択中の色の明るさ、0〜100%。クリックかドラッグで変える</source>
        <translation>V (value): the selected colour&apos;s brightness, 0 to 100%. Click or drag to change it</translation>
    </message>
    <message>
        <source>色相</source>
        <translation>Hue</translation>
    </message>
    <message>
        <source>彩度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>明度</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>%1 の値を数字で入力（Enter かフォーカス移動で確定）</source>
        <translation>Type the %1 as a number (Enter or leaving the field commits it)</translation>
    </message>
    <message>
        <source>%1 の値</source>
        <translation>%1 value</translation>
    </message>
    <message>
        <source>トーン表（ベースの段を選んでいるとき）: v ビビッド、b ブライト、s ストロング、dp ディープ、lt ライト、sf ソフト、d ダル、dk ダーク、p ペール、ltg ライトグレイッシュ、g グレイッシュ、dkg ダークグレイッシュ。
クリック: 選択中のスロットをそのトーンにする&#x3000;右クリック: トーンフィルターに入れる／外す（灰色は外れたトーン）
他の段では混色の面: クリックかドラッグで彩度（横）と明度（縦）を選ぶ</source>
        <translation>Tone chart (while the base shade is selected): v vivid, b bright, s strong, dp deep, lt light, sf soft, d dull, dk dark, p pale, ltg light greyish, g greyish, dkg dark greyish.
Click: give the selected slot that tone   Right-click: put the tone into the tone filter or take it out (grey tones are out)
For the other shades, a mixing field: click or drag to choose saturation (across) and value (down)</translation>
    </message>
    <message>
        <source>トーン表</source>
        <translation>Tone chart</translation>
    </message>
    <message>
        <source>トーンフィルターに入っている（右クリックで外す）</source>
        <translation>In the tone filter (right-click takes it out)</translation>
    </message>
    <message>
        <source>トーンフィルターから外れている（右クリックで入れる）</source>
        <translation>Not in the tone filter (right-click puts it in)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 — %2
%3</source>
        <translation>%1 — %2
%3</translation>
    </message>
</context>
<context>
    <name>tintloom::THueForm</name>
    <message>
        <source>配色</source>
        <translation>Scheme</translation>
    </message>
    <message>
        <source>配色ルール : </source>
        <translation>Rule: </translation>
    </message>
    <message>
        <source>基本カラー</source>
        <translation>Base colour</translation>
    </message>
    <message>
        <source>配色ウィンドウを閉じる（表示メニューでまた開けます）</source>
        <translation>Close the scheme window (the View menu opens it again)</translation>
    </message>
    <message>
        <source>配色ルール: 基本カラー（スロット 1）から他のスロットの色相を決める規則。「カスタム」ではマーカーを一つずつ動かせます</source>
        <translation>Harmony rule: how the other slots&apos; hues follow from the base colour (slot 1). Under &quot;Custom&quot; each marker moves on its own</translation>
    </message>
    <message>
        <source>配色ルール</source>
        <translation>Harmony rule</translation>
    </message>
    <message>
        <source>色相環: マーカー一つがスロット一つのベース色（角度が色相、中心からの距離が彩度）。
クリック: マーカーのスロットを選ぶ&#x3000;ドラッグ: 色相と彩度を変える
Shift+ドラッグ: 色相だけ&#x3000;Ctrl+ドラッグ: 彩度だけ
太い輪のマーカーが基本カラー、黒い輪が選択中のスロット</source>
        <translation>Hue wheel: each marker is one slot&apos;s base colour (the angle is its hue, the distance from the centre its saturation).
Click: select the marker&apos;s slot   Drag: change hue and saturation
Shift+drag: hue only   Ctrl+drag: saturation only
The marker with the thick ring is the base colour; the black ring marks the selected slot</translation>
    </message>
    <message>
        <source>色相環</source>
        <translation>Hue wheel</translation>
    </message>
    <message>
        <source>明度: 選択中のスロットのベース色の明るさ（上ほど明るい）。クリックかドラッグで変える</source>
        <translation>Value: the brightness of the selected slot&apos;s base colour (brighter towards the top). Click or drag to change it</translation>
    </message>
    <message>
        <source>明度</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>スロット: 10 スロットのベース色（上の段が 1〜5、右から）。クリックでスロットを選ぶ。太い黒枠が選択中のスロット</source>
        <translation>Slots: the ten slots&apos; base colours (1 to 5 in the upper row, from the right). Click to select a slot. The thick black frame marks the selected slot</translation>
    </message>
    <message>
        <source>スロット</source>
        <translation>Slots</translation>
    </message>
    <message>
        <source>スロット %1 ベース %2</source>
        <translation>Slot %1 base %2</translation>
    </message>
    <message>
        <source>%1（選択中）</source>
        <translation>%1 (selected)</translation>
    </message>
    <message>
        <source>色相 %1°、彩度 %2%</source>
        <translation>hue %1°, saturation %2%</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
</context>
<context>
    <name>tintloom::TInfoForm</name>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>カラーとトーンカラー</source>
        <translation>Colour and tone colour</translation>
    </message>
    <message>
        <source>情報ウィンドウを閉じる（表示メニューでまた開けます）</source>
        <translation>Close the information window (the View menu opens it again)</translation>
    </message>
    <message>
        <source>16 進コード（%1）をクリップボードにコピーする</source>
        <translation>Copy the hex code (%1) to the clipboard</translation>
    </message>
    <message>
        <source>16 進コードをコピー</source>
        <translation>Copy hex code</translation>
    </message>
    <message>
        <source>選択中の色 %1</source>
        <translation>Selected colour %1</translation>
    </message>
    <message>
        <source>選択中の色</source>
        <translation>Selected colour</translation>
    </message>
    <message>
        <source>その色のトーンの代表色 %1</source>
        <translation>The typical colour of its tone %1</translation>
    </message>
    <message>
        <source>トーンの代表色</source>
        <translation>Tone colour</translation>
    </message>
</context>
<context>
    <name>tintloom::TLayerForm</name>
    <message>
        <source>グレイスケールレイヤー</source>
        <translation>Greyscale layer</translation>
    </message>
    <message>
        <source>黒ベタレイヤー</source>
        <translation>Solid black layer</translation>
    </message>
    <message>
        <source>白ベタレイヤー</source>
        <translation>Solid white layer</translation>
    </message>
    <message>
        <source>レイヤー</source>
        <translation>Layers</translation>
    </message>
    <message>
        <source>マッピング設定:</source>
        <translation>Mapping:</translation>
    </message>
    <message>
        <source>ベース :</source>
        <translation>Base:</translation>
    </message>
    <message>
        <source>影：</source>
        <translation>Shadow:</translation>
    </message>
    <message>
        <source>新規</source>
        <translation>New</translation>
    </message>
    <message>
        <source>レイヤーウィンドウを閉じる（表示メニューでまた開けます）</source>
        <translation>Close the layer window (the View menu opens it again)</translation>
    </message>
    <message>
        <source>描画モード: 選択中のレイヤーを下のレイヤーにどう重ねるか</source>
        <translation>Blend mode: how the selected layers lie over the layers below</translation>
    </message>
    <message>
        <source>描画モード</source>
        <translation>Blend mode</translation>
    </message>
    <message>
        <source>ベースのレベルの灰色: レイヤーのこの明るさがスロットのベース色になる</source>
        <translation>Base level grey: this grey of the layer becomes the slot&apos;s base colour</translation>
    </message>
    <message>
        <source>ベースのレベルの灰色</source>
        <translation>Base level grey</translation>
    </message>
    <message>
        <source>影のレベルの灰色: レイヤーのこの明るさがスロットの影の色になる</source>
        <translation>Shadow level grey: this grey of the layer becomes the slot&apos;s shadow colour</translation>
    </message>
    <message>
        <source>影のレベルの灰色</source>
        <translation>Shadow level grey</translation>
    </message>
    <message>
        <source>ベースのレベル 0〜255: 選択中のレイヤーのどの灰色をベース色にするか（キャンバスで Shift+クリックでも取れる）</source>
        <translation>Base level, 0 to 255: which grey of the selected layer takes the base colour (Shift+click on the canvas picks it too)</translation>
    </message>
    <message>
        <source>ベースのレベル</source>
        <translation>Base level</translation>
    </message>
    <message>
        <source>影のレベル 0〜255: 選択中のレイヤーのどの灰色を影の色にするか（キャンバスで Shift+右クリックでも取れる）</source>
        <translation>Shadow level, 0 to 255: which grey of the selected layer takes the shadow colour (Shift+right-click on the canvas picks it too)</translation>
    </message>
    <message>
        <source>影のレベル</source>
        <translation>Shadow level</translation>
    </message>
    <message>
        <source>マッピングの見本: 選択中のレイヤーの灰色（左が黒、右が白）がどの色になるか。印はベースと影のレベル</source>
        <translation>Mapping preview: which colour each grey of the selected layer becomes (black on the left, white on the right). The marks are the base and shadow levels</translation>
    </message>
    <message>
        <source>マッピングの見本</source>
        <translation>Mapping preview</translation>
    </message>
    <message>
        <source>スロット表: 列がスロット 1〜10、段が上からハイライト、ベース、影、深い影。クリックで選択中のレイヤーの色をそのスロットにする</source>
        <translation>Slot grid: the columns are slots 1 to 10, the rows highlight, base, shadow and deep shadow from the top. Click to give the selected layers that slot&apos;s colours</translation>
    </message>
    <message>
        <source>スロット表</source>
        <translation>Slot grid</translation>
    </message>
    <message>
        <source>ハイライト</source>
        <translation>highlight</translation>
    </message>
    <message>
        <source>ベース</source>
        <translation>base</translation>
    </message>
    <message>
        <source>影</source>
        <translation>shadow</translation>
    </message>
    <message>
        <source>深い影</source>
        <translation>deep shadow</translation>
    </message>
    <message>
        <source>スロット %1 %2 %3</source>
        <translation>Slot %1 %2 %3</translation>
    </message>
    <message>
        <source>レイヤー: 上が一番上のレイヤー。クリックで選ぶ、Ctrl+クリック・Shift+クリックで複数選ぶ、目のクリックか Space で表示を切り替える、右クリックで灰色・黒・白のレイヤーにする</source>
        <translation>Layers, the top layer first. Click to select, Ctrl+click or Shift+click to select several; click the eye or press Space to show or hide; right-click to make a layer grey, black or white</translation>
    </message>
    <message>
        <source>ドラッグでウィンドウの高さを変える</source>
        <translation>Drag to change the window&apos;s height</translation>
    </message>
    <message>
        <source>高さの仕切り</source>
        <translation>Height divider</translation>
    </message>
</context>
<context>
    <name>tintloom::TMainForm</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;S)...</source>
        <translation>&amp;Save As...</translation>
    </message>
    <message>
        <source>見本用PSDファイルを開く...</source>
        <translation>Open Sample PSD File...</translation>
    </message>
    <message>
        <source>配色した画像を書き出す(&amp;P)...</source>
        <translation>Export Recoloured &amp;Picture...</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>キャンバスをコピー(&amp;C)</source>
        <translation>&amp;Copy Canvas</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>配色(&amp;R)</source>
        <translation>Colou&amp;r Scheme</translation>
    </message>
    <message>
        <source>カラー(&amp;C)</source>
        <translation>&amp;Colour</translation>
    </message>
    <message>
        <source>レイヤー(&amp;L)</source>
        <translation>&amp;Layers</translation>
    </message>
    <message>
        <source>ライトバランス(&amp;G)</source>
        <translation>Li&amp;ght Balance</translation>
    </message>
    <message>
        <source>スウォッチ(&amp;S)</source>
        <translation>&amp;Swatches</translation>
    </message>
    <message>
        <source>情報(&amp;I)</source>
        <translation>&amp;Information</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background Colour</translation>
    </message>
    <message>
        <source>格子模様</source>
        <translation>Checker</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>グレー</source>
        <translation>Grey</translation>
    </message>
    <message>
        <source>黒</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>アンビエントカラー</source>
        <translation>Ambient Colour</translation>
    </message>
    <message>
        <source>小さい画像を拡大表示(&amp;Z)</source>
        <translation>&amp;Zoom Small Artwork</translation>
    </message>
    <message>
        <source>明度で表示(&amp;V)</source>
        <translation>Show &amp;Values</translation>
    </message>
    <message>
        <source>色覚シミュレーション</source>
        <translation>Colour-Vision Simulation</translation>
    </message>
    <message>
        <source>なし(&amp;N)</source>
        <translation>&amp;None</translation>
    </message>
    <message>
        <source>1型色覚 (P型)(&amp;P)</source>
        <translation>&amp;Protan (red-weak)</translation>
    </message>
    <message>
        <source>2型色覚 (D型)(&amp;D)</source>
        <translation>&amp;Deutan (green-weak)</translation>
    </message>
    <message>
        <source>3型色覚 (T型)(&amp;T)</source>
        <translation>&amp;Tritan (blue-weak)</translation>
    </message>
    <message>
        <source>配色したレイヤーをPSDで書き出す(&amp;L)...</source>
        <translation>Export Recoloured &amp;Layers as PSD...</translation>
    </message>
    <message>
        <source>作業内容を保存しますか?</source>
        <translation>Save your work?</translation>
    </message>
    <message>
        <source>%1 への変更を保存しますか?</source>
        <translation>Save the changes to %1?</translation>
    </message>
    <message>
        <source>保存しないと、最後に保存してからの変更は失われます。</source>
        <translation>If you don&apos;t save, the changes since the last save will be lost.</translation>
    </message>
    <message>
        <source>アートワークを読み込み直す(&amp;R)</source>
        <translation>&amp;Reload Artwork</translation>
    </message>
    <message>
        <source>保存されたら読み込み直す(&amp;W)</source>
        <translation>Reload &amp;When Saved</translation>
    </message>
    <message>
        <source>保存したファイルにないレイヤー: %1（設定は残してあり、戻れば使います）</source>
        <translation>Layers no longer in the saved file: %1 (their settings are kept and come back with them)</translation>
    </message>
    <message>
        <source>新しいレイヤー: %1枚（レイヤーウィンドウに印があります）</source>
        <translation>New layers: %1 (marked in the layer window)</translation>
    </message>
    <message>
        <source>戻ったレイヤー: %1枚（前の設定に戻しました）</source>
        <translation>Layers back in the file: %1 (their earlier settings restored)</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>Tintloom を終了する</source>
        <translation>Quit Tintloom</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>メニュー</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>キャンバス: 配色を当てたアートワーク（開いていなければ見本）。
Shift+クリック: その灰色を選択中のレイヤーのベースのレベルにする
Shift+右クリック: その灰色を影のレベルにする
ファイルをドロップすると開く</source>
        <translation>Canvas: the artwork in the colour scheme (a sample while none is open).
Shift+click: make that grey the selected layer&apos;s base level
Shift+right-click: make that grey its shadow level
Drop a file here to open it</translation>
    </message>
    <message>
        <source>キャンバス</source>
        <translation>Canvas</translation>
    </message>
</context>
<context>
    <name>tintloom::TPaletteForm</name>
    <message>
        <source>ライトバランス</source>
        <translation>Light Balance</translation>
    </message>
    <message>
        <source>有効にする</source>
        <translation>Enable</translation>
    </message>
    <message>
        <source>アンビエント</source>
        <translation>Ambient</translation>
    </message>
    <message>
        <source>ライト</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>カラー設定を無視する</source>
        <translation>Ignore colour settings</translation>
    </message>
    <message>
        <source>ライトバランスウィンドウを閉じる（表示メニューでまた開けます）</source>
        <translation>Close the light balance window (the View menu opens it again)</translation>
    </message>
    <message>
        <source>入れると、スロットの色すべてをアンビエント（環境光）とライト（光源）の色で染める</source>
        <translation>When on, every slot colour is tinted with the ambient (surrounding light) and light (light source) colours</translation>
    </message>
    <message>
        <source>入れると、スロットのハイライトと影の色の代わりに、ライトとアンビエントの色だけで明暗を付ける</source>
        <translation>When on, light and shade come from the light and ambient colours alone instead of the slots&apos; highlight and shadow colours</translation>
    </message>
    <message>
        <source>%1の色 %2</source>
        <translation>%1 colour %2</translation>
    </message>
    <message>
        <source>アンビエント（影に差す環境光）</source>
        <translation>Ambient (the surrounding light in the shadows)</translation>
    </message>
    <message>
        <source>ライト（光源）</source>
        <translation>Light (the light source)</translation>
    </message>
    <message>
        <source>アンビエントの色</source>
        <translation>Ambient colour</translation>
    </message>
    <message>
        <source>ライトの色</source>
        <translation>Light colour</translation>
    </message>
    <message>
        <source>色相 H（0〜360°）</source>
        <translation>hue H (0 to 360°)</translation>
    </message>
    <message>
        <source>彩度 S（0〜100%）</source>
        <translation>saturation S (0 to 100%)</translation>
    </message>
    <message>
        <source>明度 V（0〜100%）</source>
        <translation>value V (0 to 100%)</translation>
    </message>
    <message>
        <source>%1の%2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1: ドラッグか矢印キーで変える</source>
        <translation>%1: drag or use the arrow keys to change it</translation>
    </message>
</context>
<context>
    <name>tintloom::TPictureColoursDialog</name>
    <message>
        <source>画像から色を取り出せません</source>
        <translation>Cannot take colours from the picture</translation>
    </message>
    <message>
        <source>ファイルを開けません</source>
        <translation>Cannot open the file</translation>
    </message>
    <message>
        <source>ファイルが空です</source>
        <translation>The file is empty</translation>
    </message>
    <message>
        <source>画像が壊れているか、読めない形式です</source>
        <translation>The picture is damaged or in a format that cannot be read</translation>
    </message>
    <message>
        <source>画像から色を取り出す</source>
        <translation>Colours from a Picture</translation>
    </message>
    <message>
        <source>色の数(&amp;N):</source>
        <translation>&amp;Number of colours:</translation>
    </message>
    <message>
        <source>カラフル</source>
        <translation>Colourful</translation>
    </message>
    <message>
        <source>明るい</source>
        <translation>Bright</translation>
    </message>
    <message>
        <source>くすんだ</source>
        <translation>Muted</translation>
    </message>
    <message>
        <source>深い</source>
        <translation>Deep</translation>
    </message>
    <message>
        <source>暗い</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>どの色に寄せて選ぶか</source>
        <translation>Which colours the choice leans to</translation>
    </message>
    <message>
        <source>雰囲気(&amp;M):</source>
        <translation>&amp;Mood:</translation>
    </message>
    <message>
        <source>取り出した色</source>
        <translation>Colours taken</translation>
    </message>
    <message>
        <source>取り出した色をスウォッチに追加します</source>
        <translation>Adds the colours taken as swatches</translation>
    </message>
    <message>
        <source>配色に使う(&amp;U)</source>
        <translation>&amp;Use in the Scheme</translation>
    </message>
    <message>
        <source>取り出した色を1番の色から順に基本色にします (10 色まで)</source>
        <translation>Makes the colours taken the base colours, from colour 1 on (up to 10 colours)</translation>
    </message>
</context>
<context>
    <name>tintloom::TProgressForm</name>
    <message>
        <source>読み込みの進み具合</source>
        <translation>Reading progress</translation>
    </message>
</context>
<context>
    <name>tintloom::TSwatchForm</name>
    <message>
        <source>スウォッチ</source>
        <translation>Swatches</translation>
    </message>
    <message>
        <source>パレットの読み込み</source>
        <translation>Import Palette</translation>
    </message>
    <message>
        <source>パレット(*.gpl *.ase *.aco *.pal *.hex *.txt *.tlp)</source>
        <translation>Palettes (*.gpl *.ase *.aco *.pal *.hex *.txt *.tlp)</translation>
    </message>
    <message>
        <source>GIMPパレット(*.gpl)</source>
        <translation>GIMP palette (*.gpl)</translation>
    </message>
    <message>
        <source>Adobe互換スウォッチ交換(*.ase)</source>
        <translation>Adobe Swatch Exchange (*.ase)</translation>
    </message>
    <message>
        <source>Photoshop互換スウォッチ(*.aco)</source>
        <translation>Photoshop swatches (*.aco)</translation>
    </message>
    <message>
        <source>JASCパレット(*.pal)</source>
        <translation>JASC palette (*.pal)</translation>
    </message>
    <message>
        <source>16進カラーリスト(*.hex *.txt)</source>
        <translation>Hex colour list (*.hex *.txt)</translation>
    </message>
    <message>
        <source>Tintloomパレット(*.tlp)</source>
        <translation>Tintloom palette (*.tlp)</translation>
    </message>
    <message>
        <source>すべてのファイル(*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>スウォッチを追加(&amp;A)</source>
        <translation>&amp;Add Swatch</translation>
    </message>
    <message>
        <source>削除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>パレットを読み込む(&amp;I)...</source>
        <translation>&amp;Import Palette...</translation>
    </message>
    <message>
        <source>色を取り出す画像</source>
        <translation>Picture to Take Colours From</translation>
    </message>
    <message>
        <source>画像から色を取り出す(&amp;E)...</source>
        <translation>Colours from a Pictur&amp;e...</translation>
    </message>
    <message>
        <source>画像(*.png *.jpg *.jpeg *.bmp *.webp *.psd)</source>
        <translation>Pictures (*.png *.jpg *.jpeg *.bmp *.webp *.psd)</translation>
    </message>
    <message>
        <source>スウォッチウィンドウを閉じる（表示メニューでまた開けます）</source>
        <translation>Close the swatch window (the View menu opens it again)</translation>
    </message>
    <message>
        <source>スウォッチ: 保存した色の組。
クリック: 空きのマスには選択中の色を加え、スウォッチは選択中の色に読み込む
右クリック: 追加・削除・パレットの読み込みのメニュー&#x3000;Alt+クリック: スウォッチを削除
パレットファイルのドロップでも読み込める</source>
        <translation>Swatches: kept sets of colours.
Click: on an empty cell, keep the selected colour; on a swatch, load it into the selected colour
Right-click: menu to add, delete, import a palette   Alt+click: delete a swatch
Dropping a palette file imports it too</translation>
    </message>
    <message>
        <source>空きのマス: クリックで選択中の色を加える</source>
        <translation>Empty cell: click to keep the selected colour here</translation>
    </message>
    <message>
        <source>スウォッチ %1 ベース %2（ハイライト %3、影 %4、深い影 %5）</source>
        <translation>Swatch %1 base %2 (highlight %3, shadow %4, deep shadow %5)</translation>
    </message>
    <message>
        <source>スウォッチをスクロールする（ホイール、Page Up、Page Down、Home、End でも）</source>
        <translation>Scroll the swatches (the mouse wheel, Page Up, Page Down, Home and End too)</translation>
    </message>
    <message>
        <source>スウォッチのスクロール</source>
        <translation>Swatch scrolling</translation>
    </message>
</context>
<context>
    <name>tintloom::TToolForm</name>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
</TS>
