// Saving a file: the bytes, the old file kept whole on failure, what the target was stays what it
// is (its mode, owner, attributes, links), and temporary names nobody can prepare for.
#include "core/files/file_save.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "save_folder.h"

#ifdef _WIN32
#include <windows.h>
#include <sddl.h>

#include "platform/file_save_windows.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using TextFileSave = SaveFolder;

std::string text_picture(int cols, int rows) {
    std::string text;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            text += "$&%#*?+/!;:-,. "[(r * 7 + c) % 15];
        text += "\r\n";
    }
    return text;
}

// The file holds exactly the text: no terminating zero, no added line end, any size.
TEST_F(TextFileSave, WritesExactlyTheBytesGiven) {
    struct Case {
        const char *name;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"two characters", "ab"},
        {"two rows of three", "$$$\r\n   \r\n"},
        {"no line end after the last line", "$$$\r\n..."},
        {"CP932 with 0x5C trail bytes", "\x95\x5C\x83\x5C\r\n"},
        {"zero bytes inside", std::string("a\0b\0", 4)},
        {"largest converted picture", text_picture(118, 512)},
        {"larger than any conversion", text_picture(220, 300)},
    };
    for (const Case &c : cases) {
        std::string path = at("out.txt");
        ASSERT_TRUE(file_save_whole(path.c_str(), c.bytes.data(), c.bytes.size())) << c.name;
        std::string got = read_all(path);
        EXPECT_EQ(got.size(), c.bytes.size()) << c.name;
        EXPECT_TRUE(got == c.bytes) << c.name;
    }
    EXPECT_TRUE(leftovers(dir).empty());
}

