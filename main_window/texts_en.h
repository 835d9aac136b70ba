// The window's texts in English: every Japanese text the menus, the settings dialog, the
// tooltips, the status bar, the messages, the file dialogs, the caption and the About box show,
// looked up by its Japanese (see core/common/language.h). Registered once at start-up.
#pragma once
#include <cstddef>

#include "core/common/language.h"

extern const TextPair windowTexts[];
extern const size_t windowTextCount;
