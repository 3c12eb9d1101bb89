#include "device/FramedLink.h"
#include "protocol/FrameCodec.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace veltrane;

namespace {

std::vector<std::uint8_t> PulseReplyOnTheLine() {
    std::vector<std::uint8_t> body{0, 0x35, 0, 0, 60};
    for (int k = 0; k < 507; ++k) {
        body.push_back(static_cast<std::uint8_t>(k * 7));
    }
    return BuildFrame(body);
}

// Replays one recorded line, in pieces of a given size, as often as it is read.
class MemoryLink : public FramedLink {
public:
    explicit MemoryLink(std::vector<std::uint8_t> line, int piece) : line_(std::move(line)), piece_(piece) {}
    bool IsOpen() const override { return true; }
    int Read(int count, std::uint8_t* buffer) override {
        const int left = static_cast<int>(line_.size()) - at_;
        const int n = std::min({count, left, piece_});
        if (n <= 0) {
            return 0;
        }
        std::memcpy(buffer, line_.data() + at_, static_cast<std::size_t>(n));
        at_ += n;
        return n;
    }
    bool Write(const std::uint8_t*, int, int*) override { return true; }
    void Rewind() { at_ = 0; }

private:
    std::vector<std::uint8_t> line_;
    int piece_;
    int at_ = 0;
};

void BM_EncodeGateModeFrame(benchmark::State& state) {
    std::vector<std::uint8_t> body(19);
    for (std::size_t k = 0; k < body.size(); ++k) {
        body[k] = static_cast<std::uint8_t>(k * 3);
    }
    std::array<std::uint8_t, 1024> out{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodeFrame(body, out));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EncodeGateModeFrame);

void BM_SendBoardFrame(benchmark::State& state) {
    MemoryLink link({}, 1);
    std::vector<std::uint8_t> payload(90, 0x10);
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.SendFrame(33, payload.data(), 90));
    }
}
BENCHMARK(BM_SendBoardFrame);

void BM_ReadFramePulseReply(benchmark::State& state) {
    MemoryLink link(PulseReplyOnTheLine(), static_cast<int>(state.range(0)));
    link.SendFrame(60, nullptr, 0);
    for (auto _ : state) {
        link.Rewind();
        if (!link.ReadReply() || link.ReceivedLength() != 517) {
            state.SkipWithError("pulse reply not taken");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(PulseReplyOnTheLine().size()));
}
BENCHMARK(BM_ReadFramePulseReply)->Arg(1024)->Arg(64);

void BM_Crc16(benchmark::State& state) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)));
    for (std::size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<std::uint8_t>(k * 13 + 1);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(Crc16(data));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Crc16)->Arg(512)->Arg(65536);

} // namespace
