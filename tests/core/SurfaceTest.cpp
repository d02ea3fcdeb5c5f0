#include "imaging/CScreen.h"
#include "imaging/CSurface.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kinetra;
using kinetra::test::ScopedScreen;

namespace {

std::uint32_t pixelAt(const CSurface& surface, int x, int y)
{
    const PlatformSurface* memory = surface.Memory();
    return memory->pixels[std::size_t(y) * std::size_t(memory->width) + std::size_t(x)];
}

void paint(CSurface& surface, std::uint32_t rgb, int x, int y)
{
    std::uint8_t* bits = nullptr;
    int pitch = 0;
    ASSERT_EQ(surface.Lock(bits, pitch), kOk);
    reinterpret_cast<std::uint32_t*>(bits + y * pitch)[x] = 0xFF000000u | rgb;
    surface.Unlock();
}

} // namespace

TEST(SurfaceTest, CannotBeCreatedWithoutAScreen)
{
    ASSERT_EQ(g_pScreen, nullptr);
    CSurface surface;
    EXPECT_EQ(surface.Create(4, 4), kFail);
    EXPECT_FALSE(surface.IsCreated());
}

TEST(SurfaceTest, CreateRecordsSizeAndMagentaKey)
{
    ScopedScreen screen;
    CSurface surface;
    ASSERT_EQ(surface.Create(3, 2), kOk);
    EXPECT_EQ(surface.width, 3);
    EXPECT_EQ(surface.height, 2);
    EXPECT_EQ(surface.GetColorKey(), ColorKey::single(0x00FF00FF));
    EXPECT_EQ(surface.Create(0, 2), kFail);
    EXPECT_EQ(surface.Create(2, -1), kFail);
}

TEST(SurfaceTest, LockGivesPitchAndRefusesASecondLock)
{
    ScopedScreen screen;
    CSurface surface;
    ASSERT_EQ(surface.Create(5, 2), kOk);
    std::uint8_t* bits = nullptr;
    int pitch = 0;
    ASSERT_EQ(surface.Lock(bits, pitch), kOk);
    EXPECT_EQ(pitch, 20);
    std::uint8_t* again = nullptr;
    EXPECT_EQ(surface.Lock(again, pitch), kFail);
    EXPECT_EQ(surface.Fill(0x123456), kFail) << "a locked surface is busy";
    surface.Unlock();
    EXPECT_EQ(surface.Fill(0x123456), kOk);
    EXPECT_EQ(pixelAt(surface, 4, 1), 0xFF123456u);
}

TEST(SurfaceTest, BlitLeavesOutTheKeyAndClipsToTheDestination)
{
    ScopedScreen screen;
    CSurface dest;
    ASSERT_EQ(dest.Create(4, 4), kOk);
    ASSERT_EQ(dest.Fill(0x000000), kOk);

    CSurface sprite;
    ASSERT_EQ(sprite.Create(2, 2), kOk);
    ASSERT_EQ(sprite.Fill(0x00FF00FF), kOk); // the key
    paint(sprite, 0x112233, 0, 0);
    paint(sprite, 0x445566, 1, 1);

    ASSERT_EQ(sprite.BlitTo(dest, 1, 1), kOk);
    EXPECT_EQ(pixelAt(dest, 1, 1), 0xFF112233u);
    EXPECT_EQ(pixelAt(dest, 2, 2), 0xFF445566u);
    EXPECT_EQ(pixelAt(dest, 2, 1), 0xFF000000u) << "key pixel left out";

    // Partly outside on every side: only the overlapping pixels land.
    ASSERT_EQ(sprite.BlitTo(dest, -1, -1), kOk);
    EXPECT_EQ(pixelAt(dest, 0, 0), 0xFF445566u);
    ASSERT_EQ(sprite.BlitTo(dest, 3, 3), kOk);
    EXPECT_EQ(pixelAt(dest, 3, 3), 0xFF112233u);
    EXPECT_EQ(sprite.BlitTo(dest, 100, -100), kOk);
    EXPECT_EQ(sprite.BlitTo(dest, -100, 100), kOk);
}

TEST(ScreenTest, BackBufferIsFilledBlittedAndPresented)
{
    ScopedScreen scoped;
    CScreen& screen = scoped.screen();
    ASSERT_NE(screen.backBuffer, nullptr);
    EXPECT_EQ(screen.backBuffer->width, 240);

    ASSERT_EQ(screen.ClearBackBuffer(0x00336699), kOk);
    CSurface dot;
    ASSERT_EQ(dot.Create(1, 1), kOk);
    ASSERT_EQ(dot.Fill(0x00ABCDEF), kOk);
    ASSERT_EQ(dot.BlitAt(239, 0), kOk);

    std::uint32_t seen = 0;
    int presented = 0;
    screen.SetPresenter([&](const CSurface& back) {
        ++presented;
        seen = pixelAt(back, 239, 0);
    });
    EXPECT_EQ(screen.Present(), kOk);
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(seen, 0xFFABCDEFu);
    EXPECT_EQ(pixelAt(*screen.backBuffer, 0, 0), 0xFF336699u);
}

TEST(ScreenTest, InitializedAgainTheBackBufferTakesTheNewSizeOrStaysAsItWas)
{
    ScopedScreen scoped;
    CScreen& screen = scoped.screen();
    ASSERT_EQ(screen.Initialize(320, 200), kOk);
    EXPECT_EQ(screen.width, 320);
    EXPECT_EQ(screen.height, 200);
    ASSERT_NE(screen.backBuffer, nullptr);
    EXPECT_EQ(screen.backBuffer->Memory()->width, 320);
    EXPECT_EQ(screen.backBuffer->Memory()->height, 200);

    // A size no surface can have: the 320 × 200 buffer stays in use.
    const CSurface* before = screen.backBuffer.get();
    EXPECT_EQ(screen.Initialize(0, 200), kFail);
    EXPECT_EQ(screen.backBuffer.get(), before);
    EXPECT_EQ(screen.width, 320);
    EXPECT_EQ(screen.height, 200);
}

TEST(ScreenTest, WithoutInitializeThereIsNothingToDrawOn)
{
    CScreen screen;
    EXPECT_EQ(screen.ClearBackBuffer(0x123456), kOk);
    int presented = 0;
    screen.SetPresenter([&](const CSurface&) { ++presented; });
    EXPECT_EQ(screen.Present(), kOk);
    EXPECT_EQ(presented, 0);
    EXPECT_EQ(screen.Initialize(240, 240), kFail) << "no device before Create";

    ASSERT_EQ(screen.Create(nullptr), kOk);
    g_pScreen = &screen;
    screen.Shutdown();
    EXPECT_EQ(g_pScreen, nullptr) << "a screen that shuts down is no longer the program's";
    CSurface surface;
    EXPECT_EQ(surface.Create(1, 1), kFail);
}
