// veltrane-cfg: shows a configuration file as text and builds one from text.

#include "ConfigText.h"

#include "config/ConfigurationBlock.h"
#include "config/ConfigurationFile.h"
#include "config/Messages.h"
#include "platform/Options.h"
#include "platform/Process.h"
#include "platform/Prompts.h"
#include "platform/Version.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

using namespace veltrane;

constexpr const char* kUsage =
    "usage: veltrane-cfg show FILE.cfg\n"
    "       veltrane-cfg make TEXT OUT.cfg\n"
    "       veltrane-cfg --version\n"
    "\n"
    "show  prints every field of a configuration file, one 'field = value' line each, in a fixed\n"
    "      order, so two configurations can be compared with diff.\n"
    "make  builds a configuration file from text in that form ('-' reads standard input). Every\n"
    "      field must be given once; text after '#' is ignored. OUT.cfg is replaced only when the\n"
    "      whole file was written.\n"
    "\n"
    "Exit status: 0 success, 1 invalid input or failed write, 2 wrong arguments.\n";

int Show(const std::string& path) {
    ConsolePrompts prompts;
    std::vector<std::uint8_t> bytes;
    const FileReadStatus read = ReadWholeFile(path, bytes);
    if (read != FileReadStatus::Ok) {
        if (read == FileReadStatus::TooLarge) {
            prompts.ShowMessage(messages::kInvalidConfigurationFormat);
        }
        prompts.ShowMessage(messages::kInvalidConfigurationFile);
        std::cerr << "veltrane-cfg: " << path
                  << (read == FileReadStatus::TooLarge
                          ? ": far too large for a configuration\n"
                          : ": missing, unreadable, empty or not a regular file\n");
        return 1;
    }
    ConfigurationBlock block;
    const BlockStatus status = DecodeBlock(bytes, block);
    if (status != BlockStatus::Ok) {
        prompts.ShowMessage(messages::kInvalidConfigurationFormat);
        prompts.ShowMessage(messages::kInvalidConfigurationFile);
        std::cerr << "veltrane-cfg: " << path << ": " << DescribeBlockStatus(status) << "\n";
        return 1;
    }
    std::cout << cfgtext::FormatConfiguration(block);
    return std::cout.flush() ? 0 : 1;
}

bool ReadText(const std::string& path, std::string& text) {
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(path, bytes, 16ull * 1024 * 1024) != FileReadStatus::Ok) {
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

int Make(const std::string& textPath, const std::string& outPath) {
    std::string text;
    if (!ReadText(textPath, text)) {
        std::cerr << "veltrane-cfg: " << textPath
                  << ": cannot read the text (missing, unreadable or empty)\n";
        return 1;
    }
    ConfigurationBlock block;
    std::vector<cfgtext::ParseError> errors;
    if (!cfgtext::ParseConfiguration(text, block, errors)) {
        for (const auto& error : errors) {
            std::cerr << textPath;
            if (error.line > 0) {
                std::cerr << ":" << error.line;
            }
            std::cerr << ": " << error.message << "\n";
        }
        std::cerr << "veltrane-cfg: " << outPath << " not written\n";
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    EncodeBlock(block, bytes);
    if (!WriteFileReplacing(outPath, bytes)) {
        ConsolePrompts prompts;
        prompts.ShowMessage(messages::kUnableToSaveConfiguration);
        std::cerr << "veltrane-cfg: " << outPath << ": could not be written\n";
        return 1;
    }
    return 0;
}

// What is wrong with arguments that are neither "show FILE" nor "make TEXT OUT".
std::string ArgumentMistake(const std::vector<std::string>& args) {
    if (args.empty()) {
        return "show or make expected";
    }
    const std::string& first = args[0];
    if (first.rfind('-', 0) == 0 && first != "-") {
        return UnknownOptionText(first);
    }
    if (first == "show" || first == "make") {
        return first + (first == "show" ? " takes FILE.cfg" : " takes TEXT and OUT.cfg");
    }
    return "unknown command " + first + " (show or make)";
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = CommandLineArguments(argc, argv);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << VersionLine("veltrane-cfg");
        return 0;
    }
    if (args.size() == 2 && args[0] == "show") {
        return Show(args[1]);
    }
    if (args.size() == 3 && args[0] == "make") {
        return Make(args[1], args[2]);
    }
    std::cerr << ArgumentErrorLine("veltrane-cfg", ArgumentMistake(args));
    return 2;
}
