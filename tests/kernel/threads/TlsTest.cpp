#include "kernel/threads/Tls.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "kernel/base/LastError.h"

namespace {

LPVOID valueOnAnotherThread(DWORD index, LPVOID store) {
    LPVOID seen = reinterpret_cast<LPVOID>(1);
    std::thread([&] {
        seen = TlsGetValue(index);
        if (store != nullptr) {
            TlsSetValue(index, store);
        }
    }).join();
    return seen;
}

TEST(TlsTest, EachThreadHasItsOwnValueAndAFreshIndexReadsNullEverywhere) {
    int mine = 0, theirs = 0;
    const DWORD index = TlsAlloc();
    ASSERT_NE(index, TLS_OUT_OF_INDEXES);
    EXPECT_EQ(TlsGetValue(index), nullptr);
    ASSERT_TRUE(TlsSetValue(index, &mine));
    EXPECT_EQ(valueOnAnotherThread(index, &theirs), nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(TlsGetValue(index), &mine);  // the other thread's value stayed its own
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

    // Freed and allocated again (the lowest free index comes back): null in every thread.
    ASSERT_TRUE(TlsFree(index));
    ASSERT_EQ(TlsAlloc(), index);
    EXPECT_EQ(TlsGetValue(index), nullptr);
    EXPECT_EQ(valueOnAnotherThread(index, nullptr), nullptr);
    ASSERT_TRUE(TlsFree(index));
}

TEST(TlsTest, IndexesRunOutAndUnallocatedOnesAreRefused) {
    std::vector<DWORD> taken;
    for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) {
        taken.push_back(index);
    }
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_LE(taken.size(), TLS_MINIMUM_AVAILABLE);
    for (DWORD index : taken) {
        ASSERT_TRUE(TlsFree(index));
    }
    for (DWORD index : {taken.front(), TLS_MINIMUM_AVAILABLE, TLS_OUT_OF_INDEXES}) {
        SCOPED_TRACE(index);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(TlsGetValue(index), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(TlsSetValue(index, &index));
        EXPECT_FALSE(TlsFree(index));
    }
}

}  // namespace
