#include "flc/CFlcAnimation.h"
#include "flc/PlainFlcDefaults.h"

#include <gtest/gtest.h>

namespace kinetra {
namespace {

void addFrames(CFlcAnimation& animation, int count)
{
    for (int i = 0; i < count; ++i)
        animation.frames.push_back(FlcFrame{});
}

TEST(PlayerDefaults, PlainFlcGetsOneDirectionOfAllDecodedFrames)
{
    CFlcAnimation animation;
    animation.header.frames = 99; // the header's count does not matter
    animation.header.speed = 40;
    animation.header.leftOffset = 3;
    animation.header.topOffset = 4;
    addFrames(animation, 12);

    applyPlayerDefaults(animation);

    const FlcHeader& h = animation.header;
    EXPECT_EQ(h.speed, 40u);
    EXPECT_EQ(h.framesPerDirection, 12);
    EXPECT_EQ(h.directions, 1);
    EXPECT_EQ(h.animationTime, 480u);
    EXPECT_EQ(h.originalWidth, 240);
    EXPECT_EQ(h.originalHeight, 240);
    EXPECT_EQ(h.leftOffset, 0);
    EXPECT_EQ(h.topOffset, 0);
    EXPECT_EQ(h.frames, 99);
}

TEST(PlayerDefaults, ZeroSpeedBecomesTenBeforeTheAnimationTimeIsWorkedOut)
{
    CFlcAnimation animation;
    addFrames(animation, 7);
    applyPlayerDefaults(animation);
    EXPECT_EQ(animation.header.speed, 10u);
    EXPECT_EQ(animation.header.animationTime, 70u);
}

TEST(PlayerDefaults, GameAnimationKeepsItsExtension)
{
    CFlcAnimation animation;
    FlcHeader& h = animation.header;
    h.speed = 0;
    h.directions = 8;
    h.framesPerDirection = 5;
    h.animationTime = 1234;
    h.originalWidth = 100;
    h.originalHeight = 90;
    h.leftOffset = 11;
    h.topOffset = 12;
    addFrames(animation, 40);

    applyPlayerDefaults(animation);

    EXPECT_EQ(h.speed, 10u);
    EXPECT_EQ(h.directions, 8);
    EXPECT_EQ(h.framesPerDirection, 5);
    EXPECT_EQ(h.animationTime, 1234u);
    EXPECT_EQ(h.originalWidth, 100);
    EXPECT_EQ(h.originalHeight, 90);
    EXPECT_EQ(h.leftOffset, 11);
    EXPECT_EQ(h.topOffset, 12);
}

TEST(PlayerDefaults, RunningTwiceChangesNothingMore)
{
    CFlcAnimation animation;
    addFrames(animation, 3);
    applyPlayerDefaults(animation);
    const auto once = animation.header.serialize();
    applyPlayerDefaults(animation);
    EXPECT_EQ(animation.header.serialize(), once);
}

} // namespace
} // namespace kinetra
