#include "core/common/language.h"

// The core's refusals and vkd's own messages in English, looked up by their Japanese text. A
// message put together with numbers (the original-mode size refusal) is looked up a piece at a
// time where it is put together.
const TextPair coreTexts[] = {
    {"この形式は現在サポートされていません。", "This format is not supported."},
    {"ファイルのオープンに失敗しました。", "The file could not be opened."},
    {"ファイルの作成に失敗しました", "The file could not be created."},
    {"[ストレッチモード]\nロードするビットマップが大きすぎます。\n"
     "2048×1536ピクセル以内のビットマップを使ってください。",
     "[Stretch mode]\nThe bitmap is too large to load.\n"
     "Use a bitmap of at most 2048×1536 pixels."},
    {"[オリジナルモード]\nロードするビットマップが大きすぎます。",
     "[Original mode]\nThe bitmap is too large to load. Use a bitmap of at most "},
    {"サイズ以内のビットマップを使ってください。\n", " pixels.\n"},
    {"また縦と横をかけて", "Its width times its height must also be at most "},
    {"以内でなくてはいけません。", "."},
    {"オリジナルモードではこのビットマップはキャンバスに収まりません。\n"
     "ストレッチモードに切り替えてください。",
     "In original mode this bitmap does not fit the canvas.\nSwitch to stretch mode."},
    {"ヴェルコランのサイズが大きすぎて変換できません。\n比率か横幅を変更して下さい。",
     "The text picture is too large to convert.\nChange the ratio or the width."},
    {"変換に失敗しました。", "The conversion failed."},
    {"サイズを修正しました。", "The size has been adjusted to fit."},
    // A picture's own budgets (core/reading/load.cpp), each worded as what it is.
    {"画像のピクセルが多すぎて読み込めません。", "The picture has too many pixels to load."},
    {"画像が大きすぎて、読み込む間まとめて保持できません。",
     "The picture is too large to be held whole while it is read."},
    {"画像ファイルの部分 (チャンク、スキャン、拡張) が多すぎて読み込めません。",
     "The picture file has too many parts (chunks, scans or extensions) to load."},
    {"画像の縦横の比が極端すぎて読み込めません。", "The picture is too long and thin to load."},
    {"ファイルが大きすぎて読み込めません (64 MiB まで)。",
     "The file is too large to load (at most 64 MiB)."},
    // Pictures whose codec the system lacks (WebP, HEIC, AVIF): what to install.
    {"WebP 画像を開くには、Microsoft Store から「WebP 画像拡張機能」をインストールしてください。",
     "To open WebP pictures, install the \"Webp Image Extensions\" from the Microsoft Store."},
    {"HEIC 画像を開くには、Microsoft Store から「HEIF 画像拡張機能」と「HEVC ビデオ拡張機能」を"
     "インストールしてください。",
     "To open HEIC pictures, install the \"HEIF Image Extensions\" and the \"HEVC Video "
     "Extensions\" from the Microsoft Store."},
    {"AVIF 画像を開くには、Microsoft Store から「AV1 Video Extension」をインストールしてください。",
     "To open AVIF pictures, install the \"AV1 Video Extension\" from the Microsoft Store."},
    // vkd.exe's reasons when it cannot make an image (platform/text_image_windows.cpp).
    {"文字が多すぎて画像にできません。", "The text is too large to be made into an image."},
    {"画像の作成に失敗しました。", "The image could not be made."},
    {"フォントファイルは指定できません。", "A font file cannot be named here."},
};
const size_t coreTextCount = sizeof coreTexts / sizeof coreTexts[0];
