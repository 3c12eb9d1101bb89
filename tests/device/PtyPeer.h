#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace veltrane::testing {

using Bytes = std::vector<std::uint8_t>;

// A pseudo-terminal pair: the link opens the slave by name, the test plays the controller
// on the master. The test keeps a slave descriptor of its own so that the master never sees
// a hang-up while the link closes and reopens.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }
    void WriteMaster(const Bytes& bytes) const;
    // Everything the link sent that arrives within the wait.
    Bytes ReadMaster(int waitMs = 100) const;
    // The controller goes away: closes the master and the test's slave descriptor.
    void HangUp();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// A controller side that sends without end, chunk bytes every pauseMs, until destroyed (or
// for at most maxMs): lone STXs, each followed by bytes that never close the frame.
class EndlessNoise {
public:
    EndlessNoise(PtyPair& pty, int chunk, int pauseMs, int maxMs = 3000);
    ~EndlessNoise();
    EndlessNoise(const EndlessNoise&) = delete;
    EndlessNoise& operator=(const EndlessNoise&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A reply frame as the controller sends it: STX, header (status word in bytes 2-3, low first),
// echo, data, DLE ETX, CRC, with 0x02 and 0x10 doubled.
Bytes ReplyFrame(std::uint8_t echo, const Bytes& data, std::uint16_t status = 0);

// A controller on the master side that answers each request frame through a handler.
class ScriptedPeer {
public:
    struct Piece {
        Bytes bytes;
        int pauseBeforeMs = 0;
    };
    // Command index and unstuffed payload of one request; the pieces to send back (none: silence).
    using Handler = std::function<std::vector<Piece>(std::uint8_t command, const Bytes& payload)>;

    ScriptedPeer(PtyPair& pty, Handler handler);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // Bodies (command index and payload) of the requests received so far, with a good CRC.
    std::vector<Bytes> Requests() const;
    std::vector<std::uint8_t> Commands() const;

private:
    void Run();
    void Take(std::uint8_t byte);

    PtyPair& pty_;
    Handler handler_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Bytes> requests_;

    // Frame parser state.
    enum class State {
        Idle,
        Body,
        BodyStx,
        BodyDle,
        Crc1,
        Crc2
    } state_ = State::Idle;
    Bytes body_;
    std::uint16_t crc_ = 0;
    std::thread thread_;
};

} // namespace veltrane::testing
