#include "platform/Options.h"

#include <algorithm>
#include <optional>

namespace veltrane {

namespace {

const Option* Find(const OptionTable& table, const std::string& name) {
    for (const Option& option : table.options) {
        if (std::find(option.names.begin(), option.names.end(), name) != option.names.end()) {
            return &option;
        }
    }
    return nullptr;
}

} // namespace

Option Flag(std::vector<std::string> names, std::function<void()> set, bool last) {
    return {std::move(names), false,
            [set = std::move(set)](const std::string&, std::string&) {
                set();
                return true;
            },
            last};
}

Option Valued(std::vector<std::string> names, OptionAction apply) {
    return {std::move(names), true, std::move(apply), false};
}

std::string UnknownOptionText(const std::string& name) {
    return "unknown option " + name;
}

bool ParseOptions(const std::vector<std::string>& arguments, const OptionTable& table, std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('=');
            table.inlineValues && name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const Option* option = Find(table, name);
        if (option == nullptr) {
            if ((name.size() > 1 && name[0] == '-') || !table.operand) {
                error = UnknownOptionText(name);
                return false;
            }
            if (!table.operand(arguments[i], error)) {
                return false;
            }
            continue;
        }
        std::string value;
        if (option->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                error = name + " needs a value";
                return false;
            }
        }
        std::string why;
        if (!option->apply(value, why)) {
            error = why.empty() && table.badValue ? table.badValue(name, value) : why;
            return false;
        }
        if (option->last) {
            return true;
        }
    }
    return true;
}

} // namespace veltrane
