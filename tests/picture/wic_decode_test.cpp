// The imaging component's glue on its own: it decodes only what the probe described, and leaves
// COM on the calling thread exactly as it found it.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/picture.h"
#include "main_window/picture_wic.h"
#include "picture_files.h"
#include "tests/bitmap/bmp_build.h"

namespace {

// Decodes bytes as the probe says, into a sink sized by the probe; the reason on failure.
bool decode(const std::vector<uint8_t> &bytes, const PictureProbe &probe, std::string &reason) {
    OwnedSurface dst{64, 64};
    PictureSink sink;
    picture_sink_begin(sink, probe.width, probe.height, 1,
                       PictureSize{int32_t(probe.width), int32_t(probe.height)}, dst.surface);
    const char *why = nullptr;
    const bool ok = picture_wic_decode(bytes.data(), bytes.size(), probe, sink, &why) &&
                    picture_sink_complete(sink);
    reason = why != nullptr ? why : "";
    return ok;
}

std::vector<uint8_t> picture_bytes(const char *name) {
    return file_bytes(picture_path(name));
}

} // namespace

TEST(WicDecode, OnlyWhatTheProbeDescribed) {
    const std::vector<uint8_t> png = picture_bytes("rgb8.png");
    const std::vector<uint8_t> gif = picture_bytes("frames.gif");
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(gif.empty());
    struct Case {
        const char *what;
        const std::vector<uint8_t> &bytes;
        PictureFormat format;
        int64_t width, height; // 0: as probed
        bool decodes;
    };
    const Case cases[] = {
        {"PNG as probed", png, PictureFormat::png, 0, 0, true},
        {"GIF's first frame at its own size", gif, PictureFormat::gif, 0, 0, true},
        {"PNG taken for a GIF", png, PictureFormat::gif, 0, 0, false},
        {"PNG taken for a JPEG", png, PictureFormat::jpeg, 0, 0, false},
        {"PNG taken for a BMP", png, PictureFormat::bmp, 0, 0, false},
        {"one column more than the frame", png, PictureFormat::png, 38, 23, false},
        {"one row fewer than the frame", png, PictureFormat::png, 37, 22, false},
    };
    for (const Case &c : cases) {
        PictureProbe probe = picture_probe(c.bytes.data(), c.bytes.size());
        ASSERT_EQ(probe.reason, nullptr) << c.what;
        probe.format = c.format;
        if (c.width != 0) {
            probe.width = c.width;
            probe.height = c.height;
        }
        std::string reason;
        EXPECT_EQ(decode(c.bytes, probe, reason), c.decodes) << c.what << ": " << reason;
        EXPECT_EQ(reason.empty(), c.decodes) << c.what << ": " << reason;
    }
}

TEST(WicDecode, LeavesComOnTheThreadAsItFoundIt) {
    const std::vector<uint8_t> png = picture_bytes("rgb8.png");
    const PictureProbe probe = picture_probe(png.data(), png.size());
    // Each case on a fresh thread: how COM stands before; what a second start answers after the
    // decode (S_FALSE: still started; S_OK: it had been ended); and, once the thread has ended
    // its own starts, whether a start in the other model is free again (S_OK), so that nothing
    // of the decode's is left behind.
    struct Case {
        const char *what;
        bool startBefore;
        DWORD model;
        HRESULT after;
    };
    const Case cases[] = {
        {"no COM before: none after", false, COINIT_MULTITHREADED, S_OK},
        {"an apartment before: still there after", true, COINIT_APARTMENTTHREADED, S_FALSE},
        {"the other model before: still there after", true, COINIT_MULTITHREADED, S_FALSE},
    };
    for (const Case &c : cases) {
        bool decoded = false;
        HRESULT after = E_FAIL, released = E_FAIL;
        std::thread([&] {
            int ends = 0;
            if (c.startBefore && SUCCEEDED(CoInitializeEx(nullptr, c.model)))
                ++ends;
            std::string reason;
            decoded = decode(png, probe, reason);
            after = CoInitializeEx(nullptr, c.model);
            if (SUCCEEDED(after))
                ++ends;
            for (; ends > 0; --ends)
                CoUninitialize();
            const DWORD other =
                c.model == COINIT_MULTITHREADED ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
            released = CoInitializeEx(nullptr, other);
            if (SUCCEEDED(released))
                CoUninitialize();
        }).join();
        EXPECT_TRUE(decoded) << c.what;
        EXPECT_EQ(after, c.after) << c.what;
        EXPECT_EQ(released, S_OK) << c.what;
    }
}
