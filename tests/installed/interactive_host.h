// The browser host driven one command at a time (--ack), so that a test can
// act as the parent through the service between the child's navigations.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "tools/browser_host/host_output.h"

namespace tb::installed {

class InteractiveHost {
  public:
    // Starts the host with --ack and these further arguments.
    explicit InteractiveHost(const std::string& hostExe, const std::string& arguments = "");
    InteractiveHost(const InteractiveHost&) = delete;
    InteractiveHost& operator=(const InteractiveHost&) = delete;
    ~InteractiveHost();

    bool started() const { return process_ != nullptr; }

    // Sends one or more command lines and waits until the host has carried
    // out the last of them: the host's lines since the previous send. A
    // host that does not answer within the limit fails the test.
    host::HostOutput send(const std::string& lines, DWORD timeoutMs = 120000);

    // Ends the input; the host closes its windows and exits. Its exit code,
    // or ~0 when it had to be killed.
    DWORD finish();

    // Everything the host printed so far, for failure messages.
    std::string transcript() const;
    // Every line so far, parsed.
    host::HostOutput all() const;

  private:
    void readOutput();

    HANDLE process_ = nullptr;
    HANDLE input_ = nullptr;   // our end of the host's standard input
    HANDLE output_ = nullptr;  // our end of its standard output
    std::thread reader_;
    mutable std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<std::string> pending_;  // lines not yet handed out
    bool ended_ = false;
    int sent_ = 0;
    std::string transcript_;
};

}  // namespace tb::installed
