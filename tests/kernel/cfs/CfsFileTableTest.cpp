// The archive walk over archives written by Python's zipfile, whole and damaged. A table
// points into its archive, so each test keeps the bytes alive.
#include "kernel/cfs/CfsFileTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/base/LastError.h"
#include "tests/support/ZipMaker.h"

namespace {

using lbtest::makeZip;

std::unique_ptr<CfsFileTable> walk(const std::string& archive) {
    return CfsFileTable::build(reinterpret_cast<const unsigned char*>(archive.data()),
                               archive.size(), 0);
}

struct Row {
    std::string name;
    std::uint8_t flags;
    bool hasLocalHeader;
};

std::vector<Row> rows(const CfsFileTable& table) {
    std::vector<Row> out;
    for (const CfsFileEntry* entry = table.head(); entry != nullptr; entry = entry->next) {
        out.push_back({std::string(entry->name, entry->nameLength), entry->flags,
                       entry->localHeader != nullptr});
    }
    return out;
}

TEST(CfsFileTableTest, MembersThenTheDirectoriesTheyImply) {
    const std::string archive = makeZip({{"drivers/x.dll", "X"},
                                         {"ethernet.ini", "[DRIVERS]"},
                                         {"Sub/", ""},
                                         {"a\\b\\c.txt", "c"},
                                         {"DRIVERS/y.dll", "Y"},
                                         {"sub/z", "z"}},
                                        "comment after the end record");
    auto table = walk(archive);
    ASSERT_NE(table, nullptr);
    const std::vector<Row> expected = {
        {"drivers/x.dll", 0, true}, {"drivers", 10, false},     {"ethernet.ini", 0, true},
        {"Sub", 10, true},          {"a\\b\\c.txt", 0, true},   {"a", 10, false},
        {"a\\b", 10, false},        {"DRIVERS/y.dll", 0, true}, {"sub/z", 0, true}};
    const std::vector<Row> actual = rows(*table);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actual[i].name, expected[i].name);
        EXPECT_EQ(actual[i].flags, expected[i].flags);
        EXPECT_EQ(actual[i].hasLocalHeader, expected[i].hasLocalHeader);
    }
    const CfsFileEntry* ini = table->findExact("ETHERNET.INI", 12);
    ASSERT_NE(ini, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ini->dataStart()),
                          ini->dataEnd() - ini->dataStart()),
              "[DRIVERS]");
}

TEST(CfsFileTableTest, OpenPrefersTheExactNameAndStaysOnItsLevel) {
    const std::string archive =
        makeZip({{"drivers/x.dll", "X"}, {"i8254x.dll.bak", "old"}, {"i8254x.dll", "new"}});
    auto table = walk(archive);
    ASSERT_NE(table, nullptr);
    struct Case {
        const char* request;
        const char* found;  // null: nothing
    } cases[] = {
        {"i8254x", "i8254x.dll.bak"},
        {"I8254X.DLL", "i8254x.dll"},
        {"drivers", "drivers"},
        {"drivers/x", "drivers/x.dll"},
        {"drivers\\X.DLL", "drivers/x.dll"},
        {"driv", "drivers"},
        {"x.dll", nullptr},
        {"nothing", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const CfsFileEntry* entry = table->findForOpen(c.request, std::strlen(c.request));
        if (c.found == nullptr) {
            EXPECT_EQ(entry, nullptr);
        } else {
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(std::string(entry->name, entry->nameLength), c.found);
        }
    }
}

TEST(CfsFileTableTest, EmptyArchiveGivesAnEmptyTable) {
    const std::string archive = makeZip({});
    auto table = walk(archive);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->head(), nullptr);
}

// Damaged archives: each edit of a good archive must give last error 13 and no table, and
// must never read outside the bytes.
class DamagedArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        good_ = makeZip({{"ethernet.ini", std::string(319, 'e')}, {"drivers/x.dll", "XYZ"}});
        endAt_ = good_.size() - sizeof(ZipEndRecord);
        centralAt_ = field<std::uint32_t>(endAt_ + offsetof(ZipEndRecord, centralOffset));
        ASSERT_NE(walk(good_), nullptr);
    }

    template <typename T>
    T field(std::size_t at) const {
        T value;
        std::memcpy(&value, good_.data() + at, sizeof value);
        return value;
    }

    template <typename T>
    std::string with(std::size_t at, T value) const {
        std::string bytes = good_;
        std::memcpy(&bytes[at], &value, sizeof value);
        return bytes;
    }

    static void expectRefused(const std::string& archive) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(walk(archive), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    }

    std::string good_;
    std::size_t endAt_ = 0;
    std::size_t centralAt_ = 0;
};

TEST_F(DamagedArchiveTest, EveryTruncationIsRefused) {
    for (std::size_t length = 0; length < good_.size(); ++length) {
        SCOPED_TRACE(length);
        // A copy of exactly `length` bytes, so that a read past it is a read past the buffer.
        expectRefused(good_.substr(0, length));
    }
}

TEST_F(DamagedArchiveTest, OffsetsAndLengthsPastTheEnd) {
    const std::size_t localOfFirst =
        field<std::uint32_t>(centralAt_ + offsetof(ZipCentralHeader, localHeaderOffset));
    const std::uint32_t size = std::uint32_t(good_.size());
    struct Edit {
        const char* what;
        std::string bytes;
    } edits[] = {
        {"central directory at the end",
         with<std::uint32_t>(endAt_ + offsetof(ZipEndRecord, centralOffset), size)},
        {"central directory far past the end",
         with<std::uint32_t>(endAt_ + offsetof(ZipEndRecord, centralOffset), 0xFFFFFFF0u)},
        {"central directory 10 bytes before the end",
         with<std::uint32_t>(endAt_ + offsetof(ZipEndRecord, centralOffset), size - 10)},
        {"name running past the end",
         with<std::uint16_t>(centralAt_ + offsetof(ZipCentralHeader, nameLength), 0xFFFF)},
        {"comment running past the end",
         with<std::uint16_t>(centralAt_ + offsetof(ZipCentralHeader, commentLength), 0xFFFF)},
        {"local header past the end",
         with<std::uint32_t>(centralAt_ + offsetof(ZipCentralHeader, localHeaderOffset),
                             0xFFFFFFFFu)},
        {"local header in the last bytes",
         with<std::uint32_t>(centralAt_ + offsetof(ZipCentralHeader, localHeaderOffset), size - 4)},
        {"data running past the end",
         with<std::uint32_t>(localOfFirst + offsetof(ZipLocalHeader, compressedSize), 0xFFFFFFFFu)},
        {"local extra field running past the end",
         with<std::uint16_t>(localOfFirst + offsetof(ZipLocalHeader, extraLength), 0xFFFF)},
        {"more entries than the directory holds",
         with<std::uint16_t>(endAt_ + offsetof(ZipEndRecord, totalEntries), 0xFFFF)},
        {"bad central signature", with<std::uint32_t>(centralAt_, 0x12345678u)},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        expectRefused(edit.bytes);
    }
}

}  // namespace
