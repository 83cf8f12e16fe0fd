// GuardedCall: the loader catches the library's structured exceptions with it.
#include <windows.h>

#include <intrin.h>

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "decomp32/call_guard_win.h"
#include "decomp32/decomp32_api.h"

namespace {

const char kMessage[] = "Extraction terminated by user!";

void Returns(void* arg) { *static_cast<int*>(arg) += 1; }

void RaisesOurs(void* arg) {
    ULONG_PTR info[1] = {reinterpret_cast<ULONG_PTR>(arg ? arg : const_cast<char*>(kMessage))};
    RaiseException(decomp::kDecompErrorCode, EXCEPTION_NONCONTINUABLE, 1, info);
}

void RaisesOursWithoutParameters(void*) {
    RaiseException(decomp::kDecompErrorCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

void RaisesForeign(void*) {
    ULONG_PTR info[1] = {reinterpret_cast<ULONG_PTR>(kMessage)};
    RaiseException(0xE0000001u, EXCEPTION_NONCONTINUABLE, 1, info);
}

// Writes through a bad address: an access violation.
void WritesBadAddress(void*) {
    volatile int* volatile p = reinterpret_cast<int*>(16);
    *p = 1;
}

__attribute__((noinline)) void Deep(int depth) {
    volatile char pad[64];
    pad[0] = static_cast<char>(depth);
    if (depth == 0) RaisesOurs(nullptr);
    else Deep(depth - 1);
    (void)pad[0];
}
void RaisesDeep(void*) { Deep(50); }

// A guard inside the guarded function: the inner one catches, the outer sees a normal return.
void GuardsItself(void* arg) {
    char inner[64];
    bool ok = GuardedCall(RaisesOurs, nullptr, inner, sizeof inner);
    if (!ok && std::strcmp(inner, kMessage) == 0) *static_cast<int*>(arg) = 7;
}

void GuardsThenRaises(void*) {
    char inner[64];
    GuardedCall(RaisesForeign, nullptr, inner, sizeof inner);
    RaisesOurs(const_cast<char*>("outer"));
}

DWORD HandlerChain() { return __readfsdword(0); }

// Where a callee's locals live: the same before and after balanced calls.
__attribute__((noinline)) std::uintptr_t CalleeStackAddress() {
    volatile char local = 0;
    return reinterpret_cast<std::uintptr_t>(&local);
}

TEST(GuardedCallTest, NormalReturnIsTrueAndLeavesMessageEmpty) {
    int calls = 0;
    char message[32];
    std::memset(message, 'x', sizeof message);
    EXPECT_TRUE(GuardedCall(Returns, &calls, message, sizeof message));
    EXPECT_EQ(calls, 1);
    EXPECT_STREQ(message, "");
}

TEST(GuardedCallTest, OurExceptionCarriesItsMessage) {
    char message[64];
    EXPECT_FALSE(GuardedCall(RaisesOurs, nullptr, message, sizeof message));
    EXPECT_STREQ(message, kMessage);
    EXPECT_FALSE(GuardedCall(RaisesDeep, nullptr, message, sizeof message));
    EXPECT_STREQ(message, kMessage);
}

TEST(GuardedCallTest, MessageIsCutToTheBuffer) {
    char message[6];
    EXPECT_FALSE(GuardedCall(RaisesOurs, nullptr, message, sizeof message));
    EXPECT_STREQ(message, "Extra");
    EXPECT_FALSE(GuardedCall(RaisesOurs, nullptr, nullptr, 0));
    char one[1] = {'x'};
    EXPECT_FALSE(GuardedCall(RaisesOurs, nullptr, one, sizeof one));
    EXPECT_EQ(one[0], '\0');
}

TEST(GuardedCallTest, OtherExceptionsAreCaughtWithoutMessage) {
    char message[64];
    std::strcpy(message, "stale");
    EXPECT_FALSE(GuardedCall(RaisesForeign, nullptr, message, sizeof message));
    EXPECT_STREQ(message, "");
    std::strcpy(message, "stale");
    EXPECT_FALSE(GuardedCall(RaisesOursWithoutParameters, nullptr, message, sizeof message));
    EXPECT_STREQ(message, "");
    EXPECT_FALSE(GuardedCall(WritesBadAddress, nullptr, message, sizeof message));
    EXPECT_STREQ(message, "");
}

TEST(GuardedCallTest, NestedGuardsEachCatchTheirOwn) {
    int result = 0;
    char message[64];
    EXPECT_TRUE(GuardedCall(GuardsItself, &result, message, sizeof message));
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(GuardedCall(GuardsThenRaises, nullptr, message, sizeof message));
    EXPECT_STREQ(message, "outer");
}

TEST(GuardedCallTest, ManyCyclesLeaveHandlerChainAndStackBalanced) {
    const DWORD chain = HandlerChain();
    char message[64];
    const std::uintptr_t stack = CalleeStackAddress();
    int returned = 0;
    for (int i = 0; i < 10000; ++i) {
        ASSERT_FALSE(GuardedCall(i % 2 ? RaisesOurs : WritesBadAddress, nullptr, message, sizeof message));
        ASSERT_TRUE(GuardedCall(Returns, &returned, message, sizeof message));
        ASSERT_EQ(HandlerChain(), chain);
    }
    EXPECT_EQ(returned, 10000);
    EXPECT_EQ(CalleeStackAddress(), stack);
}

}  // namespace
