// A daytime server on loopback that stands in for the public one, so that a
// session can move the network clock the service reads. The time component
// asks once when it starts and then every five minutes; the stand-in keeps
// each question waiting until the script answers it, so the script decides
// both the time and the moment the clock changes.
#pragma once

#include <cstdint>

namespace tb::host {

class DaytimeStandIn {
  public:
    DaytimeStandIn() = default;
    DaytimeStandIn(const DaytimeStandIn&) = delete;
    DaytimeStandIn& operator=(const DaytimeStandIn&) = delete;
    ~DaytimeStandIn();

    // Listens on 127.0.0.1:port (0: a free port of the system's choice).
    // The port, or 0 when it is taken.
    uint16_t listen(uint16_t port);
    bool listening() const { return listener_ != kNoSocket; }

    // Waits up to timeoutMs for a question, then answers it and every other
    // waiting one with the computer's time moved by shiftSeconds. The
    // number of questions answered (0 when none came in time).
    int answer(int64_t shiftSeconds, unsigned long timeoutMs, int64_t* answeredUtc);

  private:
    // A Winsock SOCKET, kept as its integer so that this header needs no
    // Winsock header before windows.h.
    static constexpr uintptr_t kNoSocket = ~uintptr_t{0};
    uintptr_t listener_ = kNoSocket;
    bool started_ = false;
};

}  // namespace tb::host
