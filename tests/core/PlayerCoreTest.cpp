#include "PlayerCoreFixture.h"

#include <gtest/gtest.h>

using namespace kinetra;
using namespace kinetra::test;

namespace {

enum Compass : int { kAll = 0, kSW = 1, kS = 2, kSE = 3, kW = 8 };

class PlaybackTest : public PlayerCoreTest {
protected:
    // The frame the last tick showed, read back from the picture: frame k is
    // painted in the colour of index 64 + k.
    int shownFrame() const
    {
        for (int k = 0; k < 160; ++k) {
            if (pixel(0, 0) == colorOf(64 + k))
                return k;
        }
        return -1;
    }
    // The frames shown by `count` ticks `ms` apart.
    std::vector<int> play(int count, std::uint32_t ms = 50)
    {
        std::vector<int> shown;
        for (int i = 0; i < count; ++i) {
            player.tickAfter(ms);
            shown.push_back(shownFrame());
        }
        return shown;
    }
};

// --- Loading -------------------------------------------------------------

TEST_F(PlaybackTest, LoadingAGameAnimationStartsPlayingOnTheWholeCanvas)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    EXPECT_TRUE(player.loaded);
    EXPECT_TRUE(player.playing);
    EXPECT_FALSE(player.IsPlainFlc());
    EXPECT_EQ(player.canvas, std::make_pair(kCanvasSize, kCanvasSize));
    EXPECT_EQ(player.rangeLength, 10);
    EXPECT_EQ(player.rangeEnd, 80);
    EXPECT_TRUE(player.timerRunning);
    EXPECT_EQ(player.timerIntervals.back(), kTickInterval);
    EXPECT_TRUE(player.invalidDocuments.empty());
}

TEST_F(PlaybackTest, UnreadableFileIsReportedAndLeavesNothingLoaded)
{
    TempFile garbage({'n', 'o', 't', ' ', 'f', 'l', 'c'});
    EXPECT_EQ(player.LoadFile(garbage.path()), kFail);
    EXPECT_EQ(player.invalidDocuments, std::vector<std::string>{garbage.path()});
    EXPECT_FALSE(player.loaded);
    EXPECT_TRUE(player.frames.empty());
    EXPECT_FALSE(player.Tick());

    EXPECT_EQ(player.LoadFile(""), kOk);
    EXPECT_EQ(player.invalidDocuments.size(), 1u);
    EXPECT_FALSE(player.loaded);
}

TEST_F(PlaybackTest, UnloadKillsTheTimerAndForgetsTheAnimation)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10, 120)), kOk);
    ASSERT_EQ(player.customDelay, 120u);
    player.Unload();
    EXPECT_FALSE(player.loaded);
    EXPECT_FALSE(player.playing);
    EXPECT_FALSE(player.timerRunning);
    EXPECT_EQ(player.customDelay, 0u);
    EXPECT_EQ(player.rangeLength, 0);
    EXPECT_TRUE(player.frames.empty());
    player.OnTimer();
    EXPECT_FALSE(player.playing);
}

TEST_F(PlaybackTest, EachPlayerDrawsIntoItsOwnScreen)
{
    CountingSettings ownSettings;
    TestPlayer other(ownSettings);
    other.dataFolder = data.path();
    ASSERT_TRUE(other.Initialize());
    ASSERT_NE(other.GetScreen(), nullptr);
    EXPECT_NE(other.GetScreen(), player.GetScreen());
    EXPECT_EQ(g_pScreen, nullptr) << "only the window makes its screen the program's";

    TempFile file(encoder::buildGameAnimation(numberedGame(1, 3)));
    ASSERT_EQ(other.LoadFile(file.path()), kOk);
    ASSERT_EQ(loadGame(numberedGame(1, 4)), kOk);
    other.Step(kStepLast);
    other.ComposeFrame();
    compose();
    EXPECT_EQ(pixel(0, 0), colorOf(64));
    const PlatformSurface* otherBack = other.GetScreen()->backBuffer->Memory();
    EXPECT_EQ(otherBack->pixels[0] & 0x00FFFFFFu, other.displayPalette[64 + 2].rgb());
}

