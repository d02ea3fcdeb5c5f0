// Figures drawn together, in each of the eight directions: each where its
// place projects on screen, the nearer covering the further exactly where
// they overlap, shadows under every figure and the darker where two meet,
// each figure's animation shifted by its offset, and what leaves the
// picture counted.

#include "storyboard/FormationCombine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kinetra {
namespace {

constexpr int kLeft = 70;
constexpr int kTop = 60;

// Each direction in file order, and where on screen a figure 40 pixels
// ahead of the unit's centre and one 30 pixels to its right stand, worked
// out by hand: ahead 40 (cos t, sin t), right 30 (-sin t, cos t), y halved.
struct Facing {
    const char* name;
    ScreenOffset ahead;
    ScreenOffset toTheRight;
};
constexpr Facing kFacings[] = {
    {"SW", {-28, 14}, {-21, -11}}, {"S", {0, 20}, {-30, 0}},    {"SE", {28, 14}, {-21, 11}},
    {"E", {40, 0}, {0, 15}},       {"NE", {28, -14}, {21, 11}}, {"N", {0, -20}, {30, 0}},
    {"NW", {-28, -14}, {21, -11}}, {"W", {-40, 0}, {0, -15}},
};

// A square solid block of `body` in a ring of `shadow` `ring` pixels wide.
IndexImage blockFrame(int size, int ring, std::uint8_t body, std::uint8_t shadow)
{
    IndexImage frame(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool inside = x >= ring && x < size - ring && y >= ring && y < size - ring;
            frame.row(y)[x] = inside ? body : shadow;
        }
    }
    return frame;
}

// Eight directions of one frame, the same block in each.
FigureUnit blockFigure(int size, int ring, std::uint8_t body, std::uint8_t shadow)
{
    FigureUnit unit;
    unit.directions = 8;
    unit.framesPerDirection = 1;
    unit.leftOffset = kLeft;
    unit.topOffset = kTop;
    unit.frames.assign(8, blockFrame(size, ring, body, shadow));
    return unit;
}

struct Box {
    int left = 240;
    int top = 240;
};

// The top-left corner of the pixels of `index` in the picture.
Box boxOf(const IndexImage& picture, std::uint8_t index)
{
    Box box;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.at(x, y) == index) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
            }
        }
    }
    return box;
}

TEST(FormationCombine, FiguresStandWhereTheirPlacesProjectOnScreen)
{
    // Small figures, apart in every direction, so none hides another.
    const FigureUnit centre = blockFigure(10, 0, 100, 100);
    const FigureUnit ahead = blockFigure(10, 0, 120, 120);
    const FigureUnit right = blockFigure(10, 0, 140, 140);
    const std::vector<PlacedFigure> figures{{&centre, 0, 0, 0}, {&ahead, 40, 0, 0}, {&right, 0, 30, 0}};
    const CombinedFrames combined = combineFigures(figures, 8, 1);
    ASSERT_EQ(combined.frames.size(), 8u);
    EXPECT_EQ(combined.cutPixels, 0u);
    for (int d = 0; d < 8; ++d) {
        const Facing& facing = kFacings[d];
        const IndexImage& picture = combined.frames[std::size_t(d)];
        const Box origin = boxOf(picture, 100);
        EXPECT_EQ(origin.left, kLeft) << facing.name;
        EXPECT_EQ(origin.top, kTop) << facing.name;
        EXPECT_EQ(boxOf(picture, 120).left - origin.left, facing.ahead.x) << facing.name;
        EXPECT_EQ(boxOf(picture, 120).top - origin.top, facing.ahead.y) << facing.name;
        EXPECT_EQ(boxOf(picture, 140).left - origin.left, facing.toTheRight.x) << facing.name;
        EXPECT_EQ(boxOf(picture, 140).top - origin.top, facing.toTheRight.y) << facing.name;
    }
}

// Two blocks in rings of shadow, overlapping in every direction: bodies
// over bodies, shadows over bodies, shadows over shadows.
constexpr int kSize = 100;
constexpr int kRing = 20;
constexpr std::uint8_t kAheadBody = 100, kAheadShadow = 250;
constexpr std::uint8_t kCentreBody = 150, kCentreShadow = 245;

// What a viewer sees of the two figures of the test below, worked out per
// pixel: the nearer body, else a body, else the darker shadow, else
// nothing; and each of those cases arises.
void expectSeenAsAViewerSeesThem(const IndexImage& picture, const Facing& facing, bool aheadFirst)
{
    const ScreenOffset at[2] = {{kLeft + facing.ahead.x, kTop + facing.ahead.y}, {kLeft, kTop}};
    // Further down the screen is nearer; on a level the later in the file.
    const bool aheadIsNearer = facing.ahead.y > 0 || (facing.ahead.y == 0 && !aheadFirst);
    const IndexImage frames[2] = {blockFrame(kSize, kRing, kAheadBody, kAheadShadow),
                                  blockFrame(kSize, kRing, kCentreBody, kCentreShadow)};
    int bodiesOverlapping = 0, shadowsOnBodies = 0, shadowsMeeting = 0, wrong = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 240; ++x) {
            std::uint8_t own[2] = {255, 255};
            for (int f = 0; f < 2; ++f) {
                const int fx = x - at[f].x;
                const int fy = y - at[f].y;
                if (fx >= 0 && fx < kSize && fy >= 0 && fy < kSize)
                    own[f] = frames[f].at(fx, fy);
            }
            const bool aheadBody = own[0] == kAheadBody;
            const bool centreBody = own[1] == kCentreBody;
            std::uint8_t expected = std::min(own[0], own[1]);
            if (aheadBody && centreBody)
                expected = aheadIsNearer ? kAheadBody : kCentreBody;
            else if (aheadBody || centreBody)
                expected = aheadBody ? kAheadBody : kCentreBody;
            bodiesOverlapping += aheadBody && centreBody;
            shadowsOnBodies += (aheadBody && own[1] == kCentreShadow) || (centreBody && own[0] == kAheadShadow);
            shadowsMeeting += own[0] == kAheadShadow && own[1] == kCentreShadow;
            if (picture.at(x, y) != expected && wrong++ == 0)
                ADD_FAILURE() << facing.name << (aheadFirst ? ", ahead first" : ", centre first") << ": at " << x
                              << "," << y << " " << int(picture.at(x, y)) << " instead of " << int(expected);
        }
    }
    EXPECT_EQ(wrong, 0) << facing.name;
    EXPECT_GT(bodiesOverlapping, 0) << facing.name;
    EXPECT_GT(shadowsOnBodies, 0) << facing.name;
    EXPECT_GT(shadowsMeeting, 0) << facing.name;
}

