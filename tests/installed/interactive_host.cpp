#include "tests/installed/interactive_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "service/process/tests/wine_test_support.h"

namespace tb::installed {

InteractiveHost::InteractiveHost(const std::string& hostExe, const std::string& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &input_, &inherit, 0) ||
        !CreatePipe(&output_, &childOut, &inherit, 0)) {
        ADD_FAILURE() << "no pipes for the host";
        return;
    }
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childOut;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + hostExe + "\" --ack --timeout=60 " + arguments;
    if (tb::testing::startProcess(nullptr, commandLine, TRUE, startup, info)) {
        process_ = info.hProcess;
        CloseHandle(info.hThread);
    } else {
        ADD_FAILURE() << "the host did not start: " << GetLastError();
    }
    // Only the host holds its ends now, so that its exit ends our reads.
    CloseHandle(childIn);
    CloseHandle(childOut);
    reader_ = std::thread([this] { readOutput(); });
}

InteractiveHost::~InteractiveHost() {
    if (process_) finish();
    if (reader_.joinable()) reader_.join();
    if (output_) CloseHandle(output_);
}

void InteractiveHost::readOutput() {
    std::string partial;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(output_, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        std::lock_guard<std::mutex> hold(lock_);
        transcript_.append(buffer, n);
        partial.append(buffer, n);
        for (size_t end; (end = partial.find('\n')) != std::string::npos;) {
            std::string line = partial.substr(0, end);
            partial.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pending_.push_back(line);
        }
        arrived_.notify_all();
    }
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
    arrived_.notify_all();
}

host::HostOutput InteractiveHost::send(const std::string& lines, DWORD timeoutMs) {
    host::HostOutput answer;
    if (!process_) return answer;
    std::string text = lines;
    if (text.empty() || text.back() != '\n') text += '\n';
    for (char c : text) sent_ += c == '\n' ? 1 : 0;
    DWORD written = 0;
    WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);

    // The host acknowledges each line it carried out with "ok line=N" and
    // reports each malformed one with "error line=N".
    const std::string last = "line=" + std::to_string(sent_);
    std::unique_lock<std::mutex> hold(lock_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (!pending_.empty()) {
            const std::string line = pending_.front();
            pending_.pop_front();
            const bool done = (line.rfind("ok ", 0) == 0 || line.rfind("error ", 0) == 0) &&
                              line.find(last) != std::string::npos;
            if (line.rfind("ok ", 0) != 0) {
                const host::ParsedLine parsed = host::parseCommandLine(line, 0);
                if (parsed.command) answer.out.push_back(*parsed.command);
            }
            if (done) return answer;
        }
        if (ended_) {
            ADD_FAILURE() << "the host ended before it carried out: " << lines << "\n"
                          << transcript_;
            return answer;
        }
        if (arrived_.wait_until(hold, deadline) == std::cv_status::timeout && pending_.empty()) {
            ADD_FAILURE() << "the host did not answer: " << lines << "\n" << transcript_;
            return answer;
        }
    }
}

std::string InteractiveHost::transcript() const {
    std::lock_guard<std::mutex> hold(lock_);
    return transcript_;
}

host::HostOutput InteractiveHost::all() const {
    return host::HostOutput::parse(transcript());
}

DWORD InteractiveHost::finish() {
    if (!process_) return ~DWORD{0};
    if (input_) {
        CloseHandle(input_);
        input_ = nullptr;
    }
    DWORD code = ~DWORD{0};
    if (WaitForSingleObject(process_, 90000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_, &code);
    } else {
        ADD_FAILURE() << "the host did not end\n" << transcript();
        TerminateProcess(process_, code);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    if (reader_.joinable()) reader_.join();
    return code;
}

}  // namespace tb::installed
