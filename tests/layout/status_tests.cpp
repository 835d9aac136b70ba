#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "resources/resource.h"
#include "window/document_state.h"

static std::string joined(const std::string (&texts)[statusParts]) {
    std::string all;
    for (const std::string &t : texts)
        all += "[" + t + "]";
    return all;
}

struct StatusCase {
    const char *name;
    int32_t mojisu, hiritu, meido, bmpW, bmpH, rows;
    const char *help;
    const char *expected[statusParts];
    Look look = Look::standard;
    Target target = Target::window;
    int32_t previewHeight = 0;
};

static const StatusCase statusCases[] = {
    {"start-up defaults",
     100,
     50,
     50,
     0,
     0,
     0,
     nullptr,
     {"", "B：0.0", "T：100.0 (0bytes)", "比：50", "明：50"}},
    {"400 x 300 in stretch mode",
     100,
     50,
     50,
     400,
     300,
     37,
     nullptr,
     {"", "B：400.300", "T：100.37 (3774bytes)", "比：50", "明：50"}},
    {"original mode 200 x 150",
     200,
     50,
     50,
     200,
     150,
     150,
     "",
     {"", "B：200.150", "T：200.150 (30300bytes)", "比：50", "明：50"}},
    {"menu help in part 0",
     100,
     75,
     30,
     0,
     0,
     0,
     "現在のテキストファイルを保存します。",
     {"現在のテキストファイルを保存します。", "B：0.0", "T：100.0 (0bytes)", "比：75", "明：30"}},
    {"negative values from the settings file",
     -30,
     -1,
     120,
     0,
     0,
     0,
     nullptr,
     {"", "B：0.0", "T：-30.0 (0bytes)", "比：-1", "明：120"}},
    // The byte count is a plain decimal number even past 32 bits.
    {"byte count beyond 32 bits",
     INT32_MAX,
     50,
     50,
     1,
     1,
     INT32_MAX,
     nullptr,
     {"", "B：1.1", "T：2147483647.2147483647 (4611686018427387903bytes)", "比：50", "明：50"}},
    // A board's lines are 18 pixels of the preview drawn 8 pixels a column: 90 rows, 40 lines.
    {"a board's lines",
     100,
     50,
     50,
     400,
     300,
     45,
     nullptr,
     {"", "B：400.300", "T：100.40 (4080bytes)", "比：50", "明：50"},
     Look::trace,
     Target::board,
     90},
    {"the standard look in the board's font keeps its rows",
     100,
     50,
     50,
     400,
     300,
     45,
     nullptr,
     {"", "B：400.300", "T：100.45 (4590bytes)", "比：50", "明：50"},
     Look::standard,
     Target::board,
     90},
};

TEST(StatusTexts, FiveTextsFromTheCurrentValues) {
    for (const StatusCase &c : statusCases) {
        settings_defaults(settings);
        settings.Mojisu = c.mojisu;
        settings.Hiritu = c.hiritu;
        settings.Meido = c.meido;
        bmpWidth = c.bmpW;
        bmpHeight = c.bmpH;
        mapRows = c.rows;
        lookSettings.look = c.look;
        lookSettings.target = c.target;
        previewHeight = c.previewHeight;
        std::string texts[statusParts];
        status_texts_build(c.help, texts);
        std::string expected[statusParts];
        for (int i = 0; i < statusParts; ++i)
            expected[i] = c.expected[i];
        EXPECT_EQ(joined(texts), joined(expected)) << c.name;
    }
    settings_defaults(settings);
    map_geometry_clear(conversion);
    lookSettings = LookSettings{};
}

TEST(StatusPartEdges, HalfForHelpThenElevenFifteenSevenFortieths) {
    struct {
        int32_t width;
        int32_t edges[statusParts];
    } const cases[] = {
        {800, {400, 510, 660, 730, -1}}, {801, {400, 510, 660, 730, -1}},
        {100, {50, 63, 82, 91, -1}},     {1, {0, 0, 0, 0, -1}},
        {0, {0, 0, 0, 0, -1}},           {1280, {640, 816, 1056, 1168, -1}},
    };
    for (const auto &c : cases) {
        int32_t edges[statusParts];
        status_part_edges(c.width, edges);
        for (int i = 0; i < statusParts; ++i)
            EXPECT_EQ(edges[i], c.edges[i]) << "width " << c.width << " part " << i;
    }
}

TEST(MenuHelp, TextsByCommandAndNoneElsewhere) {
    struct {
        int id;
        const char *text; // nullptr: no help
    } const cases[] = {
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
        // Placement items, unused ids, popup positions and the menu closing: nothing.
        {IDM_VERTICAL, nullptr},
        {IDM_HORIZONTAL, nullptr},
        {IDM_IMAGEPANE, nullptr},
        {IDM_NARROWER, nullptr},
        {IDM_WIDER, nullptr},
        {207, nullptr},
        {208, nullptr},
        {209, nullptr},
        {0, nullptr},
        {2, nullptr},
        {200, nullptr},
        {227, nullptr},
        {100, nullptr},
        {-1, nullptr},
    };
    for (const auto &c : cases) {
        const char *text = menu_help_text(c.id);
        if (c.text == nullptr)
            EXPECT_EQ(text, nullptr) << "id " << c.id;
        else
            EXPECT_STREQ(text, c.text) << "id " << c.id;
    }
}

TEST(ToolbarTooltip, StringIdsOfTheElevenButtons) {
    struct {
        int id, stringId;
    } const cases[] = {
        {IDM_CLEAR, 500},
        {IDM_OPEN, 501},
        {IDM_SAVEAS, 502},
        {IDM_CUT, 503},
        {IDM_COPY, 504},
        {IDM_PASTE, 505},
        {IDM_UNDO, 506},
        {IDM_FONT, 507},
        {IDM_NARROWER, 508},
        {IDM_WIDER, 509},
        {IDM_CONVERT, 510},
        // Commands without a button and ids outside the commands: no tooltip.
        {IDM_SAVE, 0},
        {IDM_EXIT, 0},
        {207, 0},
        {208, 0},
        {209, 0},
        {IDM_HELP, 0},
        {IDM_ABOUT, 0},
        {IDM_SELECTALL, 0},
        {IDM_DELETE, 0},
        {IDM_STATUSBAR, 0},
        {IDM_TOOLBAR, 0},
        {IDM_SETTINGS, 0},
        {IDM_VERTICAL, 0},
        {IDM_HORIZONTAL, 0},
        {IDM_IMAGEPANE, 0},
        {200, 0},
        {227, 0},
        {0, 0},
        {100, 0},
        {300, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(toolbar_tooltip_string(c.id), c.stringId) << "id " << c.id;
}
