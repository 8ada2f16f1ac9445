// What the service's core needs from the platform, declared by the core in
// the core's terms. Windows implements them in the Log object's shell; the
// core's tests use fakes; SystemClock and Latin1Codec serve native programs.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tb {

class Clock {
  public:
    virtual ~Clock() = default;
    // The network time component's current reading, in seconds since
    // 1 January 1970 UTC; nullopt when it cannot give one.
    virtual std::optional<int32_t> networkTime() = 0;
    // The computer's clock, in seconds since 1 January 1970 UTC.
    virtual int32_t localTime() = 0;
};

// The computer's clock; no network time until the time component is there.
class SystemClock : public Clock {
  public:
    std::optional<int32_t> networkTime() override { return std::nullopt; }
    int32_t localTime() override { return static_cast<int32_t>(std::time(nullptr)); }
};

// The service's modal dialogs: no owner, centred on the screen.
enum class ServiceDialog { ImportError };
inline constexpr int kDialogOk = 1;

struct DialogRequest {
    ServiceDialog dialog;
    std::string title;
    std::string text;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Shows the dialog and returns the identity of the button that closed it.
    virtual int show(const DialogRequest& request) = 0;
};

// Texts between the system code page, in which the core works, and UTF-16,
// in which the site logs are keyed and ordered.
class TextCodec {
  public:
    virtual ~TextCodec() = default;
    virtual std::u16string toUtf16(std::string_view ansi) const = 0;
};

// Each byte is the code unit of the same value: right for ASCII, which is
// what the native programs and tests use.
class Latin1Codec : public TextCodec {
  public:
    std::u16string toUtf16(std::string_view ansi) const override {
        std::u16string out;
        out.reserve(ansi.size());
        for (char c : ansi) out.push_back(static_cast<unsigned char>(c));
        return out;
    }
};

}  // namespace tb
