#pragma once

#include <functional>
#include <string>

namespace veltrane {

class Prompts;
class Sleeper;

// What the connection procedure needs of the serial line.
class ConnectionLine {
public:
    virtual ~ConnectionLine() = default;
    virtual bool IsOpen() const = 0;
    virtual bool OpenLine(int port, int baud) = 0;
    virtual bool SetTimeouts(int milliseconds) = 0;
    virtual bool ReadControllerId(std::string& text) = 0;
    virtual void CloseLine() = 0;
    // The device and why the last open failed, in one line for the operator (empty: no reason known).
    virtual std::string OpenFailure() const = 0;
};

enum class ConnectionResult {
    Exit = 0,
    Retry = 1,
    Offline = 2,
    Connected = 3
};

// The busy message, and below it the device and why it could not be opened.
std::string BusyMessage(const ConnectionLine& line);

// Opens the port, asks the controller for its identification up to five times 500 ms
// apart and, when nothing answered, offers Retry, Offline or Exit through askOptions.
// Each identification read ends at the link's reply deadline whatever the line carries,
// so the tries end too.
class ConnectionProcedure {
public:
    static constexpr int kTries = 5;
    static constexpr int kTryPauseMs = 500;
    static constexpr int kReadTimeoutMs = 50;

    ConnectionProcedure(ConnectionLine& line, Prompts& prompts, Sleeper& sleeper,
                        std::function<ConnectionResult()> askOptions);

    ConnectionResult Run(int port, int baud, std::string& controllerVersion);
    int Tries() const { return tries_; }

private:
    ConnectionLine& line_;
    Prompts& prompts_;
    Sleeper& sleeper_;
    std::function<ConnectionResult()> askOptions_;
    int tries_ = 0;
};

} // namespace veltrane
