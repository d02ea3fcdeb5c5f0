// A series of pictures without a note: the files are found and ordered as a
// renderer numbered them, each lands in the unit's direction and frame, and
// what shows is cut out and placed where it stood.

#include "storyboard/FrameSeries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kinetra {
namespace {

TEST(FrameSeriesTest, NamesSortWithTheirNumbersTakenAsNumbers)
{
    std::vector<std::string> names{"walk10.png", "walk2.png", "walk1.png", "run1.png", "walk02.png",
                                   "walk_S_3.png", "walk_S_10.png", "walk_SW_9.png", "walk100.png", "walk"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    const std::vector<std::string> expected{"run1.png",      "walk",         "walk1.png",     "walk02.png",
                                            "walk2.png",     "walk10.png",   "walk100.png",   "walk_SW_9.png",
                                            "walk_S_3.png",  "walk_S_10.png"};
    EXPECT_EQ(names, expected);
    for (const std::string& name : names)
        EXPECT_FALSE(naturalLess(name, name)) << name;
}

TEST(FrameSeriesTest, DirectionOrdersArePermutationsOfTheGamesNames)
{
    std::string problem;
    const auto order = parseDirectionOrder("S,SW,W,NW,N,NE,E,SE", problem);
    ASSERT_TRUE(order) << problem;
    EXPECT_EQ(*order, (std::vector<int>{1, 0, 7, 6, 5, 4, 3, 2}));
    EXPECT_TRUE(parseDirectionOrder("sw,s,se,e,ne,n,nw,w", problem));

    const struct {
        const char* text;
        const char* named;
    } refused[] = {
        {"S,SW,W,NW,N,NE,E", "names 7"},
        {"S,SW,W,NW,N,NE,E,SE,S", "names S twice"},
        {"S,SW,W,NW,N,NE,E,S", "names S twice"},
        {"S,SW,W,NW,N,NE,E,X", "'X'"},
        {"", "''"},
        {"S;SW;W;NW;N;NE;E;SE", "'S;SW;W;NW;N;NE;E;SE'"},
    };
    for (const auto& c : refused) {
        problem.clear();
        EXPECT_FALSE(parseDirectionOrder(c.text, problem)) << c.text;
        EXPECT_NE(problem.find(c.named), std::string::npos) << problem;
        EXPECT_NE(problem.find(std::string("'") + c.text + "'"), std::string::npos) << problem;
    }
}

// A renderer that numbers its files per angle, S first and going clockwise:
// each picture must land on the frame of its direction in the file's order.
TEST(FrameSeriesTest, EachPictureLandsOnItsDirectionAndFrame)
{
    std::string problem;
    const auto order = parseDirectionOrder("S,SW,W,NW,N,NE,E,SE", problem);
    ASSERT_TRUE(order);
    const std::vector<std::size_t> places = fileOrderOfSeries(8, 3, *order);
    ASSERT_EQ(places.size(), 24u);
    const char* const rendered[] = {"S", "SW", "W", "NW", "N", "NE", "E", "SE"};
    for (std::size_t picture = 0; picture < places.size(); ++picture) {
        const std::size_t direction = places[picture] / 3;
        EXPECT_STREQ(kUnitDirectionNames[direction], rendered[picture / 3]) << picture;
        EXPECT_EQ(places[picture] % 3, picture % 3) << picture;
    }
    EXPECT_EQ(fileOrderOfSeries(2, 2, {}), (std::vector<std::size_t>{0, 1, 2, 3}));
}

TEST(FrameSeriesTest, PatternsFoldersAndFilesFindThePictures)
{
    const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "frame-series";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const char* name : {"f10.png", "f9.png", "f1.PNG", "notes.txt", "f2.bmp"})
        std::ofstream(folder / name) << "x";
    std::string problem;

    const auto byPattern = expandFramePattern((folder / "f*.png").string(), problem);
    ASSERT_TRUE(byPattern) << problem;
    EXPECT_EQ(*byPattern, (std::vector<std::string>{(folder / "f9.png").string(), (folder / "f10.png").string()}));

    const auto byFolder = expandFramePattern(folder.string(), problem);
    ASSERT_TRUE(byFolder) << problem;
    ASSERT_EQ(byFolder->size(), 4u);
    EXPECT_EQ(std::filesystem::path(byFolder->front()).filename(), "f1.PNG");
    EXPECT_EQ(std::filesystem::path(byFolder->back()).filename(), "f10.png");

    EXPECT_FALSE(expandFramePattern((folder / "g*.png").string(), problem));
    EXPECT_NE(problem.find("g*.png"), std::string::npos) << problem;
}

IndexImage transparentFrame(int width, int height)
{
    IndexImage frame(width, height);
    std::fill(frame.pixels.begin(), frame.pixels.end(), std::uint8_t(255));
    return frame;
}

TEST(FrameSeriesTest, TheFiguresUnionIsCutAndStaysWhereItStood)
{
    std::vector<IndexImage> frames{transparentFrame(240, 240), transparentFrame(240, 240)};
    frames[0].row(100)[50] = 7;
    frames[1].row(130)[90] = 8;
    frames[1].row(110)[40] = 9;
    std::string problem;
    const auto placed = placeOnUnitPicture(frames, problem);
    ASSERT_TRUE(placed) << problem;
    EXPECT_EQ(placed->leftOffset, 40);
    EXPECT_EQ(placed->topOffset, 100);
    ASSERT_EQ(placed->frames.size(), 2u);
    EXPECT_EQ(placed->frames[0].width, 51);
    EXPECT_EQ(placed->frames[0].height, 31);
    EXPECT_EQ(placed->frames[0].at(10, 0), 7);
    EXPECT_EQ(placed->frames[1].at(50, 30), 8);
    EXPECT_EQ(placed->frames[1].at(0, 10), 9);

    // A larger render centred on the game's picture: 400 x 300 moves by
    // -80, -30.
    std::vector<IndexImage> large{transparentFrame(400, 300)};
    large[0].row(40)[100] = 1;
    large[0].row(200)[250] = 1;
    const auto centred = placeOnUnitPicture(large, problem);
    ASSERT_TRUE(centred) << problem;
    EXPECT_EQ(centred->leftOffset, 20);
    EXPECT_EQ(centred->topOffset, 10);

    // A smaller one: 100 x 100 moves by 70, 70.
    std::vector<IndexImage> small{transparentFrame(100, 100)};
    small[0].row(0)[0] = 1;
    const auto inside = placeOnUnitPicture(small, problem);
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->leftOffset, 70);
    EXPECT_EQ(inside->frames[0].width, 1);
}

TEST(FrameSeriesTest, WhatCannotBePlacedIsRefusedWithItsSizes)
{
    std::string problem;
    std::vector<IndexImage> wide{transparentFrame(400, 100)};
    wide[0].row(50)[10] = 1;
    wide[0].row(50)[380] = 1;
    EXPECT_FALSE(placeOnUnitPicture(wide, problem));
    EXPECT_NE(problem.find("371 x 1 pixels at 10,50 of the 400 x 100 pictures"), std::string::npos) << problem;

    EXPECT_FALSE(placeOnUnitPicture({transparentFrame(10, 10)}, problem));
    EXPECT_NE(problem.find("Nothing shows"), std::string::npos) << problem;
}

} // namespace
} // namespace kinetra
