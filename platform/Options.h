#pragma once

#include <functional>
#include <string>
#include <vector>

namespace veltrane {

// Takes an option's value ("" for an option without one); false when the value cannot be, with the
// reason in error, or error left empty for the table's badValue message.
using OptionAction = std::function<bool(const std::string& value, std::string& error)>;

struct Option {
    std::vector<std::string> names; // "--help", "-h"
    bool takesValue = false;
    OptionAction apply;
    bool last = false; // the arguments after it are not read (--help, --version)
};

// An option that takes no value and cannot fail.
Option Flag(std::vector<std::string> names, std::function<void()> set, bool last = false);
// An option with a value.
Option Valued(std::vector<std::string> names, OptionAction apply);

struct OptionTable {
    std::vector<Option> options;
    // Arguments that are not options (a lone "-" is one); without it every argument must be an option.
    std::function<bool(const std::string& argument, std::string& error)> operand;
    // The message for a value refused without a reason; without it the reason must be given.
    std::function<std::string(const std::string& name, const std::string& value)> badValue;
    bool inlineValues = false; // "--name=value" as well as "--name value"
};

// Reads the arguments after the program name by the table, in order. False with a one-line
// message in error for an unknown option, a missing value or a refused one.
bool ParseOptions(const std::vector<std::string>& arguments, const OptionTable& table, std::string& error);

std::string UnknownOptionText(const std::string& name);

} // namespace veltrane
