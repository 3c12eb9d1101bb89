#include "sim/ControllerEmulator.h"

#include "protocol/FrameCodec.h"
#include "sim/WireBytes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace veltrane {

namespace {

constexpr double kMaxWait = 0.02;       // the cycle and the fault schedule are looked at this often
constexpr double kPacingSlice = 0.002;  // bytes go out in slices of about this length
constexpr double kOverrunSeconds = 2.0; // nobody reads the line: what waits is lost, as in a UART
constexpr std::uint8_t kNakStorage = 5;
constexpr int kMinLineRate = 50;
constexpr double kPi = 3.14159265358979323846;

} // namespace

ControllerEmulator::ControllerEmulator(EmulatorOptions options, std::unique_ptr<EmulatorLine> line)
    : options_(std::move(options)), line_(std::move(line)), gc_(options_.gc),
      chromatogram_(options_.gc.runLengthSeconds), pulseModel_(options_.seed), faults_(options_.faults),
      timingRng_(options_.seed ^ 0x9E3779B97F4A7C15ull) {
    options_.rateHz = std::clamp(options_.rateHz, 0.01, 1000.0);
    SetLineRate(options_.baud);
}

void ControllerEmulator::SetLineRate(int baud) {
    lineRate_.store(std::max(baud, kMinLineRate));
}

ControllerEmulator::~ControllerEmulator() {
    Stop();
}

double ControllerEmulator::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime_).count();
}

bool ControllerEmulator::Start() {
    if (thread_.joinable()) {
        return true;
    }
    memory_ = ControllerMemory::LoadImage(options_.eepromPath);
    startTime_ = std::chrono::steady_clock::now();
    plannedInterval_ = 0.0;
    ScheduleNextPulse(0.0);
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void ControllerEmulator::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    stop_ = true;
    line_->Wake();
    thread_.join();
}

bool ControllerEmulator::StartGcRun() {
    std::lock_guard lock(mutex_);
    const GcChanges changes = gc_.StartRun(Now());
    ApplyGcChanges(changes);
    return changes.runStarted;
}

void ControllerEmulator::RaisePmtProtection(double seconds) {
    std::lock_guard lock(mutex_);
    gc_.RaiseProtection(Now(), seconds);
}

void ControllerEmulator::FirePulseAtRequest(int nth, bool afterItsReply) {
    std::lock_guard lock(mutex_);
    firePulseCountdown_ = std::max(nth, 0);
    firePulseAfterReply_ = afterItsReply;
}

ControllerMemory ControllerEmulator::Memory() const {
    std::lock_guard lock(mutex_);
    return memory_;
}

EmulatorStats ControllerEmulator::Stats() const {
    std::lock_guard lock(mutex_);
    EmulatorStats stats = stats_;
    stats.framingErrors = parser_.FramingErrors();
    return stats;
}

EventState ControllerEmulator::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::uint16_t ControllerEmulator::StatusWord() const {
    std::lock_guard lock(mutex_);
    return gc_.StatusWord(Now());
}

void ControllerEmulator::Run() {
    std::uint8_t buffer[512];
    while (!stop_) {
        bool lineUp = false;
        int timeoutMs = 0;
        bool wantWrite = false;
        {
            std::lock_guard lock(mutex_);
            const double now = Now();
            Step(now);
            lineUp = !hungUp_;
            timeoutMs = PollTimeoutMs(now);
            wantWrite = blockedSince_ >= 0.0;
        }
        Notify();
        line_->Wait(timeoutMs, wantWrite);
        if (!lineUp || stop_) {
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            const double now = Now();
            const int n = line_->Read(buffer, static_cast<int>(sizeof buffer));
            for (int i = 0; i < n; ++i) {
                if (Mute()) {
                    continue;
                }
                if (auto request = parser_.Feed(buffer[i])) {
                    HandleRequest(*request, now);
                }
            }
            WriteOutput(now);
        }
        Notify();
    }
}

void ControllerEmulator::Record(LineEvent::Kind kind, std::string_view what, int sequence,
                                std::chrono::steady_clock::time_point at) {
    if (options_.observer) {
        pendingEvents_.push_back(LineEvent{kind, what, sequence, at});
    }
}

