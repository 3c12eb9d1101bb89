#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace veltrane::testing {

// Puts the whole process in a decimal-comma locale for one test, as the desktop does for a German
// user, and restores the previous locale afterwards.
class CommaLocale {
public:
    CommaLocale() {
        const char* current = std::setlocale(LC_ALL, nullptr);
        saved_ = current != nullptr ? current : "C";
        available_ = std::setlocale(LC_ALL, kName) != nullptr && *std::localeconv()->decimal_point == ',';
    }
    ~CommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool Available() const { return available_; }
    // CI generates the locale and sets VELTRANE_REQUIRE_COMMA_LOCALE=1: there a missing one fails.
    static bool Required() {
        const char* required = std::getenv("VELTRANE_REQUIRE_COMMA_LOCALE");
        return required != nullptr && std::string(required) == "1";
    }

    static constexpr const char* kName = "de_DE.UTF-8";

private:
    std::string saved_;
    bool available_ = false;
};

} // namespace veltrane::testing

// Skips the test (fails it where the locale is required) when the decimal-comma locale is missing.
#define VELTRANE_IN_COMMA_LOCALE(guard)                                                                      \
    ::veltrane::testing::CommaLocale guard;                                                                  \
    if (!guard.Available()) {                                                                                \
        if (::veltrane::testing::CommaLocale::Required()) {                                                  \
            FAIL() << "locale " << ::veltrane::testing::CommaLocale::kName                                   \
                   << " is missing (scripts/install-deps.sh generates it)";                                  \
        }                                                                                                    \
        GTEST_SKIP() << "locale " << ::veltrane::testing::CommaLocale::kName                                 \
                     << " is not installed here; run scripts/install-deps.sh to test under it";              \
    }                                                                                                        \
    static_assert(true)
