#pragma once

#include "FakePlatform.h"
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"

#include <string>

namespace veltrane::testing {

// A model with its run log in a fresh folder, a fixed clock and recorded prompts.
struct ConfigFixture {
    fakes::TempDir dir;
    fakes::FakeClock clock;
    fakes::FakePrompts prompts;
    std::string logPath = dir.File("veltrane.log");
    RunLog runLog{logPath, clock, prompts};
    ConfigurationModel model{prompts, runLog};

    // An existing, empty log, so entries do not announce a recreated file.
    ConfigFixture() { fakes::WriteBytes(logPath, {}); }

    // Stamp of the fake clock, as it heads every entry.
    static constexpr const char* kStamp = "03/09/26  14:05:07\n";

    // The entry texts written so far, without their date heading and separator.
    std::vector<std::string> EntryTexts() const {
        std::vector<std::string> texts;
        for (const std::string& entry : model.RunLogEntries()) {
            const auto pos = entry.find(kStamp);
            texts.push_back(pos == std::string::npos ? entry
                                                     : entry.substr(pos + std::string(kStamp).size()));
        }
        return texts;
    }
};

} // namespace veltrane::testing
