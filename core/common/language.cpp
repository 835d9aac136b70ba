#include "core/common/language.h"
#include <cctype>
#include <cstring>
#include <vector>

namespace {
struct Table {
    const TextPair *texts;
    size_t count;
};

std::vector<Table> &tables() {
    static std::vector<Table> list{{coreTexts, coreTextCount}};
    return list;
}
} // namespace

const char *language_text(Language language, const char *japanese) {
    if (language == Language::japanese || japanese == nullptr)
        return japanese;
    for (const Table &table : tables())
        for (size_t i = 0; i < table.count; ++i)
            if (std::strcmp(table.texts[i].japanese, japanese) == 0)
                return table.texts[i].english;
    return japanese;
}

void language_add_texts(const TextPair *texts, size_t count) { tables().push_back({texts, count}); }

Language language_from_locale(const char *lcAll, const char *lcMessages, const char *lang) {
    for (const char *value : {lcAll, lcMessages, lang})
        if (value != nullptr && *value != '\0')
            return std::strncmp(value, "ja", 2) == 0 && (value[2] == '\0' || value[2] == '_' || value[2] == '.')
                       ? Language::japanese
                       : Language::english;
    return Language::english;
}

// A two-letter code in any case.
static bool code_is(const std::string &value, const char *code) {
    return value.size() == 2 && std::tolower(static_cast<unsigned char>(value[0])) == code[0] &&
           std::tolower(static_cast<unsigned char>(value[1])) == code[1];
}

Language language_choose(const std::string &iniValue, unsigned short userUiLanguageId) {
    if (code_is(iniValue, "ja"))
        return Language::japanese;
    if (code_is(iniValue, "en"))
        return Language::english;
    constexpr unsigned short japanesePrimary = 0x11;
    return (userUiLanguageId & 0x3FF) == japanesePrimary ? Language::japanese : Language::english;
}