void ControllerEmulator::Record(LineEvent::Kind kind, std::string_view what) {
    Record(kind, what, -1, std::chrono::steady_clock::now());
}

void ControllerEmulator::Notify() {
    if (!options_.observer) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (pendingEvents_.empty()) {
            return;
        }
        notifying_.swap(pendingEvents_);
    }
    for (const LineEvent& event : notifying_) {
        options_.observer(event);
    }
    notifying_.clear();
}

void ControllerEmulator::Step(double now) {
    const bool hang = faults_.HungUp(now);
    if (hang && !hungUp_) {
        hungUp_ = true;
        ++stats_.hangUps;
        line_->HangUp();
        DropLine();
        Record(LineEvent::Kind::FaultBegan, line_fault::kHangUp);
    } else if (!hang && hungUp_ && line_->Restore()) {
        hungUp_ = false;
        Record(LineEvent::Kind::FaultEnded, line_fault::kHangUp);
    }
    FollowWindow(faults_.Silent(now), silent_, line_fault::kSilence, true);
    FollowWindow(faults_.Dripping(now), dripping_, line_fault::kDrip, true);
    FollowWindow(faults_.Noisy(now), noisy_, line_fault::kNoise, true);
    const bool wasWrongBaud = wrongBaud_;
    FollowWindow(faults_.WrongBaud(now), wrongBaud_, line_fault::kWrongBaud, false);
    if (wasWrongBaud && !wrongBaud_) {
        // Replies queued while the rate was wrong would still play out at the slow pace, far longer
        // than a controller sending one reply at a time at that rate could have held them back.
        DropLine();
    }
    if (!hungUp_) {
        FeedHostileLine(now);
    }
    ApplyGcChanges(gc_.Advance(now));
    RunTimedEvents(now);
    if (now >= nextPulseAt_) {
        FirePulse(now);
    }
}

void ControllerEmulator::FollowWindow(bool on, bool& state, std::string_view what, bool dropLine) {
    if (on && !state) {
        if (dropLine) {
            DropLine();
        }
        Record(LineEvent::Kind::FaultBegan, what);
    } else if (!on && state) {
        Record(LineEvent::Kind::FaultEnded, what);
    }
    state = on;
}

void ControllerEmulator::FeedHostileLine(double now) {
    if (!dripping_) {
        dripBytes_ = 0;
    } else if (now >= nextDripAt_ || dripBytes_ == 0) {
        // STX, then body bytes that never reach DLE ETX.
        EnqueueRaw({dripBytes_ == 0 ? kStx : static_cast<std::uint8_t>('A' + dripBytes_ % 26)});
        ++dripBytes_;
        nextDripAt_ = now + faults_.Options().dripMs / 1000.0;
    }
    if (noisy_ && output_.empty()) {
        // About one wake-up's worth at the line rate: the line stays full without a backlog.
        const auto count = static_cast<std::size_t>(kMaxWait * LineRate() / 10.0) + 1;
        EnqueueRaw(faults_.Noise(count));
    }
}

void ControllerEmulator::EnqueueRaw(std::vector<std::uint8_t> bytes) {
    if (output_.empty()) {
        nextByteAt_ = std::max(nextByteAt_, Now());
    }
    OutChunk chunk;
    chunk.bytes = std::move(bytes);
    output_.push_back(std::move(chunk));
}

void ControllerEmulator::DropLine() {
    output_.clear();
    outputPos_ = 0;
    pauseTaken_ = false;
    blockedSince_ = -1.0;
    parser_.Reset();
    pulseRequested_ = false;
}

void ControllerEmulator::HandleRequest(const ParsedRequest& request, double now) {
    ++stats_.requests;
    const bool fire = firePulseCountdown_ > 0 && --firePulseCountdown_ == 0;
    if (fire && !firePulseAfterReply_) {
        FirePulse(now);
    }
    AnswerRequest(request, now);
    if (fire && firePulseAfterReply_) {
        FirePulse(now);
    }
}

