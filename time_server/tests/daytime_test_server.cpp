#include "time_server/tests/daytime_test_server.h"

namespace tb::testing {
namespace {

uint16_t boundPort(SOCKET s) {
    sockaddr_in at = {};
    int length = sizeof at;
    getsockname(s, reinterpret_cast<sockaddr*>(&at), &length);
    return ntohs(at.sin_port);
}

SOCKET loopbackListener() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at);
    return s;
}

}  // namespace

DaytimeTestServer::DaytimeTestServer() : standing_{{kNistNoon}, 0} {
    listener_ = loopbackListener();
    listen(listener_, 8);
    port_ = boundPort(listener_);
    thread_ = std::thread([this] { serve(); });
}

DaytimeTestServer::~DaytimeTestServer() {
    stop_ = true;
    thread_.join();
    for (std::thread& t : answering_) t.join();
    closesocket(listener_);
}

void DaytimeTestServer::reply(DaytimeReply reply) {
    std::lock_guard<std::mutex> hold(lock_);
    standing_ = std::move(reply);
}

void DaytimeTestServer::replyOnce(DaytimeReply reply) {
    std::lock_guard<std::mutex> hold(lock_);
    once_.push_back(std::move(reply));
}

uint16_t DaytimeTestServer::refusedPort() {
    SOCKET s = loopbackListener();
    const uint16_t port = boundPort(s);
    closesocket(s);
    return port;
}

void DaytimeTestServer::serve() {
    while (!stop_) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener_, &ready);
        timeval wait = {0, 20000};
        if (select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        ++connections_;
        // Each connection on its own, so that a silent one holds up no other.
        answering_.emplace_back([this, client] {
            answer(client);
            closesocket(client);
        });
    }
}

void DaytimeTestServer::answer(SOCKET client) {
    DaytimeReply reply;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (once_.empty()) {
            reply = standing_;
        } else {
            reply = once_.front();
            once_.erase(once_.begin());
        }
    }
    for (const std::string& part : reply.parts) {
        send(client, part.data(), static_cast<int>(part.size()), 0);
        if (reply.pauseMilliseconds) Sleep(reply.pauseMilliseconds);
    }
    if (reply.parts.empty() && reply.pauseMilliseconds) Sleep(reply.pauseMilliseconds);
}

}  // namespace tb::testing
