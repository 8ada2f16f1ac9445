// Little-endian fields of the stored streams: integers, and strings kept as
// a 32-bit length L followed by L bytes of UTF-16 with a terminating zero
// unit (L = 2 * units + 2; a null string is L = 0 with no bytes).
//
// The reader never trusts a length or a count it reads: every field is
// checked against the bytes really there, so a stream that lies is read as
// far as it really goes and nothing is allocated beyond it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tb::storage {

class ByteWriter {
  public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    // Units up to the first zero unit, then the terminator.
    void string16(const std::optional<std::u16string>& text);
    void raw(const std::u16string& units);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

// A length-prefixed string as read: `ok` is false when the stream ended
// before the length or before the bytes it announces.
struct String16Field {
    bool ok = false;
    std::optional<std::u16string> text;  // nullopt: the null string
};

class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes)
        : ByteReader(bytes.data(), bytes.size()) {}

    // Each returns nullopt, and consumes nothing, when the field does not fit
    // in what is left.
    std::optional<uint8_t> u8();
    std::optional<uint16_t> u16();
    std::optional<uint32_t> u32();
    std::optional<int16_t> i16();
    std::optional<int32_t> i32();
    String16Field string16();
    // `bytes` bytes of UTF-16 up to the first zero unit; an odd last byte is
    // ignored.
    std::optional<std::u16string> units(size_t bytes);

    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    void rewind() { pos_ = 0; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace tb::storage
