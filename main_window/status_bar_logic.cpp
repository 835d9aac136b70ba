#include "main_window/status_bar.h"

#include <cstdint>
#include <string>

#include "core/conversion/convert.h"
#include "core/conversion/geometry.h"
#include "core/common/language.h"
#include "core/conversion/settings.h"
#include "resources/resource.h"
#include "window/document_state.h"

static const char *const labels[statusParts] = {"", "B：", "T：", "比：", "明："};

void status_texts_build(const char *help, std::string (&texts)[statusParts]) {
    for (int i = 0; i < statusParts; ++i)
        texts[i] = language_text(labels[i]);
    // In 64 bits: Mojisu and mapRows can be anything a hand-edited settings file gives. A
    // board's lines are its own (its bytes, known once laid out, are counted as a full line's).
    const int32_t lines = text_line_count(conversion, lookSettings);
    const int64_t bytes = (int64_t{settings.Mojisu} + 2) * lines;
    texts[1] += std::to_string(bmpWidth) + "." + std::to_string(bmpHeight);
    texts[2] += std::to_string(settings.Mojisu) + "." + std::to_string(lines) + " (" +
                std::to_string(bytes) + "bytes)";
    texts[3] += std::to_string(settings.Hiritu);
    texts[4] += std::to_string(settings.Meido);
    if (help != nullptr)
        texts[0] += language_text(help);
}

void status_part_edges(int32_t barWidth, int32_t (&edges)[statusParts]) {
    const int64_t half = barWidth / 2;
    edges[0] = static_cast<int32_t>(half);
    edges[1] = static_cast<int32_t>(half + half * 11 / 40);
    edges[2] = static_cast<int32_t>(half + half * 26 / 40);
    edges[3] = static_cast<int32_t>(half + half * 33 / 40);
    edges[4] = -1;
}

struct MenuHelp {
    int id;
    const char *text;
};

static const MenuHelp menuHelp[] = {
    {IDM_CLEAR, "画面をクリアします。"},
    {IDM_OPEN, "即在のビットマップファイルを開きます。"},
    {IDM_OPENCLIPBOARD, "クリップボードの画像を開きます。"},
    {IDM_SAVE, "現在のテキストファイルを保存します。"},
    {IDM_SAVEAS, "現在のテキストファイルを新しい名前で保存します。"},
    {IDM_EXIT, "Velkoranditeを終了します。"},
    {IDM_UNDO, "直前に行った操作を取り消します。"},
    {IDM_HELP, "ヘルプ トピックを表示します。"},
    {IDM_ABOUT, "プログラム情報、バージョン、著作権を表示します。"},
    {IDM_CONVERT, "ビットマップをヴェルコランに変換します。"},
    {IDM_CUT, "選択範囲を切り取ってクリップボードに移動します。"},
    {IDM_COPY, "選択範囲をクリップボードにコピーします。"},
    {IDM_FONT, "フォントを選択します。"},
    {IDM_PASTE, "クリップボードの内容を挿入れます。"},
    {IDM_SELECTALL, "すべての範囲を選択します。"},
    {IDM_DELETE, "選択範囲を削除します。"},
    {IDM_STATUSBAR, "ステータスバーの表示／非表示を切り替えます。"},
    {IDM_TOOLBAR, "ツールバーの表示／非表示を切り替えます。"},
    {IDM_SETTINGS, "各種項目を設定します。"},
};

const char *menu_help_text(int commandId) {
    for (const MenuHelp &entry : menuHelp)
        if (entry.id == commandId)
            return entry.text;
    return nullptr;
}
