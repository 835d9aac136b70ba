// Drives modal windows (message boxes, common dialogs, the program's own dialogs) from inside the
// test process, so that a test that opens one never waits for a person.
//
// A test queues one action per dialog it expects, in the order they will appear, then runs the
// command that opens them. While the command's modal loop runs, a thread timer finds each new
// dialog of the thread, records what it shows and hands it to the next queued action. A dialog
// that nobody expected is recorded and cancelled, so the test fails instead of hanging.
//
//     modal_driver_begin();
//     modal_expect(modal_press(IDOK));
//     SendMessageA(mainWindow, WM_COMMAND, IDM_WIDER, 0);
//     std::vector<ModalDialog> seen = modal_driver_end();
//     ASSERT_EQ(seen.size(), 1u);
//     EXPECT_EQ(seen[0].text, "これ以上大きくできません。");
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum class ModalIcon { none, warning, error, information, question, other };

struct ModalDialog {
    HWND window = nullptr; // valid only while the action runs
    std::string className; // "#32770" for dialogs and message boxes
    std::string title;     // caption, UTF-8
    std::string text;      // a message box's text (every static text otherwise, joined by "\n")
    ModalIcon icon = ModalIcon::none;
    bool expected = true; // false: nobody queued an action; the driver cancelled it
};

// Runs on the UI thread inside the dialog's modal loop. It may read and change the dialog's
// controls; to close the dialog it should post (not send) a click, as modal_press does.
using ModalAction = std::function<void(const ModalDialog &dialog)>;

// Starts watching (clears the queue and the record). Polls every intervalMs milliseconds.
void modal_driver_begin(UINT intervalMs = 50);

// Queues the action for the next dialog that appears.
void modal_expect(ModalAction action);

// Stops watching and returns every dialog seen since begin, in order of appearance. Actions
// still queued were never used: see modal_pending before calling this if that matters.
std::vector<ModalDialog> modal_driver_end();

// Number of queued actions not used yet.
size_t modal_pending();

// Ready-made actions.
ModalAction modal_press(int controlId); // posts a click on the control
ModalAction modal_set_text_and_press(int editId, std::string text, int controlId);
ModalAction modal_then(ModalAction first, ModalAction second); // both, in order

// Pumps this thread's messages for about ms milliseconds (timers, posted clicks, paints).
void messages_pump(DWORD ms);
