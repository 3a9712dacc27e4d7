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

struct FrameCase {
    const char* label;
    bool menuShown;
    bool debugOn;
    int cameraMode; // Event::cameraMode
};

class UploadBudgetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        glrec::reset();
        ::testing::internal::CaptureStderr();
        setupScene();
        loadErrors = ::testing::internal::GetCapturedStderr();
    }

    // Bytes uploaded by one frame in the given state, after a first frame has settled it (a
    // texture-set switch happens in the first).
    std::size_t frameBytes(const FrameCase& c)
    {
        ev.init();
        ev.menuShown = c.menuShown;
        ev.debugOn = c.debugOn;
        ev.cameraMode = c.cameraMode;
        display();
        glrec::reset();
        display();
        std::size_t total = 0;
        for (const glrec::Upload& upload : glrec::gl().uploads) {
            total += upload.bytes;
        }
        return total;
    }

    static std::string loadErrors; // what setupScene said about the images it could not read
};

std::string UploadBudgetTest::loadErrors;

TEST_F(UploadBudgetTest, OneFrameUploadsAtMostThreeMebibytes)
{
    const FrameCase cases[] = {
        {"menu screen", true, false, 0},
        {"default scene (menu hidden, orbit camera)", false, false, 0},
        {"chase camera", false, false, 1},
        {"debug textures", false, true, 0},
    };
    for (const FrameCase& c : cases) {
        std::size_t total = frameBytes(c);
        const std::vector<glrec::Upload>& uploads = glrec::gl().uploads;
        ASSERT_FALSE(uploads.empty()) << c.label << ": no image bound at all";
        for (const glrec::Upload& upload : uploads) {
            // A missing image uploads nothing and would pass any budget.
            ASSERT_FALSE(upload.nullPixels) << c.label << ": an image is missing from textures/ "
                                            << "(run `make assets`); the loader said:\n" << loadErrors;
        }
        std::printf("[ budget   ] %s: %zu bytes in %zu uploads (budget %zu)\n", c.label, total, uploads.size(),
                    uploadBudget);
        EXPECT_LE(total, uploadBudget) << c.label << ": " << uploads.size() << " uploads";
    }
    ev.init(); // back to the normal texture set for whatever runs next
    display();
}

} // namespace
