#include "service/settings/settings.h"

#include <cctype>

namespace tb::settings {

Settings::Settings() {
    for (DayHours& day : accessHours) day.fill(1);
    dailyAllowance.fill(kNoDailyLimit);
    categoryStates.fill(1);
}

std::optional<int> categorySlot(int category) {
    if (category < 0 || category >= kCategories) return std::nullopt;
    if (category == 4) return 5;  // ecat_Satanic
    if (category == 5) return 4;  // ecat_HateSpeech
    return category;
}

namespace {

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Up to two digits after optional blanks; nullopt when there are none.
std::optional<int> twoDigits(std::string_view text, size_t& pos) {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    int value = 0, digits = 0;
    while (digits < 2 && pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + (text[pos++] - '0');
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
}

}  // namespace

float timezoneOffsetOf(std::string_view text) {
    // Skip "(GMT": the first four characters that are not blanks.
    size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    for (int skipped = 0; skipped < 4 && pos < text.size() && !isBlank(text[pos]); ++skipped) ++pos;
    if (pos >= text.size()) return 0.0f;
    const char sign = text[pos++];
    if (sign == ')') return 0.0f;

    const std::optional<int> hours = twoDigits(text, pos);
    if (!hours) return 0.0f;
    float offset = static_cast<float>(*hours);
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        const std::optional<int> minutes = twoDigits(text, pos);
        if (minutes == 30) offset += 0.5f;
        if (minutes == 15) offset += 0.25f;
        if (minutes == 45) offset += 0.75f;
    }
    return sign == '+' ? offset : -offset;
}

}  // namespace tb::settings