void ControllerEmulator::AnswerRequest(const ParsedRequest& request, double now) {
    const FaultInjector::RequestFate fate = faults_.DecideRequest();
    if (fate == FaultInjector::RequestFate::Ignore) {
        const auto at = std::chrono::steady_clock::now(); // begins and ends in the same instant
        Record(LineEvent::Kind::FaultBegan, line_fault::kIgnore, -1, at);
        Record(LineEvent::Kind::FaultEnded, line_fault::kIgnore, -1, at);
        return;
    }
    if (options_.dropPendingPulse) {
        pulseRequested_ = false;
    }
    if (fate == FaultInjector::RequestFate::Nak) {
        SendNak(request.index, kNakInjected, true);
        return;
    }
    const CommandResult result = CommandSet::Handle(request, memory_, lastPulse_, options_.versionText);
    if (options_.verbose) {
        std::fprintf(stderr, "pfpd-sim: %.3f s request %u, %zu payload bytes%s\n", now, request.index,
                     request.payload.size(), result.kind == CommandResult::Kind::Nak ? ", NAK" : "");
    }
    switch (result.kind) {
    case CommandResult::Kind::Reply:
        SendReply(request.index, gc_.StatusWord(now), result.data);
        break;
    case CommandResult::Kind::Nak:
        SendNak(request.index, result.nakReason);
        break;
    case CommandResult::Kind::PulseRequest:
        pulseRequested_ = true;
        break;
    case CommandResult::Kind::ResetToReady:
        ApplyGcChanges(gc_.ResetToReady(now));
        SendReply(request.index, gc_.StatusWord(now), {});
        break;
    case CommandResult::Kind::SaveToEeprom:
        if (memory_.SaveImage(options_.eepromPath)) {
            SendReply(request.index, gc_.StatusWord(now), {});
        } else {
            SendNak(request.index, kNakStorage);
        }
        break;
    }
}

void ControllerEmulator::SendReply(std::uint8_t index, std::uint16_t status,
                                   std::span<const std::uint8_t> data, int pulseSequence) {
    // Header bytes 1 and 4 stay 0: a 0x02 there would read as a doubled STX.
    std::vector<std::uint8_t> body{0, static_cast<std::uint8_t>(status & 0xFF),
                                   static_cast<std::uint8_t>(status >> 8), 0, index};
    body.insert(body.end(), data.begin(), data.end());
    Enqueue(BuildFrame(body), true, pulseSequence, false);
}

void ControllerEmulator::SendNak(std::uint8_t index, std::uint8_t reason, bool injected) {
    ++stats_.naksSent;
    Enqueue({kNak, index, reason}, false, -1, injected);
}

void ControllerEmulator::Enqueue(std::vector<std::uint8_t> bytes, bool isFrame, int pulseSequence,
                                 bool injectedNak) {
    if (output_.empty()) {
        nextByteAt_ = std::max(nextByteAt_, Now());
    }
    std::vector<OutChunk> chunks = faults_.Apply(std::move(bytes), isFrame);
    chunks.back().pulseSequence = pulseSequence;
    if (injectedNak) {
        chunks.back().fault = line_fault::kNak; // whatever else befell its bytes
    }
    if (wrongBaud_) {
        chunks = Misclocked(std::move(chunks));
    }
    for (OutChunk& chunk : chunks) {
        output_.push_back(std::move(chunk));
    }
}

std::vector<OutChunk> ControllerEmulator::Misclocked(std::vector<OutChunk> chunks) const {
    // One chunk per byte sent, paced at the sender's rate (less what pacing at ours adds).
    const int senderBaud = faults_.Options().wrongBaud;
    std::vector<OutChunk> out;
    const int lineRate = LineRate();
    for (OutChunk& chunk : chunks) {
        const std::size_t first = out.size();
        for (std::vector<std::uint8_t>& bytes : Misclock(chunk.bytes, senderBaud, lineRate)) {
            const double gap = 10.0 / senderBaud - static_cast<double>(bytes.size()) * 10.0 / lineRate;
            OutChunk& piece = out.emplace_back();
            piece.pauseBeforeMs = static_cast<int>(std::max(0L, std::lround(gap * 1000.0)));
            piece.bytes = std::move(bytes);
        }
        if (out.size() == first) {
            out.emplace_back();
        }
        out[first].pauseBeforeMs += chunk.pauseBeforeMs;
        out.back().pulseSequence = chunk.pulseSequence;
        out.back().fault = chunk.fault;
    }
    return out;
}

