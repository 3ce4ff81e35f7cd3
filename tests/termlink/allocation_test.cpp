// A transaction allocates no heap memory: every allocation of the process is counted while
// one runs, except those the test transport makes itself.
#include "termlink_fixture.h"

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<int> allocations{0};

void Count() {
    if (counting.load(std::memory_order_relaxed) && !scripted::InsideTransport()) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

} // namespace

extern "C" {
void* malloc(std::size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
    Count();
    return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    Count();
    *result = __libc_memalign(alignment, size);
    return *result != nullptr ? 0 : 12;
}
void free(void* pointer) {
    __libc_free(pointer);
}
}

using namespace scripted;

namespace {

class AllocationTest : public TermlinkTest {};

TEST_F(AllocationTest, TransactionsAllocateNothing) {
    struct {
        const char* variant;
        bool callback;
    } cases[] = {
        {"scripttransport", true}, {"scripttransport_nowake", true}, {"scripttransport", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + (c.callback ? " with reader" : " without reader"));
        terminal().Reset();
        TermConnection* connection = Open(c.callback, c.variant);
        ASSERT_NE(connection, nullptr);
        // Every third request is answered busy first, so that retries run too.
        static std::atomic<int> requests{0};
        terminal().SetResponder([&](const Packet& p) {
            if (p.code() != REPLY_OK) {
                terminal().Reply(p, requests++ % 3 == 0 ? REPLY_BUSY : REPLY_OK, {1, 2, 3, 4});
            }
        });
        std::uint8_t data[64] = {};
        std::uint16_t code = 1010;
        TERMPRO_SENDCMD(connection, &code, data, sizeof data, 8, 500); // warm up

        allocations = 0;
        counting = true;
        for (int i = 0; i < 10; ++i) {
            code = 1010;
            TERMPRO_SENDCMD(connection, &code, data, sizeof data, 8, 500);
        }
        counting = false;
        EXPECT_EQ(code, REPLY_OK);
        EXPECT_EQ(allocations.load(), 0);
        Close(connection);
    }
}

} // namespace
