#include "service/storage/byte_codec.h"

namespace tb::storage {

void ByteWriter::u16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::u32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(v >> shift));
}

void ByteWriter::raw(const std::u16string& units) {
    for (char16_t c : units) u16(static_cast<uint16_t>(c));
}

void ByteWriter::string16(const std::optional<std::u16string>& text) {
    if (!text) {
        u32(0);
        return;
    }
    const std::u16string units = text->substr(0, text->find(u'\0'));
    u32(static_cast<uint32_t>(units.size() * 2 + 2));
    raw(units);
    u16(0);
}

std::optional<uint8_t> ByteReader::u8() {
    if (remaining() < 1) return std::nullopt;
    return data_[pos_++];
}

std::optional<uint16_t> ByteReader::u16() {
    if (remaining() < 2) return std::nullopt;
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

std::optional<uint32_t> ByteReader::u32() {
    if (remaining() < 4) return std::nullopt;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | data_[pos_ + i];
    pos_ += 4;
    return v;
}

std::optional<int16_t> ByteReader::i16() {
    const auto v = u16();
    if (!v) return std::nullopt;
    return static_cast<int16_t>(*v);
}

std::optional<int32_t> ByteReader::i32() {
    const auto v = u32();
    if (!v) return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::optional<std::u16string> ByteReader::units(size_t bytes) {
    if (bytes > remaining()) return std::nullopt;
    std::u16string out;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        const char16_t c = static_cast<char16_t>(data_[pos_ + i] | (data_[pos_ + i + 1] << 8));
        if (c == u'\0') break;
        out.push_back(c);
    }
    pos_ += bytes;
    return out;
}

String16Field ByteReader::string16() {
    const size_t start = pos_;
    const auto length = u32();
    if (!length) return {};
    if (*length == 0) return {true, std::nullopt};
    auto text = units(*length);
    if (!text) {
        pos_ = start;
        return {};
    }
    return {true, std::move(text)};
}

}  // namespace tb::storage