void ControllerEmulator::ChunkWritten(const OutChunk& chunk, std::chrono::steady_clock::time_point at) {
    if (chunk.pulseSequence >= 0) {
        Record(LineEvent::Kind::PulseSent, line_fault::kPulse, chunk.pulseSequence, at);
    }
    if (!chunk.fault.empty()) {
        Record(LineEvent::Kind::FaultEnded, chunk.fault, chunk.pulseSequence, at);
    }
}

void ControllerEmulator::ScheduleNextPulse(double from) {
    const double spread = std::uniform_real_distribution<double>(-1.0, 1.0)(timingRng_) * options_.jitter;
    plannedInterval_ = (1.0 + spread) / options_.rateHz;
    nextPulseAt_ = from + plannedInterval_;
}

void ControllerEmulator::FirePulse(double now) {
    // The period word tells the flame's own period; a late wake-up of this thread is not the flame's.
    const double interval = stats_.pulsesFired == 0 ? 1.0 / options_.rateHz : plannedInterval_;
    ++sequence_;
    ++stats_.pulsesFired;
    const double runSeconds = std::max(0.0, gc_.RunSeconds(now));
    const Elution elution = gc_.Running() ? chromatogram_.At(runSeconds) : Elution{};

    PulseConditions conditions;
    conditions.pmtVoltage = gc_.Protected(now) ? 0.0 : memory_.PmtVoltage();
    conditions.range = memory_.Range();
    conditions.hydrocarbon = 1.0 + elution.hydrocarbon;
    conditions.phosphorus = elution.phosphorus;
    conditions.sulfur = elution.sulfur;
    conditions.drift = 4.0 * std::sin(2.0 * kPi * now / 420.0);
    gc_.ObserveLight(now, PulseModel::PeakLight(conditions) > PulseModel::kExcessiveLight);
    lastPulse_ = pulseModel_.Synthesize(conditions);

    const bool heldForTest = firePulseCountdown_ > 0;
    if (pulseRequested_ && !heldForTest && !Mute() && !hungUp_) {
        pulseRequested_ = false;
        const auto period = static_cast<std::uint16_t>(std::clamp(std::lround(interval * 100.0), 1L, 65535L));
        const auto counter = static_cast<std::uint32_t>(runSeconds * 100.0);
        const std::vector<std::uint8_t> data = CommandSet::PulseData(sequence_, period, counter, lastPulse_);
        SendReply(controller_command::kRequestPulse, gc_.TakePulseStatus(now), data, sequence_);
        ++stats_.pulsesSent;
    }
    ScheduleNextPulse(now);
}

void ControllerEmulator::ApplyGcChanges(const GcChanges& changes) {
    if (changes.runEnded) {
        // What the programme changed lasts until the end of its run.
        for (std::size_t offset : {board_offset::kIgnitorCurrent, board_offset::kRange}) {
            const std::size_t length = offset == board_offset::kRange ? 2 : 4;
            std::copy_n(runStartMemory_.board.begin() + static_cast<std::ptrdiff_t>(offset), length,
                        memory_.board.begin() + static_cast<std::ptrdiff_t>(offset));
        }
        for (int channel = 0; channel < kChannelCount; ++channel) {
            memory_.SetChannelGatePosition(channel, runStartMemory_.ChannelGatePosition(channel));
            memory_.SetChannelAttenuationByte(channel,
                                              runStartMemory_.channels[static_cast<std::size_t>(channel)][2]);
            memory_.SetChannelZero(channel, runStartMemory_.ChannelZero(channel));
        }
        events_ = EventState{};
        eventsDone_.clear();
    }
    if (changes.runStarted) {
        runStartMemory_ = memory_;
        eventsDone_.assign(memory_.timedEvents.size(), false);
        recordStop_ = -1.0;
    }
}

void ControllerEmulator::RunTimedEvents(double now) {
    if (!gc_.Running()) {
        return;
    }
    const double runSeconds = gc_.RunSeconds(now);
    eventsDone_.resize(memory_.timedEvents.size(), false);
    for (std::size_t i = 0; i < memory_.timedEvents.size(); ++i) {
        const auto& event = memory_.timedEvents[i];
        if (!eventsDone_[i] && runSeconds >= static_cast<double>(wire::GetU32(event, 1))) {
            eventsDone_[i] = true;
            ++stats_.eventsRun;
            ApplyEvent(event);
        }
    }
    if (events_.recording && recordStop_ >= 0.0 && runSeconds >= recordStop_) {
        events_.recording = false;
    }
}

