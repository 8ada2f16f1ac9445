#include "time_server/daytime_query_win32.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "time_server/daytime_answer.h"

namespace tb {
namespace {

class ScopedSocket {
  public:
    explicit ScopedSocket(SOCKET s) : s_(s) {}
    ~ScopedSocket() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }
    ScopedSocket(const ScopedSocket&) = delete;
    ScopedSocket& operator=(const ScopedSocket&) = delete;
    SOCKET get() const { return s_; }

  private:
    SOCKET s_;
};

// A host name that resolved once keeps its address for the life of the
// process (every TimeServer of the process shares it).
std::optional<in_addr> serverAddress(const std::string& host) {
    static std::mutex lock;
    static std::map<std::string, in_addr> resolved;
    std::lock_guard<std::mutex> hold(lock);
    const auto known = resolved.find(host);
    if (known != resolved.end()) return known->second;

    const hostent* entry = gethostbyname(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != sizeof(in_addr) ||
        !entry->h_addr_list[0]) {
        return std::nullopt;
    }
    in_addr address;
    memcpy(&address, entry->h_addr_list[0], sizeof address);
    resolved.emplace(host, address);
    return address;
}

}  // namespace

std::optional<int64_t> daytimeQuery(const DaytimeServer& server, DWORD receiveTimeoutMilliseconds) {
    const std::optional<in_addr> address = serverAddress(server.host);
    if (!address) return std::nullopt;

    ScopedSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (s.get() == INVALID_SOCKET) return std::nullopt;
    // A server that accepts and never answers must not hold the
    // synchronisation thread for good.
    const DWORD timeout = receiveTimeoutMilliseconds;
    setsockopt(s.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);

    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(server.port);
    to.sin_addr = *address;
    if (connect(s.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR)
        return std::nullopt;

    char answer[kDaytimeAnswerLimit];
    const int got = recv(s.get(), answer, sizeof answer, 0);
    if (got <= 0) return std::nullopt;
    return parseDaytimeAnswer(std::string_view(answer, static_cast<size_t>(got)));
}

}  // namespace tb