// --- Directions and ranges -----------------------------------------------

TEST_F(PlaybackTest, EachDirectionCoversItsOwnRun)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    for (int d = 1; d <= 8; ++d) {
        EXPECT_EQ(player.SetDirection(d), d);
        EXPECT_EQ(player.rangeStart, (d - 1) * 10);
        EXPECT_EQ(player.rangeEnd, d * 10);
        EXPECT_EQ(player.currentFrame, player.rangeStart);
    }
    EXPECT_EQ(player.SetDirection(kAll), kAll);
    EXPECT_EQ(player.rangeStart, 0);
    EXPECT_EQ(player.rangeEnd, 80);
}

TEST_F(PlaybackTest, SouthCyclesItsTenFrames)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.SetDirection(kS);
    EXPECT_EQ(play(12), (std::vector<int>{11, 12, 13, 14, 15, 16, 17, 18, 19, 10, 11, 12}));
}

// One step from a frame, in a direction of the 8 × 10 file: where it lands.
struct StepCase {
    const char* name;
    int direction;
    int from;
    int command;
    int expected;
};

// A direction's frames are (d − 1) × 10 to (d − 1) × 10 + 9; no step leaves
// them, and Last is the direction's own last frame, not the next one's first.
const StepCase kStepCases[] = {
    {"Last of S is its frame 19", kS, 10, kStepLast, 19},
    {"Last of SW is its frame 9", kSW, 3, kStepLast, 9},
    {"Last of W is the file's last frame", kW, 70, kStepLast, 79},
    {"Last of all directions is the file's last frame", kAll, 0, kStepLast, 79},
    {"Next from S's last frame stays there", kS, 19, kStepNext, 19},
    {"Next inside S", kS, 18, kStepNext, 19},
    {"Next from all directions' last frame stays there", kAll, 79, kStepNext, 79},
    {"Next from SE's last frame stays in SE", kSE, 29, kStepNext, 29},
    {"First of S", kS, 17, kStepFirst, 10},
    {"Previous from S's first frame stays there", kS, 10, kStepPrevious, 10},
    {"Previous from S's last frame", kS, 19, kStepPrevious, 18},
    {"an unknown command changes nothing", kS, 19, 9, 19},
};

TEST_F(PlaybackTest, StepsKeepToTheChosenDirection)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    for (const StepCase& step : kStepCases) {
        player.SetDirection(step.direction);
        player.Stop();
        player.currentFrame = step.from;
        player.Step(step.command);
        EXPECT_EQ(player.currentFrame, step.expected) << step.name;
        // What the picture shows is that frame, not a corrected one.
        player.tickAfter(50);
        EXPECT_EQ(shownFrame(), step.expected) << step.name;
        EXPECT_EQ(player.currentFrame, step.expected) << step.name;
    }
}

TEST_F(PlaybackTest, EveryStepRefreshesTheViewAndTheStoppedSlider)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.SetDirection(kS);
    player.Stop();
    for (const int command : {int(kStepFirst), int(kStepPrevious), int(kStepNext), int(kStepLast), 9}) {
        const int shows = player.frameNumberCalls;
        const int sliders = player.sliderCalls;
        player.Step(command);
        EXPECT_EQ(player.frameNumberCalls, shows + 1) << command;
        EXPECT_EQ(player.sliderCalls, sliders + 1) << command;
    }
}

TEST_F(PlaybackTest, PositionsRunFromZeroToTheRangesLastFrame)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.SetDirection(kS);
    player.Stop();
    EXPECT_EQ(player.RangeLastFrame(), 19);
    EXPECT_EQ(player.LastPosition(), 9);
    player.SeekFrame(9);
    EXPECT_EQ(player.currentFrame, 19);
    // The slider cannot reach past the direction, nor before it.
    player.SeekFrame(10);
    EXPECT_EQ(player.currentFrame, 19);
    player.SeekFrame(-1);
    EXPECT_EQ(player.currentFrame, 10);

    player.SetDirection(kAll);
    EXPECT_EQ(player.LastPosition(), 79);
}

