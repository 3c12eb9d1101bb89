#include "config/RunLogListing.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace veltrane {
namespace {

using fakes::FakePrompts;
using fakes::TempDir;

TEST(RunLogListingTest, LongLinesContinueInPiecesOf99) {
    const std::string line150(150, 'x');
    const auto pieces = RunLogListing::SplitPieces("03/09/26  14:05:07\r\n" + line150 + "\r\n\r\nlast  ");
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0], "03/09/26  14:05:07");
    EXPECT_EQ(pieces[1], std::string(99, 'x'));
    EXPECT_EQ(pieces[2], std::string(51, 'x'));
    EXPECT_EQ(pieces[3], ""); // the blank line between entries
    EXPECT_EQ(pieces[4], "last");
    // A line of exactly 99 characters leaves its line end for an entry of its own.
    EXPECT_EQ(RunLogListing::SplitPieces(std::string(99, 'y') + "\nz").size(), 3u);
    EXPECT_TRUE(RunLogListing::SplitPieces("").empty());
    // Tabs inside a line stay for the list's stops.
    EXPECT_EQ(RunLogListing::SplitPieces("a\tb\t\n")[0], "a\tb");
}

TEST(RunLogListingTest, PagesHold42Lines) {
    auto pages = RunLogListing::PlanPages(42);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].lineCount, 42);
    EXPECT_EQ(RunLogListing::PageFooter(pages[0].number), "Page 1");

    pages = RunLogListing::PlanPages(43);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].number, 2);
    EXPECT_EQ(pages[1].firstLine, 42);
    EXPECT_EQ(pages[1].lineCount, 1);

    // A range ending at page 2 stops there; printing always starts with page 1.
    pages = RunLogListing::PlanPages(200, 2);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].number, 1);
    EXPECT_EQ(RunLogListing::PlanPages(200).size(), 5u);
    // An empty log still prints its heading and footer.
    pages = RunLogListing::PlanPages(0);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].lineCount, 0);
}

TEST(RunLogListingTest, PrintDateAndTabStops) {
    EXPECT_EQ(RunLogListing::PrintDate({2026, 12, 7}), "Monday, December 07, 2026");
    EXPECT_EQ(RunLogListing::PrintDate({2024, 2, 29}), "Thursday, February 29, 2024");
    // 68 characters of 7 pixels: average 7; with a base unit of 7 the stops are 4 units a character.
    EXPECT_EQ(RunLogListing::ListTabStopsDlu(476, 7), (std::array<int, 4>{92, 180, 280, 368}));
    // Rounded to the nearest whole character: 68 * 6.5 = 442 -> 7.
    EXPECT_EQ(RunLogListing::ListTabStopsDlu(442, 7)[0], 92);
}

TEST(RunLogListingTest, MissingFileIsAnnouncedAndCreated) {
    TempDir dir;
    const std::string path = dir.File("veltrane.log");
    FakePrompts prompts;
    RunLogListing listing(path);
    EXPECT_TRUE(listing.Load(prompts));
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"Unable to find " + path + ". This file will be recreated!"});
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(listing.Lines().empty());
}

TEST(RunLogListingTest, UnopenableFileLeavesTheListEmpty) {
    TempDir dir;
    const std::string path = dir.File("veltrane.log");
    std::filesystem::create_directory(path); // exists, but cannot be opened as a file
    FakePrompts prompts;
    RunLogListing listing(path);
    EXPECT_FALSE(listing.Load(prompts));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Unable to open " + path +
                                                        ".  This file may be in use by another process!"});
    EXPECT_TRUE(listing.Lines().empty());
}

TEST(RunLogListingTest, ClearEmptiesTheFileOnlyWhenCommitted) {
    TempDir dir;
    const std::string path = dir.File("veltrane.log");
    fakes::WriteBytes(path, {'a', '\r', '\n', 'b'});
    FakePrompts prompts;
    RunLogListing untouched(path);
    untouched.Load(prompts);
    untouched.Commit(prompts); // OK without Clear
    EXPECT_EQ(fakes::ReadText(path), "a\r\nb");

    RunLogListing listing(path);
    listing.Load(prompts);
    listing.Clear();
    EXPECT_TRUE(listing.Lines().empty());
    EXPECT_EQ(fakes::ReadText(path), "a\r\nb"); // Cancel now would leave it so
    listing.Commit(prompts);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    std::filesystem::remove(path);
    listing.Commit(prompts);
    EXPECT_EQ(prompts.Texts().back(), "Unable to find " + path + ".  Deletion canceled!");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(RunLogListingTest, SaveAsWritesEveryLine) {
    TempDir dir;
    const std::string path = dir.File("veltrane.log");
    std::string log;
    for (int i = 0; i < 60; ++i) {
        log += "line " + std::to_string(i) + "\tcol\r\n";
    }
    log += std::string(150, 'q');
    fakes::WriteBytes(path, std::vector<unsigned char>(log.begin(), log.end()));
    FakePrompts prompts;
    RunLogListing listing(path);
    ASSERT_TRUE(listing.Load(prompts));
    ASSERT_EQ(listing.Lines().size(), 62u);
    ASSERT_TRUE(listing.SaveAs(dir.File("out.txt")));
    std::string expected;
    for (int i = 0; i < 60; ++i) {
        expected += "line " + std::to_string(i) + "\tcol\n";
    }
    expected += std::string(99, 'q') + "\n" + std::string(51, 'q') + "\n";
    EXPECT_EQ(fakes::ReadText(dir.File("out.txt")), expected);
    EXPECT_FALSE(listing.SaveAs(dir.File("no/such/folder/out.txt")));
}

} // namespace
} // namespace veltrane
