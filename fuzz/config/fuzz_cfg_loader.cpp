// Feeds arbitrary bytes to the configuration block loader. A block that loads must store back to
// exactly the same bytes; one that is refused must leave the model as it was.

#include "config/ConfigurationModel.h"
#include "config/LogTexts.h"
#include "config/RunLog.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class SilentPrompts : public veltrane::Prompts {
public:
    void ShowMessage(const std::string&, veltrane::MessageIcon) override { ++shown; }
    bool AskWarning(const std::string&) override { return false; }
    int shown = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static SilentPrompts prompts;
    static veltrane::RunLog runLog("fuzz.log", veltrane::SystemClock::Instance(), prompts);
    runLog.SetEnabled(false);
    veltrane::ConfigurationModel model(prompts, runLog);

    const std::vector<std::uint8_t> before = model.StoreBlock();
    const int shownBefore = prompts.shown;
    const std::vector<std::uint8_t> input(data, data + size);
    if (model.LoadBlock(input)) {
        if (model.StoreBlock() != input || prompts.shown != shownBefore) {
            __builtin_trap();
        }
        // The texts built from loaded values must cope with anything a file holds.
        for (int i = 0; i < model.GateModeCount(); ++i) {
            (void)veltrane::ModeText(model.GetGateMode(i));
        }
        for (const auto& event : model.GetTimedEvents()) {
            (void)veltrane::EventLine(event);
        }
    } else if (model.StoreBlock() != before || prompts.shown != shownBefore + 1) {
        __builtin_trap();
    }
    return 0;
}
