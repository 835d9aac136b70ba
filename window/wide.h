// The window layer's one way between the UTF-8 strings in memory and the UTF-16 of the wide
// (...W) functions (platform/wide.h); and a visible text in the interface's language,
// ready for them.
#pragma once
#include "core/common/language.h"
#include "platform/wide.h"
#include "window/document_state.h"

// A text the user sees, written in Japanese: its English when the interface speaks English.
inline std::wstring wide_text(const char *japanese) {
    return wide_of(language_text(japanese));
}
