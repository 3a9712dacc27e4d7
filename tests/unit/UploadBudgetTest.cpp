// The texture bytes one frame sends to GL, summed over every glTexImage2D on the recording GL.
// Every bind re-sends its whole image (there are no texture objects), so the sizes of the images
// in textures/ set this cost directly, frame after frame. A byte count, never a time.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "GlRecorder.h"
#include "app/FrameDriver.h"
#include "app/Scene.h"

namespace {

constexpr std::size_t uploadBudget = 3 * 1024 * 1024; // bytes per frame

TEST(UploadBudgetTest, OneFrameUploadsAtMostThreeMebibytes)
{
    glrec::reset();
    ::testing::internal::CaptureStderr();
    setupScene();
    const std::string loadErrors = ::testing::internal::GetCapturedStderr();
    struct Case { const char* label; bool menuShown, debugOn, flyBy; int cameraMode; };
    const Case cases[] = {
        {"menu screen", true, false, false, 0}, {"default scene (menu hidden, orbit camera)", false, false, false, 0},
        {"chase camera", false, false, false, 1}, {"during a fly-by", false, false, true, 0},
        {"debug textures", false, true, false, 0},
    };
    for (const Case& c : cases) {
        ev.init();
        ev.menuShown = c.menuShown;
        ev.debugOn = c.debugOn;
        ev.cameraMode = c.cameraMode;
        falconRun = c.flyBy;
        falconPosZ = 100; // scene units along the path: mid-flight
        display(); // a first frame settles the state (a texture-set switch happens in it)
        glrec::reset();
        display();
        const std::vector<glrec::Upload>& uploads = glrec::gl().uploads;
        ASSERT_FALSE(uploads.empty()) << c.label << ": no image bound at all";
        std::size_t total = 0;
        for (const glrec::Upload& upload : uploads) {
            // A missing image uploads nothing and would pass any budget.
            ASSERT_FALSE(upload.nullPixels) << c.label << ": an image is missing (run `make assets`):\n" << loadErrors;
            total += upload.bytes;
        }
        std::printf("[ budget   ] %s: %zu bytes in %zu uploads\n", c.label, total, uploads.size());
        EXPECT_LE(total, uploadBudget) << c.label;
    }
}

} // namespace
