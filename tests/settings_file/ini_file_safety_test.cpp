// vkd.ini against files it was never meant to hold: too large, binary, and two programs writing
// it at the same moment.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cerrno>
#include <random>
#include <string>
#include <thread>

#include "core/conversion/settings.h"
#include "settings_file/ini.h"
#include "settings_file/profile.h"
#include "temp_folder.h"
#include "window/document_state.h"

namespace {

// Lines of "; padding" up to exactly size bytes, after a section that sets Mojisu to 150.
std::string ini_of_size(size_t size) {
    std::string text = "[Configuration]\r\nMojisu=150\r\n";
    const std::string line = "; padding.\r\n";
    while (text.size() + line.size() <= size)
        text += line;
    text += std::string(size - text.size(), ';');
    return text;
}

int32_t mojisu_after_reading(const std::string &path) {
    settings = Settings{};
    settings_defaults(settings);
    WindowRect rect{};
    ini_read_path(settings, lookSettings, path.c_str(), rect);
    return settings.Mojisu;
}

// Up to the limit a file is read; past it, it is neither read nor rewritten at close.
TEST(IniFileSafety, OversizedFileIsNeitherReadNorRewritten) {
    TempFolder folder;
    const std::string path = folder.file("vkd.ini");
    const std::string fits = ini_of_size(profileSizeLimit);
    ASSERT_EQ(fits.size(), profileSizeLimit);
    file_put(path, fits);
    EXPECT_EQ(mojisu_after_reading(path), 150);

    const std::string over = ini_of_size(profileSizeLimit + 1);
    file_put(path, over);
    EXPECT_EQ(mojisu_after_reading(path), 100) << "the default stays";
    Profile profile;
    int error = 0;
    EXPECT_EQ(profile_open(path.c_str(), profile, &error), ProfileLoad::unreadable);
    EXPECT_EQ(error, EFBIG);
    EXPECT_TRUE(profile.lines.empty());
    ini_write_path(settings, lookSettings, path.c_str(), {1, 2, 3, 4});
    EXPECT_TRUE(file_get(path) == over) << "rewritten";
}

// Random bytes, zero bytes and stray line ends: read without harm, and written back so that the
// values read afterwards are the ones written.
TEST(IniFileSafety, BinaryFileIsReadAndWrittenSafely) {
    TempFolder folder;
    const std::string path = folder.file("vkd.ini");
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(20000 + round * 997, '\0');
        for (char &c : bytes)
            c = static_cast<char>(random() % 4 == 0 ? "\0\r\n[]=;"[random() % 7] : random());
        file_put(path, bytes);
        mojisu_after_reading(path);
        settings = Settings{};
        settings_defaults(settings);
        settings.Meido = 37 + round;
        ini_write_path(settings, lookSettings, path.c_str(), {round, 2, 3, 4});
        settings = Settings{};
        WindowRect rect{};
        ini_read_path(settings, lookSettings, path.c_str(), rect);
        EXPECT_EQ(settings.Meido, 37 + round) << "round " << round;
        EXPECT_EQ(rect.Left, round) << "round " << round;
    }
}

// Two programs closing at once: the file is always the whole file of one of them, never two
// files mixed or one cut short.
TEST(IniFileSafety, ConcurrentWritesNeverTearTheFile) {
    TempFolder folder;
    const std::string path = folder.file("vkd.ini");
    settings = Settings{};
    settings_defaults(settings); // Mojisu is above the minimum: the writers only read the settings
    // Texts of different lengths, so a mix of the two cannot pass for either.
    const int32_t edges[2] = {7, -123456789};
    std::string whole[2];
    for (int i = 0; i < 2; ++i) {
        const std::string alone = folder.file(("alone" + std::to_string(i) + ".ini").c_str());
        ini_write_path(settings, lookSettings, alone.c_str(),
                       {edges[i], edges[i], edges[i], edges[i]});
        whole[i] = file_get(alone);
        std::remove(alone.c_str());
    }
    for (int round = 0; round < 100; ++round) {
        std::atomic<int> ready{0};
        auto close_window = [&](int32_t edge) {
            ++ready;
            while (ready.load() < 2) {
            }
            ini_write_path(settings, lookSettings, path.c_str(), {edge, edge, edge, edge});
        };
        std::thread first(close_window, edges[0]), second(close_window, edges[1]);
        first.join();
        second.join();
        const std::string text = file_get(path);
        ASSERT_TRUE(text == whole[0] || text == whole[1]) << "round " << round << ":\n"
                                                          << visible(text);
    }
    EXPECT_EQ(folder.listing(), "vkd.ini;");
}

} // namespace
