// On Windows the pictures are decoded by the imaging component, as the window and vkd.exe do:
// installed once before any test runs, so the same tests hold it to the same pixels.
#include <gtest/gtest.h>

#include "platform/picture_wic.h"

namespace {

class WicDecoders : public ::testing::Environment {
  public:
    void SetUp() override { picture_wic_install(); }
};

const ::testing::Environment *const wicDecoders =
    ::testing::AddGlobalTestEnvironment(new WicDecoders);

} // namespace
