#include "kernel/hw/Pci.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "kernel/base/LastError.h"
#include "kernel/hw/posix/PciSysfs.h"

namespace {

namespace fs = std::filesystem;

struct Function {
    const char* name;
    const char* vendor;
    const char* device;
    const char* classCode;
    const char* resource;
    const char* interfacePath;  // relative to the function, or null
};

// A host bridge, two network adapters of one kind (one bound to eth7) and a virtio network
// function whose interface sits one level down.
const Function kTree[] = {
    {"0000:00:00.0", "0x8086", "0x0d57", "0x060000", "", nullptr},
    {"0000:02:00.0", "0x8086", "0x100e", "0x020000",
     "0x00000000fe000000 0x00000000fe01ffff 0x0000000000040200\n"
     "0x000000000000c000 0x000000000000c03f 0x0000000000040101\n"
     "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
     "0x0000004000000000 0x000000400007ffff 0x0000000000142204\n",
     nullptr},
    {"0000:00:03.0", "0x8086", "0x100e", "0x020000", "", "net/eth7"},
    {"0000:00:05.0", "0x1af4", "0x1041", "0x020000", "", "virtio3/net/ens5"},
};

class Pci : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lifeboat-pci-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        for (const Function& function : kTree) {
            const fs::path directory = fs::path(root_) / "devices" / function.name;
            fs::create_directories(directory);
            write(directory / "vendor", std::string(function.vendor) + "\n");
            write(directory / "device", std::string(function.device) + "\n");
            write(directory / "class", std::string(function.classCode) + "\n");
            write(directory / "resource", function.resource);
            if (function.interfacePath != nullptr) {
                fs::create_directories(directory / function.interfacePath);
            }
        }
        // Configuration space of 02:00.0 as an unprivileged reader sees it: 64 bytes.
        std::string config(64, '\0');
        const unsigned char header[] = {0x86, 0x80, 0x0e, 0x10, 0x07, 0x00, 0x30, 0x02};
        config.replace(0, sizeof header, reinterpret_cast<const char*>(header), sizeof header);
        config[0x3C] = 11;  // interrupt line
        write(fs::path(root_) / "devices/0000:02:00.0/config", config);
        fs::create_directories(fs::path(root_) / "devices/not-a-function");
        TovPCIUseSysfsRoot(root_);
    }
    void TearDown() override {
        TovPCIUseSysfsRoot("");
        fs::remove_all(root_);
    }
    static void write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string root_;
};

std::string nameOf(const TovPCIAddress& a) {
    char text[32];
    std::snprintf(text, sizeof text, "%x:%02x:%02x.%x", unsigned(a.segment), a.bus, a.device,
                  a.function);
    return text;
}