TEST_F(PlaybackTest, AnEmptyRangeEndsWhereItStarts)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.rangeStart = 30;
    player.rangeEnd = 30;
    EXPECT_EQ(player.RangeLastFrame(), 30);
    EXPECT_EQ(player.LastPosition(), 0);
    player.currentFrame = 30;
    player.Step(kStepLast);
    EXPECT_EQ(player.currentFrame, 30);
}

TEST_F(PlaybackTest, StepsAreIgnoredWhileNothingIsLoaded)
{
    player.currentFrame = 5;
    player.Step(kStepFirst);
    EXPECT_EQ(player.currentFrame, 5);
    EXPECT_EQ(player.frameNumberCalls, 0);
}

TEST_F(PlaybackTest, SliderFollowsTheDirectionOnlyWhileStopped)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    const int sliders = player.sliderCalls;
    player.SetDirection(kSE);
    EXPECT_EQ(player.sliderCalls, sliders);
    player.Stop();
    player.SetDirection(kS);
    EXPECT_EQ(player.sliderCalls, sliders + 1);
}

TEST_F(PlaybackTest, WithoutEightDirectionsEveryChoiceMeansAll)
{
    ASSERT_EQ(loadGame(numberedGame(7, 3)), kOk);
    for (int d = 0; d <= 8; ++d)
        EXPECT_EQ(player.SetDirection(d), kAll);
    EXPECT_EQ(player.rangeStart, 0);
    EXPECT_EQ(player.rangeEnd, 21);
}

TEST_F(PlaybackTest, StoredDirectionIsUsedOnLoadWhenItNamesOne)
{
    settings.WriteProfileInt("Options", "Direction", kSE);
    ASSERT_TRUE(player.Initialize());
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    EXPECT_EQ(player.direction, kSE);
    EXPECT_EQ(player.currentFrame, 20);

    for (const int stored : {12, -1, 9}) {
        settings.WriteProfileInt("Options", "Direction", stored);
        ASSERT_TRUE(player.Initialize());
        ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
        EXPECT_EQ(player.direction, kAll) << stored;
        EXPECT_EQ(player.rangeEnd, 80) << stored;
    }
}

TEST_F(PlaybackTest, SaveDirectionStoresTheDirectionInForce)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.SetDirection(6);
    player.SaveDirection();
    EXPECT_EQ(settings.option("Direction"), 6);
}

// --- Timing --------------------------------------------------------------

