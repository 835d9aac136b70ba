#include "document/text_file.h"

#include <string>

#include "core/files/file_save.h"

std::string dialog_folder(const char *path, size_t fileOffset) {
    std::string folder(path);
    if (fileOffset == 0 || fileOffset > folder.size())
        return std::string();
    folder.resize(fileOffset);
    char last = folder.back();
    bool driveRoot = folder.size() == 3 && folder[1] == ':';
    if ((last == '\\' || last == '/') && folder.size() > 1 && !driveRoot)
        folder.pop_back();
    return folder;
}

UnsavedStep unsaved_text_step(bool edited, UnsavedAnswer answer, UnsavedSave save) {
    if (!edited)
        return UnsavedStep::proceed;
    switch (answer) {
    case UnsavedAnswer::none:
        return UnsavedStep::ask;
    case UnsavedAnswer::no:
        return UnsavedStep::proceed;
    case UnsavedAnswer::yes:
        // A cancelled dialog, a declined UTF-8 question or a failed write keeps the text.
        if (save == UnsavedSave::notTried)
            return UnsavedStep::save;
        return save == UnsavedSave::written ? UnsavedStep::proceed : UnsavedStep::stop;
    case UnsavedAnswer::cancel:
    default:
        return UnsavedStep::stop;
    }
}

std::string unsaved_text_question(const char *pattern, const char *name) {
    std::string text(pattern);
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, name);
    return text;
}

const char *unsaved_text_name(bool hasName, const char *path, const char *untitled) {
    return hasName && path[0] != '\0' ? path + path_folder_length(path) : untitled;
}
