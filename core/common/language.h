// The language the program speaks: Japanese as it always has, English for everyone else.
// Every visible text is written in the code in Japanese (UTF-8) and passes through
// language_text() on its way out, so Japanese stays byte for byte what it was. The language is
// always passed: the window keeps its choice (document/document_state.h), each vkd run its own.
#pragma once
#include <cstddef>
#include <string>

enum class Language { japanese, english };

struct TextPair {
    const char *japanese; // UTF-8, exactly as shown in Japanese
    const char *english;
};

// A Japanese text's English when language is english and a table holds it; otherwise the text
// itself (a text without English shows in Japanese rather than not at all).
const char *language_text(Language language, const char *japanese);

// Adds a table the lookups search (the window registers its own texts at start-up); the core's
// own texts (refusals, vkd's messages) are always searched. The table must outlive the process,
// and tables are added only at start-up, before any thread looks a text up.
void language_add_texts(const TextPair *texts, size_t count);

// vkd's rule: Japanese when the first of LC_ALL, LC_MESSAGES, LANG that is set and not empty
// names a Japanese locale ("ja", "ja_JP.UTF-8", ...); English otherwise. Null means unset.
Language language_from_locale(const char *lcAll, const char *lcMessages, const char *lang);

// The window's rule: the settings file's value "ja" or "en" (in any case) chooses; anything else
// (empty, "auto", a typing error) follows the user's interface language, a Windows language id:
// Japanese when its primary language (the low 10 bits) is 0x11, English otherwise.
Language language_choose(const std::string &iniValue, unsigned short userUiLanguageId);

// The core's and vkd's texts with their English (core/common/language_texts.cpp).
extern const TextPair coreTexts[];
extern const size_t coreTextCount;
