// A daytime server of the tests' own on 127.0.0.1: it answers every
// connection with the current reply, in parts with pauses between them if
// asked, and closes. The caller has started Windows Sockets.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tb::testing {

inline constexpr char kNistNoon[] = "\n60000 26-12-07 12:00:00 00 0 0 50.0 UTC(NIST) *\n";
inline constexpr int64_t kNistNoonSeconds = 1796644800;  // 2026-12-07 12:00:00 UTC

struct DaytimeReply {
    std::vector<std::string> parts;  // sent one after another; none: send nothing
    DWORD pauseMilliseconds = 0;     // between parts, and before closing
};

class DaytimeTestServer {
  public:
    DaytimeTestServer();
    ~DaytimeTestServer();
    DaytimeTestServer(const DaytimeTestServer&) = delete;
    DaytimeTestServer& operator=(const DaytimeTestServer&) = delete;

    uint16_t port() const { return port_; }
    // The reply for every later connection.
    void reply(DaytimeReply reply);
    void reply(const std::string& answer) { reply(DaytimeReply{{answer}, 0}); }
    // One reply for the next connection only, before the standing one.
    void replyOnce(DaytimeReply reply);
    int connections() const { return connections_.load(); }

    // A loopback port that nothing listens on: connecting is refused.
    static uint16_t refusedPort();

  private:
    void serve();
    void answer(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::mutex lock_;
    DaytimeReply standing_;
    std::vector<DaytimeReply> once_;
    std::thread thread_;
    std::vector<std::thread> answering_;  // used by the serving thread only
};

}  // namespace tb::testing
