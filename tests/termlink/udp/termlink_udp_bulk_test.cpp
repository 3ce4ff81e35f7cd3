// termlink's bulk transfers end to end: the library (through termlink.h only) sends data blocks
// to and reads results and prepared buffers from the simulated terminal over UDP on 127.0.0.1,
// also when the terminal's data packets arrive reordered, with gaps, twice or damaged.
#include "terminal_bulk.h"
#include "terminal_server.h"
#include "termlink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using termsim::BulkSettings;
using termsim::BulkTerminal;
using termsim::Bytes;
using termsim::HashAnswer;
using termsim::Misbehaviour;
using termsim::TerminalModel;
using termsim::TerminalServer;

constexpr int kTimeoutMs = 600;              // a data packet is waited for a third of it
constexpr std::uint16_t kResultCommand = 9;  // one of the commands TERMPRO_READDATA buffers
constexpr std::uint16_t kDirectCommand = 50; // one it reads with the multi-packet read
constexpr std::uint8_t kFill = 0xEE;

std::int16_t Signed(std::uint16_t code) {
    return static_cast<std::int16_t>(code);
}

// Text-like bytes: they compress, but not to nothing.
Bytes Records(std::size_t size, int seed) {
    std::string text;
    for (int i = 0; text.size() < size; ++i) {
        text += "record " + std::to_string(seed * 100000 + i * 7919 % 100000) + " badge " +
                std::to_string(i % 97) + (i % 3 == 0 ? " in\n" : " out\n");
    }
    text.resize(size);
    return {text.begin(), text.end()};
}

int TERMLINK_CALL IgnoreEvent(int, int, int, const unsigned char*) {
    return 0;
}

class UdpBulk : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<TerminalServer>();
        server_->With([this](TerminalModel& model) {
            bulk_ = BulkTerminal::AddTo(model);
            bulk_->SetResult(model, kResultCommand, result_);
            bulk_->SetResult(model, kDirectCommand, result_);
        });
        ASSERT_TRUE(server_->Start());
    }

    void TearDown() override {
        for (TermConnection* c : open_) {
            TERMPRO_CLOSE(c);
        }
    }

    // A new session on a terminal with these settings. With a callback, so with a reader thread:
    // no pause before each reply is read.
    TermConnection* Open(const BulkSettings& settings = {}, bool withReader = true) {
        server_->With([&](TerminalModel&) { bulk_->settings = settings; });
        TermConnection* c = TERMPRO_INIT(UDPTRANSPORT_FILE, server_->port(), 0, 0,
                                         withReader ? IgnoreEvent : nullptr, 0, 0, kTimeoutMs);
        if (c != nullptr) {
            open_.push_back(c);
        }
        return c;
    }

    // The caller's buffer of a read: room for more than the result, filled with kFill.
    static Bytes ReadBuffer() { return Bytes(30000, kFill); }

    // The result, and nothing written beyond it.
    ::testing::AssertionResult HoldsTheResult(const Bytes& data) const {
        if (!std::equal(result_.begin(), result_.end(), data.begin())) {
            return ::testing::AssertionFailure() << "the result differs";
        }
        if (data[result_.size()] != kFill) {
            return ::testing::AssertionFailure() << "written beyond the result";
        }
        return ::testing::AssertionSuccess();
    }

    // Packets with this code the terminal received since the last call.
    int Received(std::uint16_t code) {
        const int count = server_->With([code](TerminalModel& m) { return m.Count(code); });
        const int since = count - counted_[code];
        counted_[code] = count;
        return since;
    }

    std::uint16_t LatestSession() {
        return server_->With([](TerminalModel& m) { return m.sessions().rbegin()->first; });
    }

    const Bytes result_ = Records(20000, 1); // 20 data packets of 1024 bytes at most
    std::unique_ptr<TerminalServer> server_;
    std::shared_ptr<BulkTerminal> bulk_;
    std::vector<TermConnection*> open_;
    std::map<std::uint16_t, int> counted_;
};

// A test name from a case's name: its letters and digits.
std::string NameOf(const char* text) {
    std::string name;
    for (const char* p = text; *p != '\0'; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p)) != 0) {
            name += *p;
        } else if (!name.empty() && name.back() != '_') {
            name += '_';
        }
    }
    return name;
}

// The cases of the tables below run as tests of their own, side by side: each waits in real time
// for the link to fall silent or for the terminal's answers.
struct BlockToStore {
    const char* name;
    std::size_t size;
    HashAnswer hash;
    bool withReader;
    bool stored; // the command ran on the whole block and the buffer was freed
};

const BlockToStore kBlocksToStore[] = {
    {"100000 bytes", 100000, HashAnswer::Correct, true, true},
    {"three chunks without a reader thread", 2500, HashAnswer::Correct, false, true},
    {"empty block", 0, HashAnswer::Correct, true, true},
    {"hash not supported", 2500, HashAnswer::Unsupported, true, true},
    {"hash differs", 2500, HashAnswer::Wrong, true, false},
};

