#pragma once

#include "FakePlatform.h"
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "device/DeviceLink.h"
#include "dialogs/DialogHost.h"
#include "live/LiveState.h"

#include <algorithm>
#include <string>
#include <vector>

namespace veltrane::dialogtest {

// Remembers whether polling was held off while each message was up.
class WatchingPrompts : public fakes::FakePrompts {
public:
    explicit WatchingPrompts(LiveState& live) : live_(live) {}
    void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::None) override {
        suspendedWhileShown.push_back(live_.pollingSuspended);
        FakePrompts::ShowMessage(text, icon);
    }
    std::vector<bool> suspendedWhileShown;

private:
    LiveState& live_;
};

class RecordingDocument : public ConfigDocument {
public:
    void SetModifiedFlag(bool value) override {
        modified = value;
        calls.push_back(value);
    }
    bool modified = false;
    std::vector<bool> calls;
};

inline GateMode Mode(int name, int suffix, float startA = 1.0f, float stopA = 2.0f, int op = 0,
                     float alpha = 0.5f) {
    GateMode mode;
    mode.name = static_cast<std::int16_t>(name);
    mode.suffix = static_cast<std::int16_t>(suffix);
    mode.startA = startA;
    mode.stopA = stopA;
    mode.operatorIndex = static_cast<std::int16_t>(op);
    mode.alpha = alpha;
    mode.startB = 3.0f;
    mode.stopB = 4.0f;
    return mode;
}

inline TimedEvent Event(float start, int type, int channel, float value, int gateSuffix = 1) {
    TimedEvent event;
    event.startTime = start;
    event.type = static_cast<std::int16_t>(type);
    event.channel = static_cast<std::int16_t>(channel);
    event.value = value;
    event.gateSuffix = static_cast<std::int16_t>(gateSuffix);
    return event;
}

// A configuration, live state and offline link as the application holds them.
struct DialogWorld {
    DialogWorld() {
        fakes::WriteBytes(dir.File("run.log"), {});
        config.AttachDocument(&document);
    }

    void SetModes(const std::vector<GateMode>& modes) { config.SetGateModes(modes); }
    void AssignChannel(int index, int name, int suffix) {
        ChannelSettings channel = config.GetChannel(index);
        channel.gateModeName = static_cast<std::int16_t>(name);
        channel.gateModeSuffix = static_cast<std::int16_t>(suffix);
        config.SetChannel(channel, index);
    }
    bool Shown(const std::string& text) const {
        const auto texts = prompts.Texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::size_t LogCount(const std::string& prefix) const {
        const auto& entries = config.RunLogEntries();
        return static_cast<std::size_t>(
            std::count_if(entries.begin(), entries.end(),
                          [&](const std::string& e) { return e.find(prefix) != std::string::npos; }));
    }

    fakes::TempDir dir;
    LiveState live;
    WatchingPrompts prompts{live};
    fakes::FakeClock clock;
    RunLog runLog{dir.File("run.log"), clock, prompts};
    ConfigurationModel config{prompts, runLog};
    RecordingDocument document;
    DeviceLink link{prompts};
    DialogHost host{config, prompts, live, link, clock};
};

} // namespace veltrane::dialogtest
