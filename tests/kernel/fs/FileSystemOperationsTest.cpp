#include "kernel/fs/FileSystemOperations.h"

#include <gtest/gtest.h>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"
#include "kernel/threads/Sync.h"

namespace {

TovHandleOperation gWrapped[TOV_FSOP_COUNT] = {};
int gCalls[TOV_FSOP_COUNT] = {};

BOOL countedClose(HANDLE handle) {
    ++gCalls[TOV_FSOP_CLOSE_HANDLE];
    return gWrapped[TOV_FSOP_CLOSE_HANDLE](handle);
}

BOOL countedFlush(HANDLE handle) {
    ++gCalls[TOV_FSOP_FLUSH_FILE_BUFFERS];
    return gWrapped[TOV_FSOP_FLUSH_FILE_BUFFERS](handle);
}

TEST(FileSystemOperationsTest, WrappedEntriesServeTheCallsUntilRestored) {
    gWrapped[TOV_FSOP_CLOSE_HANDLE] =
        TovSetFileSystemOperation(TOV_FSOP_CLOSE_HANDLE, &countedClose);
    gWrapped[TOV_FSOP_FLUSH_FILE_BUFFERS] =
        TovSetFileSystemOperation(TOV_FSOP_FLUSH_FILE_BUFFERS, &countedFlush);
    ASSERT_NE(gWrapped[TOV_FSOP_CLOSE_HANDLE], nullptr);
    ASSERT_NE(gWrapped[TOV_FSOP_FLUSH_FILE_BUFFERS], nullptr);

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(FlushFileBuffers(event));  // not a file: the kernel's own answer comes back
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_FALSE(CloseHandle(event));  // the wrapped call really closed it
    EXPECT_EQ(gCalls[TOV_FSOP_CLOSE_HANDLE], 2);
    EXPECT_EQ(gCalls[TOV_FSOP_FLUSH_FILE_BUFFERS], 1);

    EXPECT_EQ(TovSetFileSystemOperation(TOV_FSOP_CLOSE_HANDLE, gWrapped[TOV_FSOP_CLOSE_HANDLE]),
              &countedClose);
    TovSetFileSystemOperation(TOV_FSOP_FLUSH_FILE_BUFFERS, gWrapped[TOV_FSOP_FLUSH_FILE_BUFFERS]);
    CloseHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(gCalls[TOV_FSOP_CLOSE_HANDLE], 2);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(TovSetFileSystemOperation(TOV_FSOP_CLOSE_HANDLE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(TovGetFileSystemOperation(static_cast<TovFileSystemOperation>(TOV_FSOP_COUNT)),
              nullptr);
    EXPECT_EQ(TovGetFileSystemOperation(TOV_FSOP_CLOSE_HANDLE), gWrapped[TOV_FSOP_CLOSE_HANDLE]);
}

}  // namespace
