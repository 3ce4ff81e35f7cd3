// Cabinets that the tests make, and damage, themselves.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace instalio::test {

// A cabinet of stored (uncompressed) members, named and filled as given, with the data
// checksums that cabinet makers write.
std::string StoredCabinet(const std::vector<std::pair<std::string, std::string>>& members);

// `cabinet` with bytes in the middle of its last data block changed: its header and member list
// stay as they were, that block's checksum no longer fits. Empty for a cabinet whose layout this
// does not know (reserved fields, cabinet sets) or whose last block is shorter than 3 bytes.
std::string WithDamagedDataBlock(std::string cabinet);

// `cabinet` with its header claiming `count` members.
std::string WithMemberCount(std::string cabinet, std::uint16_t count);

} // namespace instalio::test