// Replacing an existing file: shorter text leaves nothing of the longer one, in either
// direction, and the folder holds only the target afterwards.
TEST_F(TextFileSave, ReplacesAnExistingFileWhole) {
    std::string path = at("picture.txt");
    const std::string contents[] = {std::string(70000, '#'), "short", "", "longer again\r\n"};
    write_all(path, "earlier contents that are longer than the next");
    for (const std::string &text : contents) {
        ASSERT_TRUE(file_save_whole(path.c_str(), text.data(), text.size()));
        EXPECT_TRUE(read_all(path) == text) << summary(read_all(path));
    }
    size_t entries = 0;
    for (const auto &entry : fs::directory_iterator(dir)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

// Names are UTF-8 on both systems and land in their own folder, on Windows also those the ANSI
// code page has no code for (and those whose CP932 form ends in the byte of a backslash).
TEST_F(TextFileSave, NamesWithMultibyteCharacters) {
    for (const char *name : {"表.txt", "ソ.txt", "ヴェルコラン.txt", "a.b.c", "사진é.txt",
                             "\U0001F600.txt"}) {
        std::string path = at(name);
        ASSERT_TRUE(file_save_whole(path.c_str(), "xyz", 3)) << name;
        EXPECT_EQ(read_all(path), "xyz") << name;
        ASSERT_TRUE(file_save_whole(path.c_str(), "uv", 2)) << name << " again";
        EXPECT_EQ(read_all(path), "uv") << name;
    }
    EXPECT_TRUE(leftovers(dir).empty());
}

void make_read_only(const std::string &path) {
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    chmod(path.c_str(), 0444);
#endif
}

// A save that cannot be done says why, and leaves what was there as it was.
TEST_F(TextFileSave, RefusalsKeepTheTargetAndSayWhy) {
    fs::create_directories(dir / "folder");
    write_all(at("read-only.txt"), "kept");
    make_read_only(at("read-only.txt"));
    struct Case {
        const char *name;
        std::string path;
        int error;
        std::string folder = ""; // the missing one, as a message names it
    };
    std::vector<Case> cases = {
        {"empty path", "", ENOENT},
        {"missing folder", at("no such folder/x.txt"), ENOENT, at("no such folder")},
        {"target is a folder", at("folder"), EISDIR},
        {"read-only", at("read-only.txt"), EACCES},
    };
#ifndef _WIN32
    ASSERT_EQ(symlink("gone/x.txt", at("dangling").c_str()), 0);
    cases.push_back({"dangling link into a missing folder", at("dangling"), ENOENT, at("gone")});
    // A link another user planted in a sticky folder anyone may write to, as /tmp is.
    fs::create_directories(dir / "sticky");
    chmod(at("sticky").c_str(), 01777);
    write_all(at("victim.txt"), "kept");
    ASSERT_EQ(symlink(at("victim.txt").c_str(), at("sticky/planted").c_str()), 0);
    if (geteuid() != 4321 && lchown(at("sticky/planted").c_str(), 4321, 4321) == 0)
        cases.push_back({"link planted in a sticky folder", at("sticky/planted"), EACCES});
    // Root could write both of these; the save refuses them all the same.
    write_all(at("mode-000.txt"), "kept");
    chmod(at("mode-000.txt").c_str(), 0);
    cases.push_back({"mode 000", at("mode-000.txt"), EACCES});
    // A lock held through another open file (another program, say).
    write_all(at("locked.txt"), "kept");
    const int holder = open(at("locked.txt").c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(fcntl(holder, F_OFD_SETLK, &lock), 0);
    cases.push_back({"locked", at("locked.txt"), EBUSY});
#else
    write_all(at("locked.txt"), "kept");
    HANDLE holder = CreateFileA(at("locked.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    cases.push_back({"held open without sharing", at("locked.txt"), EBUSY});
    cases.push_back({"a device's name", at("Con.txt"), ENODEV}); // the console, were it written
#endif
    for (const Case &c : cases) {
        int error = 0;
        EXPECT_FALSE(file_save_whole(c.path.c_str(), "new", 3, &error)) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
        if (!c.folder.empty()) {
            EXPECT_EQ(file_save_folder(c.path.c_str()), c.folder) << c.name;
        }
    }
#ifdef _WIN32
    CloseHandle(holder);
    SetFileAttributesA(at("read-only.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    close(holder);
    chmod(at("mode-000.txt").c_str(), 0644);
    EXPECT_EQ(read_all(at("mode-000.txt")), "kept");
    EXPECT_EQ(read_all(at("victim.txt")), "kept");
#endif
    EXPECT_EQ(read_all(at("read-only.txt")), "kept");
    EXPECT_EQ(read_all(at("locked.txt")), "kept");
    EXPECT_FALSE(file_save_whole(nullptr, "ab", 2));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_TRUE(leftovers(dir).empty());
}

// The names Windows keeps for devices, wherever they stand in a path; NUL is left to discard.
TEST(SaveNames, DeviceNamesOfWindows) {
    struct Case {
        const char *path;
        bool device;
    } cases[] = {
        {"COM1.txt", true},      {"com9", true},         {"Lpt3.text.txt", true},
        {"PRN", true},           {"aux.", true},         {"CON . .", true},
        {"COM1 .txt", true},     {"COM1:", true},        {"C:con.txt", true},
        {"dir\\LPT1.txt", true}, {"/home/a/Con", true},  {"C:\\x\\AUX.bmp.txt", true},
        {"NUL", false},          {"nul.txt", false},     {"COM0.txt", false},
        {"COM10.txt", false},    {"LPT", false},         {"xCON.txt", false},
        {"CONSOLE.txt", false},  {"con\\x.txt", false}, {" CON", false},
        {"a.con", false},        {"", false},            {"ソcon", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(path_names_device(c.path), c.device) << c.path;
}

// A name already taken when a save wants it is skipped, whoever put it there: a link planted
// there must not make the save write anywhere else, and a file must not be opened or removed.
TEST_F(TextFileSave, PlantedTemporaryNamesAreNeverUsed) {
    static uint64_t next;
    next = 1;
    const FileSaveRandom counting = [] { return next++; };
    const std::string victim = at("victim.txt");
    write_all(at(file_save_temp_name(2)), "planted file");
    bool linked = false;
#ifdef _WIN32
    // Wine reports success without making the link: believe only what is there.
    linked = CreateSymbolicLinkA(at(file_save_temp_name(1)).c_str(), victim.c_str(), 0) != 0 &&
             GetFileAttributesA(at(file_save_temp_name(1)).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    linked = symlink(victim.c_str(), at(file_save_temp_name(1)).c_str()) == 0;
#endif
    // Leftovers of killed saves under the next names are skipped just the same.
    for (uint64_t n = 3; n < 60; ++n)
        write_all(at(file_save_temp_name(n)), "leftover");

    const std::string target = at("out.txt");
    const bool saved = file_save_whole(target.c_str(), "text", 4, nullptr, counting);
    // A random source stuck on a taken name gives up in the end, touching nothing.
    int error = 0;
    EXPECT_FALSE(
        file_save_whole(at("other.txt").c_str(), "text", 4, &error, [] { return uint64_t{2}; }));
    EXPECT_EQ(error, EEXIST);
    ASSERT_TRUE(saved);
    EXPECT_EQ(file_save_temp_name(0), "~vkd0000000000.tmp");
    EXPECT_EQ(file_save_temp_name(~uint64_t{0}), "~vkdvvvvvvvvvv.tmp");
    EXPECT_EQ(read_all(target), "text");
    EXPECT_EQ(read_all(victim), "<missing>") << "written through the planted link";
    EXPECT_EQ(read_all(at(file_save_temp_name(2))), "planted file");
    EXPECT_EQ(read_all(at(file_save_temp_name(59))), "leftover");
    if (linked) {
        EXPECT_TRUE(fs::is_symlink(at(file_save_temp_name(1))));
    }
    EXPECT_EQ(leftovers(dir).size(), linked ? 59u : 58u);
    if (!linked)
        GTEST_SKIP() << "this system lets the test create no symbolic link; planted file only";
}

// std::filesystem reports 1 for every file on Windows.
unsigned long link_count(const std::string &path) {
#ifdef _WIN32
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return info.nNumberOfLinks;
#else
    struct stat st {};
    stat(path.c_str(), &st);
    return static_cast<unsigned long>(st.st_nlink);
#endif
}

// Hard links: the save replaces the name it was given in one step, so the file there is whole
// at every moment; the other names keep the old text, whole as well.
TEST_F(TextFileSave, HardLinkedTargetIsReplacedAtomically) {
    const std::string target = at("linked.txt"), other = at("other-name.txt");
    write_all(target, "old text");
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), target.c_str(), nullptr));
#else
    ASSERT_EQ(link(target.c_str(), other.c_str()), 0);
#endif
    ASSERT_EQ(link_count(target), 2u);
    ASSERT_TRUE(file_save_whole(target.c_str(), "new text", 8));
    EXPECT_EQ(read_all(target), "new text");
    EXPECT_EQ(read_all(other), "old text");
    EXPECT_EQ(link_count(target), 1u);
    EXPECT_EQ(link_count(other), 1u);
}

#ifndef _WIN32

// Permission bits stay as they were; a new file gets 0666 less the umask; root keeps the
// owner and group.
TEST_F(TextFileSave, ModeOwnerAndGroupAreKept) {
    for (mode_t mode : {0600, 0644, 0755, 0640, 0604}) {
        const std::string path = at("mode.txt");
        write_all(path, "old");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(file_save_whole(path.c_str(), "new", 3)) << std::oct << mode;
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(read_all(path), "new");
    }
    for (mode_t mask : {022, 077, 002}) {
        const std::string path = at("new-" + std::to_string(mask) + ".txt");
        const mode_t old = umask(mask);
        const bool saved = file_save_whole(path.c_str(), "x", 1);
        umask(old);
        ASSERT_TRUE(saved);
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << "umask " << std::oct << mask;
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "not root: owner and group cannot be given away to test them";
    const std::string path = at("owned.txt");
    write_all(path, "old");
    ASSERT_EQ(chown(path.c_str(), 4321, 8765), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(file_save_whole(path.c_str(), "new", 3));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Through a symbolic link (or a chain of them, relative or absolute) the file it names is
// replaced beside itself; the link stays a link. A dangling link gets its file created.
TEST_F(TextFileSave, SymbolicLinksAreFollowed) {
    fs::create_directories(dir / "real");
    fs::create_directories(dir / "links");
    write_all(at("real/file.txt"), "old");
    ASSERT_EQ(symlink("../real/file.txt", at("links/relative").c_str()), 0);
    ASSERT_EQ(symlink(at("links/relative").c_str(), at("links/chain").c_str()), 0);
    ASSERT_EQ(symlink("../real/new.txt", at("links/dangling").c_str()), 0);
    chmod(at("real/file.txt").c_str(), 0600);
    struct Case {
        const char *link, *file, *text;
    } cases[] = {
        {"links/relative", "real/file.txt", "first"},
        {"links/chain", "real/file.txt", "second"},
        {"links/dangling", "real/new.txt", "created"},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(file_save_whole(at(c.link).c_str(), c.text, std::strlen(c.text))) << c.link;
        EXPECT_TRUE(fs::is_symlink(at(c.link))) << c.link;
        EXPECT_EQ(read_all(at(c.file)), c.text) << c.link;
    }
    EXPECT_EQ(fs::read_symlink(at("links/chain")), at("links/relative"));
    struct stat st;
    ASSERT_EQ(stat(at("real/file.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(leftovers(dir / "real").empty());
    EXPECT_TRUE(leftovers(dir / "links").empty());

    // As long a chain as the system follows (40 links) is followed to its end.
    std::string next = at("real/file.txt");
    for (int i = 0; i < 40; ++i) {
        const std::string link = at("links/hop" + std::to_string(i));
        ASSERT_EQ(symlink(next.c_str(), link.c_str()), 0);
        next = link;
    }
    EXPECT_TRUE(file_save_whole(next.c_str(), "far", 3));
    EXPECT_EQ(read_all(at("real/file.txt")), "far");
}

#else

// The hidden attribute travels to the new file, and a changed file is marked for the next backup
// (ARCHIVE) even when the old one was not; a read-only one is refused (above).
TEST_F(TextFileSave, AttributesAreKept) {
    const DWORD seen = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    const struct Case {
        DWORD before, after;
    } cases[] = {
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, seen},
        {FILE_ATTRIBUTE_HIDDEN, seen},
    };
    int held = 0;
    for (const Case &c : cases) {
        const std::string path = at("hidden" + std::to_string(c.before) + ".txt");
        write_all(path, "old");
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), c.before));
        if ((GetFileAttributesA(path.c_str()) & seen) != c.before)
            continue; // Wine shows every file with ARCHIVE
        ++held;
        ASSERT_TRUE(file_save_whole(path.c_str(), "new", 3));
        EXPECT_EQ(read_all(path), "new");
        EXPECT_EQ(GetFileAttributesA(path.c_str()) & seen, c.after) << c.before;
    }
    if (held == 0)
        GTEST_SKIP() << "this file system does not keep the hidden and archive attributes";
    EXPECT_TRUE(leftovers(dir).empty());
}

// The old file's security goes to its replacement: the parts asked for, the fall-back to fewer
// parts when the system refuses some, and a save that succeeds whatever the copy does. (Wine
// makes a file's security from its Unix mode: the calls are recorded, not their effect.)
namespace security {
DWORD readFails = 0; // the parts whose read is refused
DWORD writeFails = 0;
std::vector<DWORD> reads, writes;
const wchar_t *stored = L"";

DWORD WINAPI read_record(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION parts, PSID *owner, PSID *,
                         PACL *dacl, PACL *label, PSECURITY_DESCRIPTOR *descriptor) {
    reads.push_back(parts);
    if ((parts & readFails) != 0)
        return ERROR_ACCESS_DENIED;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(stored, SDDL_REVISION_1, descriptor,
                                                              nullptr))
        return GetLastError();
    BOOL present = FALSE, defaulted = FALSE;
    if (owner != nullptr)
        GetSecurityDescriptorOwner(*descriptor, owner, &defaulted);
    GetSecurityDescriptorDacl(*descriptor, &present, dacl, &defaulted);
    if (label != nullptr)
        GetSecurityDescriptorSacl(*descriptor, &present, label, &defaulted);
    return ERROR_SUCCESS;
}

DWORD WINAPI write_record(LPWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION parts, PSID owner, PSID,
                          PACL dacl, PACL label) {
    writes.push_back(parts);
    const bool given = dacl != nullptr && ((parts & OWNER_SECURITY_INFORMATION) == 0) ==
                                              (owner == nullptr);
    return (parts & writeFails) != 0 || !given || (label != nullptr) !=
                                                       ((parts & LABEL_SECURITY_INFORMATION) != 0)
               ? ERROR_ACCESS_DENIED
               : ERROR_SUCCESS;
}
} // namespace security

TEST_F(TextFileSave, SecurityIsCopiedWhereAllowed) {
    const DWORD owner = OWNER_SECURITY_INFORMATION, dacl = DACL_SECURITY_INFORMATION,
                label = LABEL_SECURITY_INFORMATION, keep = UNPROTECTED_DACL_SECURITY_INFORMATION,
                alone = PROTECTED_DACL_SECURITY_INFORMATION;
    const wchar_t *inherits = L"O:BAD:(A;;FA;;;WD)S:(ML;;NW;;;LW)";
    const wchar_t *own = L"O:BAD:P(A;;FA;;;BA)S:(ML;;NW;;;LW)";
    const struct Case {
        const char *name;
        const wchar_t *descriptor;
        DWORD readFails, writeFails;
        std::vector<DWORD> reads, writes;
    } cases[] = {
        {"everything", inherits, 0, 0, {owner | dacl | label}, {owner | dacl | label | keep}},
        {"a DACL of its own", own, 0, 0, {owner | dacl | label}, {owner | dacl | label | alone}},
        {"another owner", inherits, 0, owner, {owner | dacl | label},
         {owner | dacl | label | keep, dacl | label | keep}},
        {"no right to the label", own, 0, owner | label, {owner | dacl | label},
         {owner | dacl | label | alone, dacl | label | alone, dacl | alone}},
        {"nothing may be set", inherits, 0, dacl, {owner | dacl | label},
         {owner | dacl | label | keep, dacl | label | keep, dacl | keep}},
        {"the DACL alone readable", inherits, owner | label, 0, {owner | dacl | label, dacl},
         {dacl | keep}},
        {"nothing readable", inherits, dacl, 0, {owner | dacl | label, dacl}, {}},
    };
    const FileSecurityCalls saved = fileSecurityCalls;
    fileSecurityCalls = {security::read_record, security::write_record};
    for (const Case &c : cases) {
        const std::string path = at("secured.txt");
        write_all(path, "old");
        security::stored = c.descriptor;
        security::readFails = c.readFails;
        security::writeFails = c.writeFails;
        security::reads.clear();
        security::writes.clear();
        EXPECT_TRUE(file_save_whole(path.c_str(), "new", 3)) << c.name;
        EXPECT_EQ(read_all(path), "new") << c.name;
        EXPECT_EQ(security::reads, c.reads) << c.name;
        EXPECT_EQ(security::writes, c.writes) << c.name;
    }
    // A new file has no security to take over.
    security::reads.clear();
    EXPECT_TRUE(file_save_whole(at("new.txt").c_str(), "new", 3));
    EXPECT_TRUE(security::reads.empty());
    fileSecurityCalls = saved;
    // With the system's own calls the save goes through as well.
    EXPECT_TRUE(file_save_whole(at("secured.txt").c_str(), "again", 5));
    EXPECT_EQ(read_all(at("secured.txt")), "again");
    EXPECT_TRUE(leftovers(dir).empty());
}

// Through a symbolic link the file it names is replaced beside itself; the link stays.
TEST_F(TextFileSave, SymbolicLinksAreFollowed) {
    fs::create_directories(dir / "real");
    const std::string file = at("real\\file.txt"), link = at("link.txt");
    write_all(file, "old");
    if (!CreateSymbolicLinkA(link.c_str(), file.c_str(), 0) ||
        GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no symbolic link could be made here (Wine reports success and makes "
                        "none; Windows asks for a privilege)";
    ASSERT_TRUE(file_save_whole(link.c_str(), "new", 3));
    EXPECT_EQ(read_all(file), "new");
    EXPECT_NE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_TRUE(leftovers(dir / "real").empty());
    EXPECT_TRUE(leftovers(dir).empty());
}

// A target another program holds open: the save succeeds or fails exactly where the platform's
// own CREATE_ALWAYS (no sharing) would, and a refused target keeps its bytes.
TEST_F(TextFileSave, HeldOpenTargetBehavesAsCreateAlways) {
    struct Case {
        const char *name;
        DWORD access, share;
    } cases[] = {
        {"reader sharing read", GENERIC_READ, FILE_SHARE_READ},
        {"reader sharing read and write", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE},
        {"writer sharing read and write", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE},
        {"reader sharing everything", GENERIC_READ,
         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
    };
    int n = 0;
    for (const Case &c : cases) {
        const std::string ours = at("ours" + std::to_string(n) + ".txt");
        const std::string twin = at("twin" + std::to_string(n++) + ".txt");
        write_all(ours, "old");
        write_all(twin, "old");
        HANDLE holdOurs =
            CreateFileA(ours.c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE holdTwin =
            CreateFileA(twin.c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holdOurs, INVALID_HANDLE_VALUE) << c.name;
        HANDLE plain = CreateFileA(twin.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        const bool platform = plain != INVALID_HANDLE_VALUE;
        if (platform)
            CloseHandle(plain);
        const bool saved = file_save_whole(ours.c_str(), "new", 3);
        CloseHandle(holdOurs);
        CloseHandle(holdTwin);
        EXPECT_EQ(saved, platform) << c.name;
        EXPECT_EQ(read_all(ours), saved ? "new" : "old") << c.name;
    }
    EXPECT_TRUE(leftovers(dir).empty());
}

#endif

} // namespace