TEST_F(Pci, FunctionsAreFoundByIdOrClassInBusOrder) {
    ASSERT_TRUE(TovPCIInit());
    TovPCIAddress address{};
    ASSERT_TRUE(TovPCIFindDevice(0x8086, 0x100e, 0, &address));
    EXPECT_EQ(nameOf(address), "0:00:03.0");
    ASSERT_TRUE(TovPCIFindDevice(0x8086, 0x100e, 1, &address));
    EXPECT_EQ(nameOf(address), "0:02:00.0");
    ASSERT_TRUE(TovPCIFindClass(0x020000, 1, &address));
    EXPECT_EQ(nameOf(address), "0:00:05.0");

    const struct {
        WORD vendor;
        DWORD index;
        DWORD error;
    } misses[] = {{0x8086, 2, ERROR_DEV_NOT_EXIST},
                  {0x10ec, 0, ERROR_DEV_NOT_EXIST},
                  {0xFFFF, 0, ERROR_INVALID_PARAMETER}};
    for (const auto& row : misses) {
        SCOPED_TRACE(row.vendor);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(TovPCIFindDevice(row.vendor, 0x100e, row.index, &address));
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_FALSE(TovPCIFindClass(0x030000, 0, &address));
}

TEST_F(Pci, ConfigurationSpaceReadsAreLittleEndianAndAligned) {
    const TovPCIAddress adapter{0, 2, 0, 0};
    BYTE byte = 0;
    WORD word = 0;
    DWORD dword = 0;
    EXPECT_TRUE(TovPCIReadConfigWord(&adapter, 0, &word));
    EXPECT_EQ(word, 0x8086);
    EXPECT_TRUE(TovPCIReadConfigDword(&adapter, 0, &dword));
    EXPECT_EQ(dword, 0x100e8086u);
    EXPECT_TRUE(TovPCIReadConfigByte(&adapter, 0x3C, &byte));
    EXPECT_EQ(byte, 11);

    const struct {
        DWORD offset;
        DWORD size;
        DWORD error;
    } refused[] = {{1, 2, ERROR_INVALID_PARAMETER},
                   {2, 4, ERROR_INVALID_PARAMETER},
                   {kTovPCIConfigSize, 1, ERROR_INVALID_PARAMETER},
                   {0x100, 4, ERROR_READ_FAULT}};  // beyond what the host lets us read
    for (const auto& row : refused) {
        SCOPED_TRACE(row.offset);
        SetLastError(0xdeadbeef);
        const BOOL read = row.size == 1   ? TovPCIReadConfigByte(&adapter, row.offset, &byte)
                          : row.size == 2 ? TovPCIReadConfigWord(&adapter, row.offset, &word)
                                          : TovPCIReadConfigDword(&adapter, row.offset, &dword);
        EXPECT_FALSE(read);
        EXPECT_EQ(GetLastError(), row.error);
    }
}

TEST_F(Pci, BaseAddressRegistersAsTheHostAssignedThem) {
    const TovPCIAddress adapter{0, 2, 0, 0};
    const struct {
        DWORD index;
        TovPCIBar bar;
    } cases[] = {
        {0, {0xfe000000, 0x20000, 0}},
        {1, {0xc000, 0x40, TOV_PCI_BAR_IO}},
        {2, {0, 0, 0}},
        {3, {0x4000000000, 0x80000, TOV_PCI_BAR_PREFETCHABLE | TOV_PCI_BAR_64BIT}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.index);
        TovPCIBar bar{1, 1, 1};
        ASSERT_TRUE(TovPCIGetBar(&adapter, row.index, &bar));
        EXPECT_EQ(bar.base, row.bar.base);
        EXPECT_EQ(bar.size, row.bar.size);
        EXPECT_EQ(bar.flags, row.bar.flags);
    }
    TovPCIBar bar{};
    EXPECT_FALSE(TovPCIGetBar(&adapter, 4, &bar));  // the file lists only four
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    EXPECT_FALSE(TovPCIGetBar(&adapter, kTovPCIBarCount, &bar));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Pci, TheNetworkInterfaceBoundToAFunction) {
    char name[16];
    const struct {
        TovPCIAddress address;
        const char* name;
        DWORD error;
    } cases[] = {
        {{0, 0, 3, 0}, "eth7", 0},
        {{0, 0, 5, 0}, "ens5", 0},
        {{0, 2, 0, 0}, "", ERROR_NOT_FOUND},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        SetLastError(0xdeadbeef);
        std::strcpy(name, "");
        EXPECT_EQ(TovPCIGetNetInterface(&row.address, name, sizeof name), std::strlen(row.name));
        EXPECT_STREQ(name, row.name);
        if (row.error != 0) {
            EXPECT_EQ(GetLastError(), row.error);
        }
    }
    const TovPCIAddress bound{0, 0, 3, 0};
    EXPECT_EQ(TovPCIGetNetInterface(&bound, name, 4), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(Pci, AFunctionThatDoesNotExistFailsEveryQuery) {
    for (const TovPCIAddress& address : {TovPCIAddress{0, 0, 31, 7}, TovPCIAddress{1, 2, 0, 0},
                                         TovPCIAddress{0, 0, 32, 0}, TovPCIAddress{0, 0, 3, 8}}) {
        SCOPED_TRACE(address.device);
        DWORD dword = 0;
        TovPCIBar bar{};
        char name[16];
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(TovPCIReadConfigDword(&address, 0, &dword));
        EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST);
        EXPECT_FALSE(TovPCIGetBar(&address, 0, &bar));
        EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST);
        EXPECT_EQ(TovPCIGetNetInterface(&address, name, sizeof name), 0u);
        EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST);
    }
    DWORD dword = 0;
    EXPECT_FALSE(TovPCIReadConfigDword(nullptr, 0, &dword));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Pci, TheBiosQueryAnswersPresentWithVersionAndMechanism) {
    TovPCIBiosInfo info{};
    ASSERT_TRUE(TovPCIBiosPresent(&info));
    EXPECT_EQ(info.majorVersion, 2);
    EXPECT_EQ(info.minorVersion, 10);
    EXPECT_EQ(info.hardwareMechanism, 1);
    EXPECT_EQ(info.lastBus, 2);

    // A host without a PCI bus.
    fs::remove_all(fs::path(root_) / "devices");
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovPCIBiosPresent(&info));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(TovPCIInit());
}

}  // namespace