TEST_F(PlaybackTest, SpeedZeroPlaysOneFramePerTick)
{
    ASSERT_EQ(loadGame(numberedGame(1, 10, 0)), kOk);
    EXPECT_EQ(player.header.speed, 10u);
    EXPECT_EQ(play(4), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(PlaybackTest, SlowFileAdvancesOnceItsSpeedHasElapsed)
{
    ASSERT_EQ(loadGame(numberedGame(1, 10, 120)), kOk);
    EXPECT_EQ(play(6), (std::vector<int>{0, 0, 1, 1, 1, 2}));
}

TEST_F(PlaybackTest, LongGapBetweenTicksCountsAsOneTick)
{
    ASSERT_EQ(loadGame(numberedGame(1, 10, 120)), kOk);
    player.tickAfter(10000);
    EXPECT_EQ(shownFrame(), 0);
    EXPECT_FLOAT_EQ(player.elapsedSeconds, 0.05f);
    EXPECT_EQ(play(2), (std::vector<int>{0, 1}));

    // A clock that wrapped around is no different.
    player.lastTick = 0xFFFFFFF0u;
    player.now = 0x10;
    player.tickAfter(0);
    EXPECT_FLOAT_EQ(player.elapsedSeconds, 0.032f);
}

TEST_F(PlaybackTest, CustomDelayAdvancesOneFramePerTickAtItsOwnInterval)
{
    ASSERT_EQ(loadGame(numberedGame(1, 10, 120)), kOk);
    EXPECT_EQ(player.customDelay, 120u);
    player.SetDelayMode(false);
    EXPECT_FALSE(player.UsesFileSpeed());
    EXPECT_EQ(player.timerIntervals.back(), 120u);
    EXPECT_EQ(play(3, 0), (std::vector<int>{1, 2, 3}));

    player.SetCustomDelay(30);
    EXPECT_EQ(player.timerIntervals.back(), 30u);
    player.SetDelayMode(true);
    EXPECT_EQ(player.timerIntervals.back(), kTickInterval);
}

TEST_F(PlaybackTest, CustomDelayIsTheFilesSpeedAgainAfterReopening)
{
    ASSERT_EQ(loadGame(numberedGame(1, 10, 120)), kOk);
    player.SetDelayMode(false);
    player.SetCustomDelay(300);
    player.Unload();
    ASSERT_EQ(loadGame(numberedGame(1, 10, 70)), kOk);
    EXPECT_FALSE(player.UsesFileSpeed());
    EXPECT_EQ(player.customDelay, 70u);
    EXPECT_EQ(player.timerIntervals.back(), 70u);
}

TEST_F(PlaybackTest, PlayStartsAgainFromTheRangeStart)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.SetDirection(kS);
    play(4);
    player.Play();
    EXPECT_EQ(player.currentFrame, 10);
    EXPECT_EQ(player.lastTick, player.now);
}

TEST_F(PlaybackTest, StoppedPlayerKeepsRedrawingTheFirstFrame)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.SetDirection(kS);
    play(3);
    player.Stop();
    EXPECT_FALSE(player.playing);
    EXPECT_TRUE(player.timerRunning);
    EXPECT_EQ(play(3), (std::vector<int>{10, 10, 10}));

    // The redraw shows a background change at once.
    player.SetCustomBackground(colorRef(9, 9, 9));
    player.tickAfter(50);
    EXPECT_EQ(pixel(100, 100), rgb(9, 9, 9));
}

TEST_F(PlaybackTest, PauseHoldsTheFrameInBothDelayModes)
{
    ASSERT_EQ(loadGame(numberedGame(1, 10, 50)), kOk);
    play(2);
    player.Pause();
    EXPECT_TRUE(player.paused);
    EXPECT_EQ(play(3), (std::vector<int>{2, 2, 2}));
    player.SetDelayMode(false);
    EXPECT_EQ(play(3, 0), (std::vector<int>{2, 2, 2}));
    player.Pause();
    EXPECT_EQ(play(1, 0), (std::vector<int>{3}));

    player.Stop();
    player.Pause();
    EXPECT_FALSE(player.paused);
}

// --- Palette changes -----------------------------------------------------

TEST_F(PlaybackTest, PaletteChangeKeepsTheRangeTheFrameAndPlaying)
{
    ASSERT_EQ(loadGame(numberedGame(8, 10)), kOk);
    player.SetDirection(kS);
    play(3);
    ASSERT_EQ(player.currentFrame, 13);

    player.displayPalette[64 + 13] = PaletteEntry::fromRgb(1, 2, 3);
    EXPECT_TRUE(player.ApplyPaletteChanges());
    EXPECT_EQ(player.currentFrame, 13);
    EXPECT_EQ(player.rangeStart, 10);
    EXPECT_EQ(player.rangeEnd, 20);
    EXPECT_TRUE(player.loaded);
    EXPECT_TRUE(player.timerRunning);
    player.ComposeFrame();
    EXPECT_EQ(pixel(0, 0), rgb(1, 2, 3));
}

TEST_F(PlaybackTest, PaletteChangeKeepsAPlainFilesSingleDirection)
{
    IndexImage a = solidImage(4, 4, 70);
    IndexImage b = solidImage(4, 4, 71);
    ASSERT_EQ(load(encoder::buildPlainFlc(distinctPalette(), {a, b, a}, 0)), kOk);
    ASSERT_TRUE(player.ApplyPaletteChanges());
    EXPECT_EQ(player.header.framesPerDirection, 3);
    EXPECT_EQ(player.header.directions, 1);
    EXPECT_EQ(player.header.speed, 10u);
}

} // namespace
