#include "service/storage/compound_file_check.h"

#include <cstring>

namespace tb::storage {
namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr size_t kHeaderFatEntries = 109;
constexpr size_t kDirectoryEntryBytes = 128;
constexpr uint32_t kMiniStreamCutoff = 4096;

class Layout {
  public:
    explicit Layout(const std::vector<uint8_t>& file) : file_(file) {}

    bool read() {
        if (file_.size() < 512 || std::memcmp(file_.data(), kSignature, 8) != 0) return false;
        const uint16_t shift = u16(0x1E);
        if (shift != 9 && shift != 12) return false;
        sectorBytes_ = size_t{1} << shift;
        if (u16(0x20) != 6 || file_.size() < 2 * sectorBytes_) return false;
        sectorCount_ = file_.size() / sectorBytes_ - 1;
        return readFat() && readMiniFat() && readDirectory();
    }

  private:
    uint16_t u16(size_t at) const {
        return static_cast<uint16_t>(file_[at] | (file_[at + 1] << 8));
    }
    uint32_t u32(size_t at) const {
        return file_[at] | (file_[at + 1] << 8) | (file_[at + 2] << 16) |
               (static_cast<uint32_t>(file_[at + 3]) << 24);
    }
    bool inFile(uint32_t sector) const { return sector < sectorCount_; }
    size_t offsetOf(uint32_t sector) const { return (size_t{sector} + 1) * sectorBytes_; }
    size_t entriesPerSector() const { return sectorBytes_ / 4; }

    // The FAT sectors named by the header and the DIFAT chain.
    bool readFat() {
        const uint32_t fatSectors = u32(0x2C);
        if (fatSectors > sectorCount_) return false;
        std::vector<uint32_t> sectors;
        for (size_t i = 0; i < kHeaderFatEntries && sectors.size() < fatSectors; ++i)
            sectors.push_back(u32(0x4C + 4 * i));
        uint32_t difat = u32(0x44);
        for (size_t steps = 0; sectors.size() < fatSectors; ++steps) {
            if (!inFile(difat) || steps > sectorCount_) return false;
            const size_t at = offsetOf(difat);
            for (size_t i = 0; i + 1 < entriesPerSector() && sectors.size() < fatSectors; ++i)
                sectors.push_back(u32(at + 4 * i));
            difat = u32(at + 4 * (entriesPerSector() - 1));
        }
        for (uint32_t sector : sectors) {
            if (!inFile(sector)) return false;
            const size_t at = offsetOf(sector);
            for (size_t i = 0; i < entriesPerSector(); ++i) fat_.push_back(u32(at + 4 * i));
        }
        return true;
    }

    // The sectors of a chain in order; false when it leaves the file, loops
    // or does not end.
    bool chain(uint32_t first, std::vector<uint32_t>& out) const {
        out.clear();
        for (uint32_t sector = first; sector != kEndOfChain;) {
            if (!inFile(sector) || sector >= fat_.size() || out.size() > sectorCount_) return false;
            out.push_back(sector);
            sector = fat_[sector];
        }
        return true;
    }

    bool readMiniFat() {
        const uint32_t first = u32(0x3C);
        if (first == kEndOfChain || first == kFreeSector) return true;
        std::vector<uint32_t> sectors;
        if (!chain(first, sectors)) return false;
        for (uint32_t sector : sectors) {
            const size_t at = offsetOf(sector);
            for (size_t i = 0; i < entriesPerSector(); ++i) miniFat_.push_back(u32(at + 4 * i));
        }
        return true;
    }

    bool miniChainFits(uint32_t first, uint64_t size, uint64_t miniSectors) const {
        uint64_t steps = 0;
        for (uint32_t sector = first; sector != kEndOfChain && steps * 64 < size; ++steps) {
            if (sector >= miniFat_.size() || sector >= miniSectors || steps > miniSectors)
                return false;
            sector = miniFat_[sector];
        }
        return steps * 64 >= size;
    }

    // Every entry's stream: its chain of sectors (or of mini sectors in the
    // root entry's mini stream) holds its size.
    bool readDirectory() {
        std::vector<uint32_t> sectors;
        if (!chain(u32(0x30), sectors) || sectors.empty()) return false;
        uint64_t miniSectors = 0;
        std::vector<uint32_t> streamSectors;
        for (size_t n = 0; n < sectors.size() * (sectorBytes_ / kDirectoryEntryBytes); ++n) {
            const size_t at = offsetOf(sectors[n / (sectorBytes_ / kDirectoryEntryBytes)]) +
                              (n % (sectorBytes_ / kDirectoryEntryBytes)) * kDirectoryEntryBytes;
            const uint8_t type = file_[at + 0x42];
            if (type == 0) continue;  // unused
            const uint32_t start = u32(at + 0x74);
            uint64_t size = u32(at + 0x78);
            if (sectorBytes_ == 4096) size |= uint64_t{u32(at + 0x7C)} << 32;
            if (n == 0) {  // the root entry: the mini stream
                if (type != 5 || (size > 0 && !chain(start, streamSectors))) return false;
                if (size > streamSectors.size() * uint64_t{sectorBytes_}) return false;
                miniSectors = size / 64;
            } else if (type == 2 && size >= kMiniStreamCutoff) {
                if (!chain(start, streamSectors)) return false;
                if (size > streamSectors.size() * uint64_t{sectorBytes_}) return false;
            } else if (type == 2 && size > 0) {
                if (!miniChainFits(start, size, miniSectors)) return false;
            }
        }
        return true;
    }

    const std::vector<uint8_t>& file_;
    size_t sectorBytes_ = 512;
    size_t sectorCount_ = 0;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
};

}  // namespace

bool compoundFileLooksWhole(const std::vector<uint8_t>& file) {
    return Layout(file).read();
}

}  // namespace tb::storage
