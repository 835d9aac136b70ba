// Drops from Explorer, browsers and other programs: an OLE drop target on the main window that
// opens what is dropped through the one loading path.
#pragma once
#include <cstdint>
#include <string>

// What a drop offers, as far as the window reads it.
struct DropOffer {
    bool files = false;        // CF_HDROP
    bool fileContents = false; // FileGroupDescriptorW with FileContents
    bool png = false;          // the registered "PNG" format
    bool dibv5 = false, dib = false;
    bool linkOrText = false; // a URL or text: never fetched
};

enum class DropSource { none, files, fileContents, png, dibv5, dib, notPicture };

// Pure: the first of files, file contents, "PNG", CF_DIBV5 and CF_DIB the drop offers; a drop of
// a link or text alone is notPicture; nothing the window reads: none (the drop is not taken).
DropSource drop_source_choose(const DropOffer &offer);

// The most bytes a dropped picture may have, checked before any is copied: what the loader
// reads of a file (no picture within the pixel limit needs more).
constexpr uint64_t dropByteLimit = uint64_t(64) << 20;
bool drop_size_fits(uint64_t size);

// Pure: the title's file name from a name a program offers with its contents (the last part of
// a path; a browser may send "folder\\picture.webp"). Empty: none.
std::string drop_file_name(const std::string &offered);

// The message for a drop of a link or text.
constexpr char dropOnlyPicturesText[] = "ドロップできるのは画像と画像ファイルだけです。";

#ifdef _WIN32
#include <windows.h>
#include <objidl.h>

// Registers the window as a drop target (OLE is started for the thread); revoke before it goes.
void drop_target_register(HWND window);
void drop_target_revoke(HWND window);

// Opens what the data object holds, as a drop does (the tests hand data objects straight here).
// False when it holds nothing the window takes.
bool drop_data_open(IDataObject *data);
#endif
