#include "document/text_file.h"

#include <string>

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
