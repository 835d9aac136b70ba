#include <gtest/gtest.h>

#include <string>

#include "core/common/language.h"
#include "window/document_state.h"

namespace {

struct ChooseCase {
    const char *iniValue;
    unsigned short languageId;
    Language want;
};

// The settings file's value first, in any case; otherwise the primary language of the id alone.
TEST(Language, ChosenByTheSettingsFileThenByTheUsersLanguage) {
    const ChooseCase cases[] = {
        {"ja", 0x0409, Language::japanese}, // en-US user, Japanese asked for
        {"en", 0x0411, Language::english},  // ja-JP user, English asked for
        {"JA", 0x0809, Language::japanese},
        {"En", 0x0411, Language::english},
        {"", 0x0411, Language::japanese},
        {"", 0x0409, Language::english},
        {"auto", 0x0411, Language::japanese},
        {"auto", 0x0407, Language::english},
        {"jp", 0x0409, Language::english}, // not a code: the user's language decides
        {"ja ", 0x0409, Language::english},
        {"", 0x0011, Language::japanese}, // Japanese, no region
        {"", 0x4011, Language::japanese}, // only the low 10 bits are the primary language
        {"", 0x0111, Language::english},
        {"", 0x0412, Language::english}, // Korean
        {"", 0x0000, Language::english},
    };
    for (const ChooseCase &c : cases)
        EXPECT_EQ(language_choose(c.iniValue, c.languageId), c.want)
            << "\"" << c.iniValue << "\" 0x" << std::hex << c.languageId;
}

struct LocaleCase {
    const char *lcAll, *lcMessages, *lang;
    Language want;
};

// The first of LC_ALL, LC_MESSAGES, LANG that is set and not empty decides.
TEST(Language, FromTheLocaleItsFirstSetVariableDecides) {
    const LocaleCase cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", Language::japanese},
        {"", "", "ja_JP.UTF-8", Language::japanese},
        {"C", nullptr, "ja_JP.UTF-8", Language::english},
        {nullptr, "ja", "en_US.UTF-8", Language::japanese},
        {"ja.UTF-8", "C", "C", Language::japanese},
        {nullptr, nullptr, "japanese", Language::english},
        {nullptr, nullptr, "jam", Language::english},
        {nullptr, nullptr, nullptr, Language::english},
        {"", "", "", Language::english},
    };
    for (const LocaleCase &c : cases)
        EXPECT_EQ(language_from_locale(c.lcAll, c.lcMessages, c.lang), c.want)
            << (c.lcAll ? c.lcAll : "(unset)") << " / " << (c.lcMessages ? c.lcMessages : "(unset)")
            << " / " << (c.lang ? c.lang : "(unset)");
}

// English from any registered table; a text without English, and every text in Japanese, is
// the very text it was given.
TEST(Language, TextsFallBackToTheirJapanese) {
    static const TextPair added[] = {{"テスト用の文", "A test sentence"}};
    language_add_texts(added, 1);
    const char *coreText = coreTexts[0].japanese;
    const char *unknown = "どの表にもない文";
    const char *added0 = "テスト用の文";

    uiLanguage = Language::english;
    EXPECT_STREQ(language_text(coreText), coreTexts[0].english);
    EXPECT_STREQ(language_text(added0), "A test sentence");
    EXPECT_EQ(language_text(unknown), unknown);
    EXPECT_EQ(language_text(nullptr), nullptr);

    uiLanguage = Language::japanese;
    EXPECT_EQ(language_text(coreText), coreText);
    EXPECT_EQ(language_text(added0), added0);
}

} // namespace
