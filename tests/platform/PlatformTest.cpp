#include "CommaLocale.h"
#include "FakePlatform.h"
#include "platform/CorvanetLocation.h"
#include "platform/DirectFile.h"
#include "platform/DiskSpace.h"
#include "platform/FilePath.h"
#include "platform/NumberText.h"
#include "platform/Options.h"
#include "platform/Profile.h"
#include "platform/RegularFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>

using namespace veltrane;

TEST(Profile, IntegersFallBackOnAnythingButAWholeNumber) {
    MemoryProfile profile;
    EXPECT_EQ(profile.GetInt("Com", "Port", 2), 2);
    profile.SetInt("Com", "Port", 1);
    EXPECT_EQ(profile.GetInt("Com", "Port", 2), 1);
    for (const char* bad : {"", "1x", " 1", "x", "99999999999"}) {
        profile.SetString("Com", "Port", bad);
        EXPECT_EQ(profile.GetInt("Com", "Port", 2), 2) << '"' << bad << '"';
    }
}

TEST(NumberText, TakesOnlyTheWholeTextAsANumberWithAPointInACommaLocale) {
    VELTRANE_IN_COMMA_LOCALE(comma);
    const std::pair<const char*, double> good[] = {{"1.5", 1.5}, {"+2", 2.0}, {"-3e-2", -0.03}, {".5", 0.5}};
    for (const auto& [text, expected] : good) {
        double value = 0.0;
        EXPECT_TRUE(ParseDouble(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* bad : {"", "1,5", " 1", "1 ", "+", "+-1", "inf", "nan", "0x10", "1e400", "12abc"}) {
        double value = 7.0;
        EXPECT_FALSE(ParseDouble(bad, value)) << '"' << bad << '"';
        EXPECT_EQ(value, 7.0) << '"' << bad << '"';
    }
    float single = 0.0f;
    EXPECT_FALSE(ParseFloat("1e39", single)) << "beyond float, though within double";
    EXPECT_TRUE(ParseFloat("2.5", single));
    EXPECT_EQ(single, 2.5f);

    int whole = 0;
    EXPECT_TRUE(ParseWholeNumber("+32767", whole));
    EXPECT_EQ(whole, 32767);
    for (const char* bad : {"", "1.0", "1e3", "+-1", " 1", "99999999999"}) {
        EXPECT_FALSE(ParseWholeNumber(bad, whole)) << '"' << bad << '"';
    }
    std::uint64_t seed = 0;
    EXPECT_FALSE(ParseWholeNumber("-1", seed)) << "no wrap-around";
}

// A small table as the programs build theirs: a flag that ends the reading, a checked number, operands.
struct OptionsRun {
    bool help = false;
    double rate = 0.0;
    std::vector<std::string> files;
    std::string error;

    bool Parse(const std::vector<std::string>& arguments, bool inlineValues = false) {
        OptionTable table;
        table.inlineValues = inlineValues;
        table.options = {Flag(
                             {"--help", "-h"}, [this] { help = true; }, true),
                         Valued({"--rate"}, [this](const std::string& value, std::string& why) {
                             if (value == "0") {
                                 why = "--rate needs pulses per second";
                             }
                             return ParseDouble(value, rate) && rate > 0;
                         })};
        table.operand = [this](const std::string& file, std::string&) {
            files.push_back(file);
            return true;
        };
        table.badValue = [](const std::string& name, const std::string& value) {
            return "bad value for " + name + ": " + value;
        };
        return Parse(arguments, table);
    }
    bool Parse(const std::vector<std::string>& arguments, const OptionTable& table) {
        return ParseOptions(arguments, table, error);
    }
};

TEST(Options, ValuesOperandsAndTheOneLineMistakes) {
    VELTRANE_IN_COMMA_LOCALE(comma);
    OptionsRun run;
    ASSERT_TRUE(run.Parse({"a.dat", "--rate", "2.5", "-", "-h", "--bogus"}));
    EXPECT_EQ(run.rate, 2.5);
    EXPECT_EQ(run.files, (std::vector<std::string>{"a.dat", "-"}));
    EXPECT_TRUE(run.help) << "read up to --help, nothing after it";

    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"-x", "--help"}, "unknown option -x"},
        {{"--rate"}, "--rate needs a value"},
        {{"--rate", "2,5"}, "bad value for --rate: 2,5"},
        {{"--rate", "0"}, "--rate needs pulses per second"},
        {{"--rate=3"}, "unknown option --rate=3"}};
    for (const auto& [arguments, message] : mistakes) {
        OptionsRun wrong;
        EXPECT_FALSE(wrong.Parse(arguments)) << message;
        EXPECT_EQ(wrong.error, message);
    }
    OptionsRun joined;
    ASSERT_TRUE(joined.Parse({"--rate=3"}, true)) << joined.error;
    EXPECT_EQ(joined.rate, 3.0);

    OptionsRun strict;
    OptionTable noOperands;
    EXPECT_FALSE(strict.Parse({"a.dat"}, noOperands));
    EXPECT_EQ(strict.error, "unknown option a.dat");
}

