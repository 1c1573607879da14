// Nothing is allocated per frame by the program's own code: thousands of frames of the scene
// hooks, with the held keys changing, against the GL stand-in with its logging off (it then
// allocates nothing), under an allocator that counts every operator new and every malloc,
// calloc and realloc the program's libraries make (counting_allocator.cpp).
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "scene/scene.h"
#include "scene/scene_state.h"
#include "tests/gl_recorder/gl_recorder.h"
#include "tests/scene/counting_allocator.h"
#include "tests/scene/fake_shell.h"
#include "tests/scene/test_bitmap.h"

using counting_allocator::allocations;
using counting_allocator::counting;

TEST(FrameAllocation, NoAllocationAfterTheFirstFrame) {
    test_bitmap::ScratchDirectory directory;
    ASSERT_TRUE(test_bitmap::WriteBmp(directory.File("water05t.bmp"), 4, 2,
                                      test_bitmap::Solid(4, 2, 10, 20, 30)));
    gl_recorder::Reset();
    fake_shell::Reset();
    WindowState window{};
    KeyStates keys{};
    ASSERT_TRUE(SceneInit(window, keys));
    gl_recorder::SetLogging(false);

    // Every movement key in turn, a new one every 50 frames, two at a time.
    const uint32_t moves[] = {'W', 'A', 'S', 'D', 'Q', 'E', platform::VK_UP, platform::VK_DOWN,
                              platform::VK_LEFT, platform::VK_RIGHT, platform::VK_PRIOR,
                              platform::VK_NEXT};
    constexpr int kFrames = 2400;
    long firstFrame = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        keys.fill(0);
        keys[moves[(frame / 50) % 12]] = 1;
        keys[moves[(frame / 50 + 5) % 12]] = 1;
        counting = true;
        SceneUpdate(16);
        SceneDraw();
        counting = false;
        if (frame == 0) {
            firstFrame = allocations;
            allocations = 0;
        }
    }
    EXPECT_EQ(allocations, 0) << "allocations in frames 2 to " << kFrames << " (" << firstFrame
                              << " in the first)";
    // The frames really ran: the whole grid every time, the marker, no request to the shell.
    EXPECT_EQ(gl_recorder::Count("glBegin"), size_t{kFrames} * 3969);
    EXPECT_EQ(gl_recorder::Count("gluSphere"), size_t{kFrames});
    EXPECT_TRUE(fake_shell::requests.empty());
    SceneShutdown();
    gluDeleteQuadric(sceneState.sphere);
    sceneState.sphere = nullptr;
}