// The two, one at the centre and one 40 ahead of it.
TEST(FormationCombine, TheNearerFigureCoversTheFurtherAndShadowsLieUnderBoth)
{
    const FigureUnit ahead = blockFigure(kSize, kRing, kAheadBody, kAheadShadow);
    const FigureUnit centre = blockFigure(kSize, kRing, kCentreBody, kCentreShadow);
    // Both ways round in the file: the darker shadow drawn first or last,
    // and on a level either figure nearer.
    for (const bool aheadFirst : {true, false}) {
        const PlacedFigure aheadPlaced{&ahead, 40, 0, 0};
        const PlacedFigure centrePlaced{&centre, 0, 0, 0};
        const CombinedFrames combined =
            combineFigures(aheadFirst ? std::vector{aheadPlaced, centrePlaced} : std::vector{centrePlaced, aheadPlaced},
                           8, 1);
        ASSERT_EQ(combined.frames.size(), 8u);
        for (int d = 0; d < 8; ++d)
            expectSeenAsAViewerSeesThem(combined.frames[std::size_t(d)], kFacings[d], aheadFirst);
    }
}

TEST(FormationCombine, EachFigureShowsItsFrameShiftedByItsOffset)
{
    // Direction d's frame k is a block of index 64 + 10 d + k.
    FigureUnit unit;
    unit.directions = 8;
    unit.framesPerDirection = 5;
    unit.leftOffset = kLeft;
    unit.topOffset = kTop;
    for (int d = 0; d < 8; ++d) {
        for (int k = 0; k < 5; ++k)
            unit.frames.push_back(blockFrame(4, 0, std::uint8_t(64 + 10 * d + k), 255));
    }
    const struct {
        int offset;
        int unitFrames;
        std::vector<int> shown; // the figure's frame at each of the unit's
    } cases[] = {
        {0, 5, {0, 1, 2, 3, 4}},       {7, 5, {2, 3, 4, 0, 1}}, {-12, 5, {3, 4, 0, 1, 2}},
        {3, 7, {3, 4, 0, 1, 2, 3, 4}}, {0, 2, {0, 1}},
    };
    for (const auto& c : cases) {
        const CombinedFrames combined = combineFigures({{&unit, 0, 0, c.offset}}, 8, c.unitFrames);
        ASSERT_EQ(combined.frames.size(), std::size_t(8 * c.unitFrames)) << c.offset;
        for (int d = 0; d < 8; ++d) {
            for (int i = 0; i < c.unitFrames; ++i) {
                EXPECT_EQ(combined.frames[std::size_t(d * c.unitFrames + i)].at(kLeft, kTop),
                          64 + 10 * d + c.shown[std::size_t(i)])
                    << "offset " << c.offset << ", " << kFacings[d].name << " frame " << i;
            }
        }
    }
}

TEST(FormationCombine, PixelsOutsideThePictureAreCutAndCounted)
{
    FigureUnit unit = blockFigure(100, 20, 100, 250);
    unit.leftOffset = 180; // 40 of its 100 columns lie past the right edge
    const CombinedFrames combined = combineFigures({{&unit, 0, 0, 0}}, 8, 1);
    EXPECT_EQ(combined.cutPixels, 8u * 40 * 100);
    EXPECT_EQ(combined.frames[0].at(239, kTop + 50), 100);

    // Transparent pixels are nothing to cut.
    unit.frames.assign(8, blockFrame(100, 50, 255, 255));
    EXPECT_EQ(combineFigures({{&unit, 0, 0, 0}}, 8, 1).cutPixels, 0u);
}

TEST(FormationCombine, AUnitOfOneDirectionFacesTheViewer)
{
    FigureUnit unit = blockFigure(10, 0, 100, 100);
    unit.directions = 1;
    unit.frames.resize(1);
    const CombinedFrames combined = combineFigures({{&unit, 40, 30, 0}}, 1, 1);
    ASSERT_EQ(combined.frames.size(), 1u);
    // Facing south: ahead is down the screen, its right hand on the left.
    const Box box = boxOf(combined.frames[0], 100);
    EXPECT_EQ(box.left, kLeft - 30);
    EXPECT_EQ(box.top, kTop + 20);
}

} // namespace
} // namespace kinetra
