#include "cabinets.h"

namespace instalio::test {

namespace {

constexpr std::size_t kHeaderBytes = 36;
constexpr std::size_t kFolderBytes = 8;
constexpr std::size_t kDataHeaderBytes = 8;
constexpr std::size_t kBlockBytes = 32768;

void Put16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}
void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}
std::uint32_t Get16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}
std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    return Get16(bytes, at) | Get16(bytes, at + 2) << 16;
}

// The cabinet checksum: the bytes taken as little-endian 32-bit words, XORed; a last partial
// word is read with its first byte highest.
std::uint32_t Checksum(const std::string& bytes, std::uint32_t seed) {
    std::uint32_t sum = seed;
    const std::size_t words = bytes.size() / 4;
    for (std::size_t i = 0; i < words; ++i) {
        sum ^= Get32(bytes, 4 * i);
    }
    std::uint32_t last = 0;
    for (std::size_t i = 4 * words; i < bytes.size(); ++i) {
        last = last << 8 | static_cast<unsigned char>(bytes[i]);
    }
    return sum ^ last;
}

} // namespace

std::string StoredCabinet(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string data;
    std::string files;
    for (const auto& [name, contents] : members) {
        std::string entry(16, '\0');
        Put32(entry, 0, static_cast<std::uint32_t>(contents.size()));
        Put32(entry, 4, static_cast<std::uint32_t>(data.size())); // offset in the folder
        Put16(entry, 8, 0);                                       // folder 0
        Put16(entry, 10, (40 << 9) | (1 << 5) | 2);               // 2020-01-02
        Put16(entry, 12, (3 << 11) | (4 << 5));                   // 03:04:00
        Put16(entry, 14, 0x20);                                   // archive
        files += entry;
        files += name;
        files += '\0';
        data += contents;
    }
    std::string blocks;
    std::uint32_t count = 0;
    for (std::size_t at = 0; at < data.size() || count == 0; at += kBlockBytes) {
        const std::string block = data.substr(at, kBlockBytes);
        std::string sizes(4, '\0');
        Put16(sizes, 0, static_cast<std::uint32_t>(block.size()));
        Put16(sizes, 2, static_cast<std::uint32_t>(block.size()));
        std::string sum(4, '\0');
        Put32(sum, 0, Checksum(sizes, Checksum(block, 0)));
        blocks.append(sum).append(sizes).append(block);
        ++count;
    }
    const std::size_t filesAt = kHeaderBytes + kFolderBytes;
    const std::size_t dataAt = filesAt + files.size();
    std::string head(kHeaderBytes + kFolderBytes, '\0');
    head.replace(0, 4, "MSCF");
    Put32(head, 8, static_cast<std::uint32_t>(dataAt + blocks.size()));
    Put32(head, 16, static_cast<std::uint32_t>(filesAt));
    head[24] = 3; // version 1.3
    head[25] = 1;
    Put16(head, 26, 1); // one folder
    Put16(head, 28, static_cast<std::uint32_t>(members.size()));
    Put16(head, 32, 0x1234); // set id
    Put32(head, kHeaderBytes, static_cast<std::uint32_t>(dataAt));
    Put16(head, kHeaderBytes + 4, count);
    Put16(head, kHeaderBytes + 6, 0); // stored
    return head + files + blocks;
}

std::string WithDamagedDataBlock(std::string cabinet) {
    if (cabinet.size() < kHeaderBytes + kFolderBytes || Get16(cabinet, 30) != 0) {
        return {};
    }
    std::size_t at = Get32(cabinet, kHeaderBytes);
    const std::uint32_t count = Get16(cabinet, kHeaderBytes + 4);
    for (std::uint32_t i = 0; i + 1 < count && at + kDataHeaderBytes <= cabinet.size(); ++i) {
        at += kDataHeaderBytes + Get16(cabinet, at + 4);
    }
    if (count == 0 || at + kDataHeaderBytes > cabinet.size()) {
        return {};
    }
    // Three bytes inverted: each falls into another byte of the checksum's words, so that the
    // checksum cannot stay the same.
    const std::size_t size = Get16(cabinet, at + 4);
    if (size < 3) {
        return {};
    }
    const std::size_t middle = at + kDataHeaderBytes + size / 2;
    for (std::size_t i = middle; i < middle + 3; ++i) {
        cabinet[i] = static_cast<char>(~cabinet[i]);
    }
    return cabinet;
}

std::string WithMemberCount(std::string cabinet, std::uint16_t count) {
    if (cabinet.size() >= kHeaderBytes) {
        Put16(cabinet, 28, count);
    }
    return cabinet;
}

} // namespace instalio::test