TEST(SystemDiskSpace, ReportsTheTempFolderAndNothingForAMissingOne) {
    fakes::TempDir dir;
    EXPECT_TRUE(SystemDiskSpace::Instance().FreeBytes(dir.Path().string()).has_value());
    EXPECT_FALSE(SystemDiskSpace::Instance().FreeBytes(dir.File("missing/deeper")).has_value());
}

TEST(CorvanetLocation, ProgramFolderThenBuildTreeThenAbsolutePathEntriesInOrder) {
    fakes::TempDir dir;
    const std::string program = dir.File("bin");
    const std::string onPathFirst = dir.File("path1");
    const std::string onPathSecond = dir.File("path2");
    std::filesystem::create_directories(program);
    fakes::WriteScript(onPathSecond + "/" + CorvanetProgramName());
#if defined(_WIN32)
    const char separator = ';'; // every file can be run
#else
    const char separator = ':';
    fakes::WriteScript(onPathFirst + "/" + CorvanetProgramName(), false); // cannot be run: skipped
#endif
    const std::string path =
        "relative" + std::string(1, separator) + onPathFirst + separator + separator + onPathSecond;
    EXPECT_EQ(FindCorvanetFolder(program, path), onPathSecond);

    fakes::WriteScript(dir.File("tools/corvanet/") + CorvanetProgramName());
    EXPECT_EQ(std::filesystem::path(FindCorvanetFolder(program, path)), dir.Path() / "tools" / "corvanet");

    fakes::WriteScript(program + "/" + CorvanetProgramName());
    EXPECT_EQ(FindCorvanetFolder(program, path), program);
}

TEST(CorvanetLocation, NothingFoundGivesEmptyAndRelativeEntriesAreNotSearched) {
    fakes::TempDir dir;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    fakes::WriteScript(dir.File("here/") + CorvanetProgramName());
    EXPECT_EQ(FindCorvanetFolder(dir.File("bin"), ":here:."), "");
    EXPECT_FALSE(HoldsCorvanet(""));
    std::filesystem::current_path(previous);
}

// Names outside ASCII, as an operator types them: on Windows the narrow calls would read them in
// the ANSI code page and make the files under other names.
TEST(FilePath, FilesAndFoldersAreMadeAndFoundUnderTheirUtf8Names) {
    fakes::TempDir dir;
    const std::string folder = Utf8FromPath(dir.Path());
    const std::string written = "Pr\u00FCfung \u00B5s.cfg";
    const std::string recorded = "\u03B1\u03B2001.dat";
    const std::string subfolder = "Me\u00DFdaten";

    std::FILE* file = OpenFile(folder + "/" + written, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("x", file);
    std::fclose(file);
    DirectFile direct;
    ASSERT_EQ(direct.Open(folder + "/" + recorded, DirectFile::Mode::New), DirectFile::Opened::Yes);
    EXPECT_TRUE(direct.Append(std::vector<std::uint8_t>{1, 2}));
    EXPECT_TRUE(direct.Close());
    EXPECT_EQ(direct.Open(folder + "/" + recorded, DirectFile::Mode::New), DirectFile::Opened::Exists);
    ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folder + "/" + subfolder)));

    EXPECT_TRUE(FolderIsWritable(folder + "/" + subfolder));
    EXPECT_FALSE(FolderIsWritable(folder + "/" + written));

    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        names.insert(Utf8FromPath(entry.path().filename()));
    }
    EXPECT_EQ(names, (std::set<std::string>{written, recorded, subfolder}));
    EXPECT_TRUE(IsRegularFile(folder + "/" + written));
    EXPECT_TRUE(SystemDiskSpace::Instance().FreeBytes(folder + "/" + subfolder).has_value());
}
