// Conversions side by side: contexts share nothing, so pictures converted at once on threads
// give the bytes each gives alone, and one that throws leaves the others whole.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/library/batch.h"
#include "core/conversion/conversion.h"
#include "core/conversion/convert.h"
#include "core/conversion/geometry.h"
#include "core/reading/load.h"
#include "tests/picture/picture_files.h"

namespace {

// Pictures of every format and a look and dither each, so every kind of state a conversion
// keeps (planes, caches, spares) is in use.
struct Job {
    std::vector<uint8_t> file;
    LookSettings look;
};

std::vector<Job> jobs() {
    const char *names[] = {
        "baseline.jpg",   "progressive.jpg",      "rgba8.png",       "grey8.png", "plain.gif",
        "interlaced.gif", "grey1-interlaced.png", "orientation6.jpg"};
    std::vector<Job> all;
    for (int round = 0; round < 2; ++round)
        for (const char *name : names) {
            const size_t k = all.size();
            all.push_back(
                {file_bytes(picture_path(name)), LookSettings{Look(k % 3), (k / 3) % 2 == 1, ""}});
        }
    return all;
}

// Open and Convert as the window does them; the text, or why there is none.
std::string convert_one(Conversion &c, const Job &job, int32_t width) {
    settings_defaults(c.settings);
    c.settings.Mojisu = width;
    c.lookSettings = job.look;
    surfaces_create(c);
    const LoadResult r = bitmap_load_memory(c, job.file.data(), job.file.size(), 2048, 1536);
    if (r.outcome != LoadOutcome::loaded)
        return "refused: " + r.message.text;
    map_geometry_fit(c);
    map_geometry_update(c);
    std::string text;
    text_convert(c, text);
    return text;
}

// Each picture on a conversion of its own, one after another.
std::vector<std::string> alone(const std::vector<Job> &all) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < all.size(); ++i) {
        Conversion c;
        texts.push_back(convert_one(c, all[i], int32_t(40 + 10 * (i % 5))));
    }
    return texts;
}

TEST(Batch, ThreadsGiveTheBytesOfEachPictureAlone) {
    const std::vector<Job> all = jobs();
    const std::vector<std::string> want = alone(all);
    for (const std::string &text : want)
        ASSERT_EQ(text.rfind("refused", 0), std::string::npos) << text;
    for (int threads : {1, 2, 4}) {
        std::vector<std::string> got(all.size());
        std::vector<size_t> order;
        batch_convert<Conversion>(
            all.size(), threads,
            [&](Conversion &c, size_t i) {
                got[i] = convert_one(c, all[i], int32_t(40 + 10 * (i % 5)));
            },
            [&](size_t i, std::exception_ptr error) {
                EXPECT_FALSE(error) << i;
                order.push_back(i);
                return true;
            });
        for (size_t i = 0; i < all.size(); ++i)
            EXPECT_EQ(got[i], want[i]) << threads << " threads, picture " << i << "\n" << got[i];
        for (size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(order[i], i) << threads << " threads";
    }
}

// A picture whose conversion throws half way (its conversion left with a picture loaded but
// never converted) is the only one lost; the next on that thread starts on a fresh conversion.
TEST(Batch, AnExceptionEndsItsPictureOnly) {
    const std::vector<Job> all = jobs();
    const std::vector<std::string> want = alone(all);
    for (int threads : {1, 3}) {
        std::vector<std::string> got(all.size());
        std::vector<std::string> errors(all.size());
        bool stopped = false;
        batch_convert<Conversion>(
            all.size(), threads,
            [&](Conversion &c, size_t i) {
                if (i == 3 || i == 4) {
                    surfaces_create(c);
                    c.lookSettings.look = Look::photo;
                    bitmap_load_memory(c, all[i].file.data(), all[i].file.size(), 2048, 1536);
                    c.settings.Mojisu = -7;
                    if (i == 3)
                        throw std::bad_alloc();
                    throw std::runtime_error("broken");
                }
                got[i] = convert_one(c, all[i], int32_t(40 + 10 * (i % 5)));
            },
            [&](size_t i, std::exception_ptr error) {
                try {
                    if (error)
                        std::rethrow_exception(error);
                } catch (const std::exception &e) {
                    errors[i] = e.what();
                }
                stopped = i == all.size() - 1;
                return true;
            });
        EXPECT_TRUE(stopped);
        for (size_t i = 0; i < all.size(); ++i) {
            const bool thrown = i == 3 || i == 4;
            EXPECT_EQ(got[i], thrown ? "" : want[i]) << threads << " threads, picture " << i;
            EXPECT_EQ(errors[i], i == 3   ? std::bad_alloc().what()
                                 : i == 4 ? "broken"
                                          : "")
                << threads << " threads, picture " << i;
        }
    }
}

// take returning false stops the run: nothing after it is taken.
TEST(Batch, TakeCanStopTheRun) {
    for (int threads : {1, 4}) {
        std::vector<size_t> taken;
        batch_convert<Conversion>(
            100, threads, [](Conversion &, size_t) {},
            [&](size_t i, std::exception_ptr) {
                taken.push_back(i);
                return i < 9;
            });
        EXPECT_EQ(taken.size(), 10u) << threads;
    }
}

} // namespace