void ControllerEmulator::ApplyEvent(const std::vector<std::uint8_t>& event) {
    const int channel = event.size() > 5 ? std::min<int>(event[5], kChannelCount - 1) : 0;
    switch (event[0]) {
    case 1:
        memory_.SetChannelZero(channel, CommandSet::ChannelOutput(memory_, channel, lastPulse_));
        break;
    case 2:
        memory_.SetChannelAttenuationByte(channel, event[6]);
        break;
    case 3:
        memory_.SetRange(wire::GetU16(event, 5));
        break;
    case 4:
        events_.squareRoot[static_cast<std::size_t>(channel)] = event[6] != 0;
        break;
    case 5:
        memory_.SetChannelGatePosition(channel, event[6]);
        break;
    case 6:
        events_.recording = true;
        recordStop_ = static_cast<double>(wire::GetU32(event, 5));
        break;
    case 7:
        memory_.SetIgnitorCurrent(wire::GetFloat(event, 5));
        break;
    default:
        break;
    }
}

void ControllerEmulator::WriteOutput(double now) {
    const double byteTime = 10.0 / LineRate();
    // When the last write returned: the moment a chunk it finished is on the line.
    std::optional<std::chrono::steady_clock::time_point> writtenAt;
    while (!output_.empty()) {
        OutChunk& chunk = output_.front();
        if (chunk.pauseBeforeMs > 0 && !pauseTaken_) {
            nextByteAt_ = std::max(nextByteAt_, now) + chunk.pauseBeforeMs / 1000.0;
            pauseTaken_ = true;
        }
        if (outputPos_ >= chunk.bytes.size()) {
            // Its last byte has just been written (or all its bytes were dropped).
            ChunkWritten(chunk, writtenAt.value_or(std::chrono::steady_clock::now()));
            output_.pop_front();
            outputPos_ = 0;
            pauseTaken_ = false;
            continue;
        }
        if (now < nextByteAt_) {
            return;
        }
        std::size_t budget = chunk.bytes.size() - outputPos_;
        if (!options_.fast) {
            budget = std::min(budget, static_cast<std::size_t>((now - nextByteAt_) / byteTime) + 1);
        }
        const int n = line_->Write(chunk.bytes.data() + outputPos_, static_cast<int>(budget));
        if (n <= 0) {
            if (n < 0) {
                output_.clear(); // the line is gone; nothing waits for these bytes
                outputPos_ = 0;
                return;
            }
            if (blockedSince_ < 0.0) {
                blockedSince_ = now;
            } else if (now - blockedSince_ > kOverrunSeconds) {
                DropLine();
            }
            return;
        }
        writtenAt = std::chrono::steady_clock::now();
        blockedSince_ = -1.0;
        outputPos_ += static_cast<std::size_t>(n);
        stats_.bytesSent += static_cast<std::uint64_t>(n);
        if (!options_.fast) {
            nextByteAt_ += static_cast<double>(n) * byteTime;
            if (static_cast<std::size_t>(n) == budget && outputPos_ < chunk.bytes.size()) {
                return;
            }
        }
        if (static_cast<std::size_t>(n) < budget) {
            return;
        }
    }
}

int ControllerEmulator::PollTimeoutMs(double now) const {
    double wait = std::min(kMaxWait, nextPulseAt_ - now);
    if (const double change = faults_.NextChange(now); change >= 0.0) {
        wait = std::min(wait, change); // a silence or hang-up starts and ends on time
    }
    if (dripping_) {
        wait = std::min(wait, nextDripAt_ - now);
    }
    if (!output_.empty() && blockedSince_ < 0.0) {
        wait = std::min(wait, std::max(nextByteAt_ - now, options_.fast ? 0.0 : kPacingSlice));
    }
    return std::max(0, static_cast<int>(std::ceil(wait * 1000.0)));
}

} // namespace veltrane
