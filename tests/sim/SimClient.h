#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltrane::testing {

using Bytes = std::vector<std::uint8_t>;

// One reply as it came off the line.
struct LineReply {
    bool nak = false;
    Bytes raw;  // the bytes on the line, stuffing included
    Bytes body; // unstuffed: four header bytes, command echo, data (for a NAK: the two bytes after it)
    bool crcOk = false;
    std::size_t Length() const { return nak ? 3 : body.size() + 5; } // STX to CRC, unstuffed
    std::uint16_t Status() const { return static_cast<std::uint16_t>(body[1] | (body[2] << 8)); }
    Bytes Data() const { return nak ? Bytes{} : Bytes(body.begin() + 5, body.end()); }
};

// A bare client of the controller's line for tests: opens the device like the program does
// (no controlling terminal, exclusive), sends hand-built frames, reads raw replies.
class SimClient {
public:
    explicit SimClient(const std::string& path);
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void SendRaw(const Bytes& bytes);
    void Send(std::uint8_t index, const Bytes& payload = {});
    std::optional<LineReply> Read(int timeoutMs = 1000);
    std::optional<LineReply> Exchange(std::uint8_t index, const Bytes& payload = {}, int timeoutMs = 1000);
    // Everything that arrives within the time.
    Bytes Drain(int milliseconds);

private:
    bool Fill(int timeoutMs);

    int fd_ = -1;
    Bytes pending_;
};

// The reply frame the controller must send, built independently of the emulator.
Bytes ExpectedReply(std::uint16_t status, std::uint8_t echo, const Bytes& data);

} // namespace veltrane::testing
