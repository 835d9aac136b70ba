// File ▸ 画像として保存: the editor's text as a PNG in the editor's font and as an HTML page,
// through the real dialog and the same overwrite question as text.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/output/text_image.h"
#include "core/reading/picture.h"
#include "document/editor.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"

namespace {

class SaveImage : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NE(app_start(), nullptr);
        out = startDir + "\\images";
        CreateDirectoryA(out.c_str(), nullptr);
    }
    std::string out;
};

} // namespace

TEST_F(SaveImage, PngInTheEditorsFontAndHtmlNamingIt) {
    SetWindowTextA(editorPane, "$#.\r\n ,<\r\n");
    // The editor's cell: the advance of 'M' by the line height, as the editor draws them.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, editorFont);
    SIZE m{};
    TEXTMETRICA metrics{};
    GetTextExtentPoint32W(dc, L"M", 1, &m);
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteDC(dc);

    struct Case {
        const char *typed, *written;
    } const cases[] = {
        {"picture", "picture.png"}, // the first filter's kind
        {"Shot.PNG", "Shot.PNG"},
        {"page.html", "page.html"},
    };
    for (const Case &c : cases) {
        FileDialogView view;
        std::vector<ModalDialog> seen = command_run(
            IDM_SAVEIMAGE,
            {modal_then(file_dialog_look(&view), file_dialog_answer(out + "\\" + c.typed))});
        ASSERT_EQ(seen.size(), 1u) << c.typed << "\n" << dialogs_describe(seen);
        EXPECT_EQ(seen[0].title, "画像として保存");
        EXPECT_EQ(view.filters,
                  (std::vector<std::string>{"PNG 画像(*.png)", "HTML ファイル(*.html)"}));
        const std::string bytes = file_read(out + "\\" + c.written);
        if (std::string(c.written).find(".html") != std::string::npos) {
            EXPECT_NE(bytes.find("font-family: \"\xef\xbc\xad\xef\xbc\xb3 \xe3\x82\xb4\xe3\x82\xb7"
                                 "\xe3\x83\x83\xe3\x82\xaf\", monospace;"), // ＭＳ ゴシック, UTF-8
                      std::string::npos)
                << bytes;
            EXPECT_NE(bytes.find("<pre>\n$#.\n ,&lt;\n</pre>"), std::string::npos) << bytes;
            continue;
        }
        const PictureProbe probe =
            picture_probe(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        ASSERT_EQ(probe.format, PictureFormat::png) << c.written;
        EXPECT_EQ(probe.width, 3 * m.cx + 32) << c.written;
        EXPECT_EQ(probe.height, 2 * metrics.tmHeight + 32) << c.written;
    }

    // A character CP932 cannot hold keeps its place: its own in the page, two cells in the image.
    text_set(editorPane, "$사é\r\n");
    for (const char *name : {"korean.html", "korean.png"}) {
        std::vector<ModalDialog> seen =
            command_run(IDM_SAVEIMAGE, {file_dialog_answer(out + "\\" + name)});
        ASSERT_EQ(seen.size(), 1u) << name << "\n" << dialogs_describe(seen);
    }
    EXPECT_NE(file_read(out + "\\korean.html").find("<pre>\n$사é\n</pre>"), std::string::npos)
        << file_read(out + "\\korean.html");
    const std::string png = file_read(out + "\\korean.png");
    const PictureProbe probe =
        picture_probe(reinterpret_cast<const uint8_t *>(png.data()), png.size());
    ASSERT_EQ(probe.format, PictureFormat::png);
    EXPECT_EQ(probe.width, 4 * m.cx + 32);

    // The text's overwrite question, and the file kept on No.
    const std::string path = out + "\\picture.png";
    const std::string before = file_read(path);
    SetWindowTextA(editorPane, "$$$$$$$$");
    for (const int answer : {IDNO, IDYES}) {
        std::vector<ModalDialog> seen =
            command_run(IDM_SAVEIMAGE, {file_dialog_answer(path), modal_press(answer)});
        ASSERT_EQ(seen.size(), 2u) << dialogs_describe(seen);
        EXPECT_EQ(seen[1].text, path + "ファイルは既に存在します。\n上書きしますか?");
        EXPECT_EQ(seen[1].icon, ModalIcon::warning);
        EXPECT_EQ(file_read(path) == before, answer == IDNO);
    }

    // 掲示板 saves what the board shows: the text laid out proportionally in its font on
    // 18-pixel lines, as vkd draws it, and a page naming that font. Back on ウィンドウ the
    // editor's cells again, byte for byte.
    const std::string board = "／|.\r\n\u3000ー\r\n";
    text_set(editorPane, board);
    command_run(IDM_SAVEIMAGE, {file_dialog_answer(out + "\\window.png")});
    command_run(IDM_TARGET_BOARD);
    for (const char *name : {"board.png", "board.html"})
        command_run(IDM_SAVEIMAGE, {file_dialog_answer(out + "\\" + name)});
    command_run(IDM_TARGET_WINDOW);
    command_run(IDM_SAVEIMAGE, {file_dialog_answer(out + "\\window-again.png")});
    TextImageFont font;
    std::string drawn, reason;
    ASSERT_TRUE(text_image_font_board(nullptr, font, reason) &&
                text_image_png_board(board, font, drawn, reason))
        << reason;
    EXPECT_TRUE(file_read(out + "\\board.png") == drawn);
    EXPECT_NE(file_read(out + "\\board.html").find("font-family: \"MS PGothic\""),
              std::string::npos);
    ASSERT_NE(file_read(out + "\\window.png"), "<missing>");
    EXPECT_TRUE(file_read(out + "\\window-again.png") == file_read(out + "\\window.png"));
}
