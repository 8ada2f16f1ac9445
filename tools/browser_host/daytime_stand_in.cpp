#include <winsock2.h>

#include "tools/browser_host/daytime_stand_in.h"

#include <ctime>
#include <string>

#include "tools/browser_host/daytime_text.h"

namespace tb::host {

namespace {

// True when a connection waits on the listener within timeoutMs.
bool waiting(SOCKET listener, unsigned long timeoutMs) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    return select(0, &ready, nullptr, nullptr, &limit) == 1;
}

}  // namespace

DaytimeStandIn::~DaytimeStandIn() {
    if (listener_ != kNoSocket) closesocket(static_cast<SOCKET>(listener_));
    if (started_) WSACleanup();
}

uint16_t DaytimeStandIn::listen(uint16_t port) {
    if (listener_ != kNoSocket) return 0;
    if (!started_) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
        started_ = true;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, SOMAXCONN) != 0) {
        closesocket(s);
        return 0;
    }
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    listener_ = static_cast<uintptr_t>(s);
    return ntohs(address.sin_port);
}

int DaytimeStandIn::answer(int64_t shiftSeconds, unsigned long timeoutMs, int64_t* answeredUtc) {
    if (listener_ == kNoSocket) return 0;
    const int64_t utc = static_cast<int64_t>(std::time(nullptr)) + shiftSeconds;
    if (answeredUtc) *answeredUtc = utc;
    const std::string text = daytimeText(utc);
    int answered = 0;
    // The first question may take its time; the others are already queued.
    for (unsigned long wait = timeoutMs; waiting(static_cast<SOCKET>(listener_), wait); wait = 0) {
        SOCKET client = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (client == INVALID_SOCKET) break;
        // An asker that has gone meanwhile (a service that ended while its
        // question waited) may still take the answer into the void.
        if (send(client, text.data(), static_cast<int>(text.size()), 0) ==
            static_cast<int>(text.size()))
            ++answered;
        shutdown(client, SD_SEND);
        closesocket(client);
    }
    return answered;
}

}  // namespace tb::host
