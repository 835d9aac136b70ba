// What Help would open, and how the Font command sets up the font dialog.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/conversion/settings.h"
#include "document/editor.h"
#include "main_window/commands.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/wide.h"
#include "window/document_state.h"

namespace {

// One call of the shell, as Help made it, with the folder current at that moment.
struct ShellCall {
    HWND owner = nullptr;
    std::string verb, file, directory, currentDir;
    bool parameters = false, directoryGiven = false;
    int show = -1;
    bool fileFound = false; // the file name resolves to an existing file
};
std::vector<ShellCall> shellCalls;

std::string or_empty(LPCWSTR s) {
    return utf8_of(s);
}

HINSTANCE WINAPI shell_record(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                              LPCWSTR directory, INT show) {
    ShellCall call;
    call.owner = owner;
    call.verb = or_empty(verb);
    call.file = or_empty(file);
    call.parameters = parameters != nullptr;
    call.directoryGiven = directory != nullptr;
    call.directory = or_empty(directory);
    call.show = show;
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    call.currentDir = dir;
    call.fileFound = file != nullptr && GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES;
    shellCalls.push_back(call);
    return reinterpret_cast<HINSTANCE>(42); // what the shell returns on success
}

// The font dialog's record as the Font command filled it, then the real dialog.
CHOOSEFONTW fontRecord;
LOGFONTW fontStart;
int fontCalls;

BOOL WINAPI font_record(LPCHOOSEFONTW choice) {
    fontRecord = *choice;
    if (choice->lpLogFont != nullptr)
        fontStart = *choice->lpLogFont;
    ++fontCalls;
    return ChooseFontW(choice);
}

// Puts a seam back however the test ends.
template <typename F> struct Swap {
    F &seam;
    F saved;
    Swap(F &seam, F replacement) : seam(seam), saved(seam) { seam = replacement; }
    ~Swap() { seam = saved; }
};

std::string combo_text(HWND dialog, int id) {
    wchar_t text[128] = L"";
    GetDlgItemTextW(dialog, id, text, 128);
    return utf8_of(text);
}

using HelpAndFont = WindowTest;

} // namespace

// With index.html beside the settings file, Help hands exactly that name to the shell's "open",
// from the start-up directory, whatever folder the file dialogs left current.
TEST_F(HelpAndFont, HelpOpensIndexHtmlFromTheStartUpDirectory) {
    ASSERT_NE(app_start(), nullptr);
    file_write(startDir + "\\index.html", "<html></html>");
    CreateDirectoryA((startDir + "\\pics").c_str(), nullptr);
    file_write(startDir + "\\pics\\index.html", "<html>elsewhere</html>");
    Swap<decltype(helpShellExecute)> seam(helpShellExecute, shell_record);
    shellCalls.clear();
    for (const char *current : {"\\pics", ""}) {
        ASSERT_TRUE(SetCurrentDirectoryA((startDir + current).c_str()));
        std::vector<ModalDialog> seen = command_run(IDM_HELP);
        EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    }
    ASSERT_EQ(shellCalls.size(), 2u);
    for (const ShellCall &call : shellCalls) {
        EXPECT_EQ(call.owner, mainWindow);
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, "index.html");
        EXPECT_FALSE(call.parameters);
        EXPECT_FALSE(call.directoryGiven) << call.directory;
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
        EXPECT_EQ(call.currentDir, startDir);
        EXPECT_TRUE(call.fileFound);
    }
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    EXPECT_EQ(std::string(dir), startDir);
}

// The dialog offers screen fonts of 8 to 16 points, starts on the editor's font, and has no
// effects; owned by the editor pane.
TEST_F(HelpAndFont, FontDialogLimitsAndStart) {
    ASSERT_NE(app_start(), nullptr);
    Swap<decltype(fontDialogChoose)> seam(fontDialogChoose, font_record);
    fontCalls = 0;
    std::vector<std::string> sizes;
    std::string face, size;
    bool effectsShown = true;
    std::vector<ModalDialog> seen =
        command_run(IDM_FONT, {[&](const ModalDialog &d) {
                        HWND list = GetDlgItem(d.window, cmb3);
                        const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
                        for (int i = 0; i < count; ++i) {
                            char text[32] = "";
                            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                            sizes.push_back(text);
                        }
                        face = combo_text(d.window, cmb1);
                        size = combo_text(d.window, cmb3);
                        effectsShown = false;
                        for (int id : {chx1, chx2, cmb4, grp1})
                            effectsShown =
                                effectsShown || IsWindowVisible(GetDlgItem(d.window, id));
                        modal_press(IDCANCEL)(d);
                    }});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    ASSERT_EQ(fontCalls, 1);

    EXPECT_EQ(fontRecord.lStructSize, sizeof(CHOOSEFONTW));
    EXPECT_EQ(fontRecord.hwndOwner, editorPane);
    EXPECT_EQ(fontRecord.Flags,
              static_cast<DWORD>(CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE));
    EXPECT_EQ(fontRecord.nSizeMin, 8);
    EXPECT_EQ(fontRecord.nSizeMax, 16);
    EXPECT_EQ(fontRecord.rgbColors, 0u);
    EXPECT_EQ(fontRecord.nFontType, SCREEN_FONTTYPE);
    EXPECT_EQ(fontRecord.lpfnHook, nullptr);
    EXPECT_EQ(fontRecord.lpTemplateName, nullptr);
    EXPECT_EQ(fontRecord.lpszStyle, nullptr);
    EXPECT_EQ(fontRecord.hDC, nullptr);
    EXPECT_EQ(utf8_of(fontStart.lfFaceName), "ＭＳ ゴシック");
    EXPECT_EQ(fontStart.lfHeight, -15);

    // What the real dialog made of it (at 96 dpi, 15 pixels are 11 points).
    EXPECT_EQ(sizes, (std::vector<std::string>{"8", "9", "10", "11", "12", "14", "16"}));
    EXPECT_EQ(face, "ＭＳ ゴシック");
    EXPECT_EQ(size, "11");
    EXPECT_FALSE(effectsShown);
    EXPECT_EQ(settings.Height, 0); // cancelled
}