class UdpBulkBlockToStore : public UdpBulk, public ::testing::WithParamInterface<BlockToStore> {};

TEST_P(UdpBulkBlockToStore, SendCmdDataChecksTheHashThenRunsTheCommand) {
    const BlockToStore& k = GetParam();
    BulkSettings settings;
    settings.hash = k.hash;
    TermConnection* c = Open(settings, k.withReader);
    ASSERT_NE(c, nullptr);
    const Bytes block = Records(k.size, 2);
    const char parameters[] = "slot 3";

    std::uint16_t code = termsim::kCmdStoreBlock;
    TERMPRO_SENDCMDDATA(c, &code, reinterpret_cast<const char*>(block.data()),
                        static_cast<int>(block.size()), parameters, sizeof parameters, kTimeoutMs);
    EXPECT_EQ(code, k.stored ? std::uint16_t{REPLY_OK} : termsim::kCmdStoreBlock);
    EXPECT_EQ(Received(CMD_DATA_CHUNK), static_cast<int>((k.size + 1023) / 1024));
    EXPECT_EQ(Received(termsim::kCmdStoreBlock), k.stored ? 1 : 0);
    EXPECT_EQ(Received(CMD_DATA_FREE), k.stored ? 1 : 0);
    const std::uint16_t session = LatestSession();
    const Bytes stored = server_->With([&](TerminalModel&) {
        const Bytes* kept = bulk_->StoredBlock(session);
        return kept != nullptr ? *kept : Bytes{1, 2, 3};
    });
    if (k.stored) {
        EXPECT_EQ(stored, block);
    } else {
        EXPECT_EQ(stored, (Bytes{1, 2, 3}));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UdpBulkBlockToStore, ::testing::ValuesIn(kBlocksToStore),
                         [](const auto& info) { return NameOf(info.param.name); });

Misbehaviour Damage(bool reorder, bool gaps, bool duplicate, bool corrupt, int answers = 1) {
    Misbehaviour m;
    m.reorder = reorder;
    m.gaps = gaps;
    m.duplicate = duplicate;
    m.corrupt = corrupt;
    m.answers = answers;
    return m;
}

struct DamagedTransfer {
    const char* name;
    Misbehaviour damage;
    bool verify;
    int requests;      // the read request, sent again for each failed attempt
    std::int16_t code; // outcome
    int result;
};

constexpr int kTotal = 20000; // the size of UdpBulk's result

const DamagedTransfer kDamagedTransfers[] = {
    {"in order", {}, true, 1, REPLY_OK, kTotal},
    {"in order, unverified", {}, false, 1, REPLY_OK, kTotal},
    {"reordered", Damage(true, false, false, false), true, 1, REPLY_OK, kTotal},
    {"reordered, unverified", Damage(true, false, false, false), false, 1, REPLY_OK, kTotal},
    {"duplicated", Damage(false, false, true, false), true, 1, REPLY_OK, kTotal},
    {"gaps, then resent", Damage(false, true, false, false), true, 2, REPLY_OK, kTotal},
    // The second answer lacks other packets: the first answer's packets complete it.
    {"gaps twice", Damage(false, true, false, false, 2), true, 2, REPLY_OK, kTotal},
    {"all damaged at once", Damage(true, true, true, true), true, 2, REPLY_OK, kTotal},
    {"corrupted, then resent", Damage(false, false, false, true), true, 2, REPLY_OK, kTotal},
    {"corrupted every time", Damage(false, false, false, true, 6), true, 6, ERR_RECEIVE_FAILED, -2},
    // Unverified, the read does not ask again: packet 0 is missing.
    {"gaps, unverified", Damage(false, true, false, false), false, 1, ERR_RECEIVE_FAILED, -5},
};

class UdpBulkDamagedTransfer : public UdpBulk,
                               public ::testing::WithParamInterface<DamagedTransfer> {};

TEST_P(UdpBulkDamagedTransfer, ReadData1TakesIt) {
    const DamagedTransfer& k = GetParam();
    ASSERT_EQ(static_cast<int>(result_.size()), kTotal);
    BulkSettings settings;
    settings.misbehaviour = k.damage;
    TermConnection* c = Open(settings);
    ASSERT_NE(c, nullptr);

    Bytes data = ReadBuffer();
    std::uint16_t code = kDirectCommand;
    const int read =
        TERMPRO_READDATA1(c, &code, reinterpret_cast<char*>(data.data()),
                          static_cast<int>(data.size()), 0, k.verify ? 1 : 0, kTimeoutMs);
    EXPECT_EQ(Signed(code), k.code);
    EXPECT_EQ(read, k.result);
    EXPECT_EQ(Received(kDirectCommand), k.requests);
    if (k.code == REPLY_OK) {
        EXPECT_TRUE(HoldsTheResult(data));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UdpBulkDamagedTransfer, ::testing::ValuesIn(kDamagedTransfers),
                         [](const auto& info) { return NameOf(info.param.name); });

constexpr int kWholeResult = 1;

struct PreparedRead {
    const char* name;
    bool compress;
    Misbehaviour damage;
    int capacityShort; // bytes the caller's capacity lacks for the result
    int result;        // kWholeResult: the result's size
    int blockReads;    // per block: each block of the result is asked for this often
};

const PreparedRead kPreparedReads[] = {
    {"plain", false, {}, 0, kWholeResult, 1},
    {"compressed", true, {}, 0, kWholeResult, 1},
    {"plain, reordered and duplicated", false, Damage(true, false, true, false), 0, kWholeResult,
     1},
    // Each block's first answer is damaged, so each block is asked for twice.
    {"compressed, corrupted", true, Damage(false, false, false, true), 0, kWholeResult, 2},
    {"buffer too small", false, {}, 1, -100, 0},
};

class UdpBulkPreparedRead : public UdpBulk, public ::testing::WithParamInterface<PreparedRead> {};

TEST_P(UdpBulkPreparedRead, ReadData2ReadsTheBuffer) {
    const PreparedRead& k = GetParam();
    const int size = static_cast<int>(result_.size());
    const int blocks = static_cast<int>(
        ((k.compress ? termsim::Compress(result_).size() : result_.size()) + 8191) / 8192);
    BulkSettings settings;
    settings.compress = k.compress;
    settings.misbehaviour = k.damage;
    TermConnection* c = Open(settings);
    ASSERT_NE(c, nullptr);

    Bytes data = ReadBuffer();
    std::uint16_t code = kResultCommand;
    const int read = TERMPRO_READDATA2(c, &code, reinterpret_cast<char*>(data.data()),
                                       size - k.capacityShort, 0, 8192, kTimeoutMs);
    EXPECT_EQ(read, k.result == kWholeResult ? size : k.result);
    EXPECT_EQ(code, REPLY_OK); // the terminal's answer to the free
    EXPECT_EQ(Received(CMD_BUFFER_PREPARE), 1);
    EXPECT_EQ(Received(CMD_BUFFER_READ), k.blockReads * blocks);
    EXPECT_EQ(Received(CMD_DATA_FREE), 1);
    if (read > 0) {
        EXPECT_TRUE(HoldsTheResult(data));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UdpBulkPreparedRead, ::testing::ValuesIn(kPreparedReads),
                         [](const auto& info) { return NameOf(info.param.name); });

TEST_F(UdpBulk, ReadDbReadsTheDatabaseOfItsParameter) {
    const Bytes first = Records(3000, 3);
    const Bytes second = Records(9000, 4);
    server_->With([&](TerminalModel& model) {
        bulk_->SetDatabase(model, 1, first);
        bulk_->SetDatabase(model, 2, second);
    });
    TermConnection* c = Open();
    ASSERT_NE(c, nullptr);

    Bytes data(16384);
    int capacity = static_cast<int>(data.size());
    EXPECT_EQ(TERMPRO_READDB(c, 0x102, 4096, reinterpret_cast<char*>(data.data()), &capacity),
              static_cast<int>(second.size()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), data.begin()));
    EXPECT_EQ(capacity, static_cast<int>(data.size()));

    // No database 3: the terminal refuses to prepare it.
    EXPECT_EQ(TERMPRO_READDB(c, 3, 4096, reinterpret_cast<char*>(data.data()), &capacity), -1);
    EXPECT_EQ(Received(CMD_BUFFER_PREPARE), 2);
    EXPECT_EQ(Received(CMD_DATA_FREE), 1);
}

TEST_F(UdpBulk, ReadDataFallsBackWhenTheTerminalHasNoBuffers) {
    struct Case {
        const char* name;
        std::uint16_t command;
        bool buffers;
        int prepares;
        int direct; // requests of the command itself
        int result;
    };
    const int size = static_cast<int>(result_.size());
    const Case cases[] = {
        {"buffered", kResultCommand, true, 1, 0, size},
        {"no buffers: multi-packet read", kResultCommand, false, 1, 1, size},
        {"not a buffered command", kDirectCommand, true, 0, 1, size},
        {"no such result", 11, true, 1, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        BulkSettings settings;
        settings.buffers = k.buffers;
        TermConnection* c = Open(settings);
        ASSERT_NE(c, nullptr);

        Bytes data = ReadBuffer();
        std::uint16_t code = k.command;
        EXPECT_EQ(TERMPRO_READDATA(c, &code, reinterpret_cast<char*>(data.data()),
                                   static_cast<int>(data.size()), 0, 100, kTimeoutMs),
                  k.result);
        EXPECT_EQ(Received(CMD_BUFFER_PREPARE), k.prepares);
        EXPECT_EQ(Received(k.command), k.direct);
        if (k.result > 0) {
            EXPECT_EQ(code, REPLY_OK);
            EXPECT_TRUE(HoldsTheResult(data));
        }
    }
}

} // namespace
