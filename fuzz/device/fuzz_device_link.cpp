// A hostile controller on the other end of the device link: every reply the link reads comes
// from the fuzz input. The first byte picks the operation (a single command's decoder, Receive
// ALL or Transmit ALL), the second how the stream is cut into reads and the slot, channel or
// event asked for. The rest is what the controller says after each request in turn: a 16-bit
// length (low byte first) and that many bytes, anything at all. Once a request's bytes are read
// the line is silent, so every read ends at once; no retry pauses are taken (the operations are
// driven without the retried exchange).
//
// Besides crashes and undefined behaviour, what a transfer from the controller leaves in the
// configuration must be something the program can save and open again.
#include "config/ConfigurationModel.h"
#include "config/RunLog.h"
#include "device/DeviceLink.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

class SilentPrompts : public veltrane::Prompts {
public:
    void ShowMessage(const std::string&, veltrane::MessageIcon) override {}
    bool AskWarning(const std::string&) override { return false; }
};

class HostileLink : public veltrane::DeviceLink {
public:
    HostileLink(veltrane::Prompts& prompts, const std::uint8_t* data, std::size_t size, std::uint8_t cut)
        : DeviceLink(prompts), data_(data), size_(size), cut_(cut) {}

    bool IsOpen() const override { return true; }
    int Read(int count, std::uint8_t* buffer) override {
        if (count <= 0 || at_ >= answerEnd_) {
            return 0; // silence: the read's time-out has passed
        }
        std::size_t piece = (cut_ & 0x3F) + 1 + (at_ % 5);
        piece = std::min({piece, answerEnd_ - at_, static_cast<std::size_t>(count)});
        std::memcpy(buffer, data_ + at_, piece);
        at_ += piece;
        return static_cast<int>(piece);
    }
    // A request: what the controller said to the last one and nobody read is gone (the link
    // flushes before it sends), and its answer to this one starts.
    bool Write(const std::uint8_t*, int count, int* written) override {
        at_ = std::min(answerEnd_, size_);
        std::size_t length = at_ < size_ ? data_[at_++] : 0;
        if (at_ < size_) {
            length |= static_cast<std::size_t>(data_[at_++]) << 8;
        }
        answerEnd_ = std::min(size_, at_ + length);
        if (written != nullptr) {
            *written = count;
        }
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint8_t cut_;
    std::size_t at_ = 0;
    std::size_t answerEnd_ = 0;
};

void CheckReopens(veltrane::ConfigurationModel& received, veltrane::Prompts& prompts,
                  veltrane::RunLog& runLog) {
    const std::vector<std::uint8_t> block = received.StoreBlock();
    veltrane::ConfigurationModel reopened(prompts, runLog);
    if (!reopened.LoadBlock(block) || reopened.StoreBlock() != block) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    static SilentPrompts prompts;
    static veltrane::RunLog runLog("fuzz.log", veltrane::SystemClock::Instance(), prompts);
    runLog.SetEnabled(false);
    HostileLink link(prompts, data + 2, size - 2, data[1]);
    const int which = data[1] >> 6; // slot, channel or event index
    veltrane::ConfigurationModel config(prompts, runLog);
    switch (data[0] % 14) {
    case 0: {
        std::string id;
        link.ReadControllerId(id);
        break;
    }
    case 1: {
        int mode = 0;
        link.ReadDspMode(mode);
        break;
    }
    case 2: {
        veltrane::GateMode mode{};
        link.ReadGateMode(which, mode);
        break;
    }
    case 3: {
        veltrane::BoardSettings board{};
        link.ReadBoardSettings(board);
        break;
    }
    case 4:
        if (link.ReadBoardSettings(config)) {
            CheckReopens(config, prompts, runLog);
        }
        break;
    case 5: {
        std::uint16_t value = 0;
        link.AutoZeroChannel(which % veltrane::kChannelCount, value);
        break;
    }
    case 6: {
        veltrane::ChannelSettings record{};
        link.ReadChannelSettings(which % veltrane::kChannelCount, record);
        break;
    }
    case 7: {
        veltrane::PulseRecord record{};
        link.RequestPulse();
        link.ReadPulse(record,
                       (data[0] & 0x80) != 0 ? veltrane::ReadMode::Waiting : veltrane::ReadMode::UntilQuiet);
        break;
    }
    case 8: {
        int count = 0;
        link.ReadTimedEventCount(count);
        break;
    }
    case 9: {
        veltrane::TimedEvent event{};
        link.ReadTimedEvent(which, event);
        break;
    }
    case 10:
        // Whatever a transfer took over must survive a save and a reopen, finished or not.
        link.ReceiveAllSettings(config);
        CheckReopens(config, prompts, runLog);
        break;
    case 11:
        link.TransmitAllSettings(config);
        break;
    case 12:
        link.TransmitBoardSettings(config);
        link.TransmitChannelSettings(config);
        break;
    default:
        link.SaveToEeprom();
        link.ResetToReady();
        link.ClearTimedEvents();
        break;
    }
    return 0;
}
