#include "time_server/daytime_answer.h"

#include "time_server/calendar.h"

namespace tb {
namespace {

// Reads the answer the way "%*c%*d %d-%d-%d %d:%d:%d" would, but accepts
// each date and time field only as exactly two digits: a longer number is
// another format, a shorter one an answer cut off.
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool skipOneCharacter() {
        if (at_ >= text_.size()) return false;
        ++at_;
        return true;
    }

    void skipSpace() {
        while (at_ < text_.size() && isSpace(text_[at_])) ++at_;
    }

    bool skipNumber() {
        skipSpace();
        if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
        const size_t start = at_;
        while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
        return at_ > start;
    }

    std::optional<int> twoDigits() {
        skipSpace();
        if (at_ + 2 > text_.size() || !isDigit(text_[at_]) || !isDigit(text_[at_ + 1]))
            return std::nullopt;
        const int value = (text_[at_] - '0') * 10 + (text_[at_ + 1] - '0');
        at_ += 2;
        if (at_ < text_.size() && isDigit(text_[at_])) return std::nullopt;
        return value;
    }

    bool literal(char c) {
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }

    // The seconds end the part that is read; what follows must start a new
    // field or be the end of the answer.
    bool atFieldEnd() const { return at_ == text_.size() || isSpace(text_[at_]); }

  private:
    static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace

std::optional<int64_t> parseDaytimeAnswer(std::string_view answer) {
    const size_t nul = answer.find('\0');
    if (nul != std::string_view::npos) answer = answer.substr(0, nul);

    Reader r(answer);
    if (!r.skipOneCharacter() || !r.skipNumber()) return std::nullopt;
    r.skipSpace();
    const auto year = r.twoDigits();
    if (!year || !r.literal('-')) return std::nullopt;
    const auto month = r.twoDigits();
    if (!month || !r.literal('-')) return std::nullopt;
    const auto day = r.twoDigits();
    if (!day) return std::nullopt;
    r.skipSpace();
    const auto hour = r.twoDigits();
    if (!hour || !r.literal(':')) return std::nullopt;
    const auto minute = r.twoDigits();
    if (!minute || !r.literal(':')) return std::nullopt;
    const auto second = r.twoDigits();
    if (!second || !r.atFieldEnd()) return std::nullopt;

    const int fullYear = 2000 + *year;
    if (*month < 1 || *month > 12) return std::nullopt;
    if (*day < 1 || *day > daysInMonth(fullYear, *month)) return std::nullopt;
    // Second 60 is a leap second; it counts into the next minute.
    if (*hour > 23 || *minute > 59 || *second > 60) return std::nullopt;
    return secondsFromCivil(fullYear, *month, *day, *hour, *minute, *second);
}

}  // namespace tb
