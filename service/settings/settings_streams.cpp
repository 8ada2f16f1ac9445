#include "service/settings/settings_streams.h"

#include "common/ansi_text.h"
#include "service/storage/byte_codec.h"

namespace tb::settings {

using storage::ByteReader;
using storage::ByteWriter;

std::vector<uint8_t> encodeTimedAccess(const Settings& settings,
                                       const storage::CodePage& codePage) {
    ByteWriter out;
    for (const DayHours& day : settings.accessHours) {
        for (uint16_t hour : day) out.u16(hour);
    }
    for (uint32_t allowance : settings.dailyAllowance) out.u32(allowance);
    out.i32(settings.usedToday);
    out.u16(settings.usageDate.dayOfMonth);
    out.u16(settings.usageDate.month);
    out.u16(settings.usageDate.yearsSince1900);
    if (settings.timezoneName) {
        std::u16string text = codePage.toUtf16(cString(*settings.timezoneName));
        text = text.substr(0, text.find(u'\0'));
        out.u32(static_cast<uint32_t>(text.size() * 2 + 2));
        out.raw(text);
        out.u16(0);
    } else {
        out.u32(0);
    }
    out.i16(settings.timedAccessEnabled);
    return out.take();
}

namespace {

template <class T>
bool readInto(std::optional<T> value, T& field) {
    if (!value) return false;
    field = *value;
    return true;
}

}  // namespace

bool decodeTimedAccess(const std::vector<uint8_t>& bytes, Settings& settings,
                       const storage::CodePage& codePage) {
    ByteReader in(bytes);
    for (DayHours& day : settings.accessHours) {
        for (uint16_t& hour : day) {
            if (!readInto(in.u16(), hour)) return false;
        }
    }
    for (uint32_t& allowance : settings.dailyAllowance) {
        if (!readInto(in.u32(), allowance)) return false;
    }
    if (!readInto(in.i32(), settings.usedToday)) return false;
    if (!readInto(in.u16(), settings.usageDate.dayOfMonth)) return false;
    if (!readInto(in.u16(), settings.usageDate.month)) return false;
    if (!readInto(in.u16(), settings.usageDate.yearsSince1900)) return false;

    const std::optional<uint32_t> textBytes = in.u32();
    if (!textBytes) return false;
    bool textRead = false;
    if (*textBytes > 0) {
        const std::optional<std::u16string> text = in.units(*textBytes);
        if (!text) return false;  // the length runs past the end
        settings.timezoneName = codePage.fromUtf16(*text);
        textRead = true;
    }
    readInto(in.i16(), settings.timedAccessEnabled);
    return textRead;
}

std::vector<uint8_t> encodeCategories(const Settings& settings) {
    ByteWriter out;
    for (uint16_t state : settings.categoryStates) out.u16(state);
    return out.take();
}

void decodeCategories(const std::vector<uint8_t>& bytes, Settings& settings) {
    ByteReader in(bytes);
    for (uint16_t& state : settings.categoryStates) {
        if (!readInto(in.u16(), state)) return;
    }
}

}  // namespace tb::settings
