#include "window/window.h"

#include <cstring>

#include "core/common/language.h"
#include "window/wide.h"
#include "window/document_state.h"

std::string doc_title_shown() {
    // A picture's own name is shown as it is, whatever it means in Japanese.
    for (const char *own : {untitledName, "クリップボード"})
        if (std::strcmp(docTitle, own) == 0)
            return language_text(own);
    return docTitle;
}

void caption_update() {
    SetWindowTextW(mainWindow, wide_of(doc_title_shown() + " - " + appName).c_str());
}

int message_show(const Message &message) {
    UINT icon = message.icon == MessageIcon::error ? MB_ICONERROR : MB_ICONWARNING;
    return MessageBoxW(mainWindow, wide_text(message.text.c_str()).c_str(),
                       wide_of(appName).c_str(), MB_OK | icon);
}
