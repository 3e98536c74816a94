#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kernel/base/LastError.h"
#include "kernel/cfs/ConstFs.h"
#include "kernel/fs/Environment.h"
#include "kernel/hw/Pci.h"
#include "kernel/hw/posix/PciSysfs.h"
#include "kernel/module/Module.h"
#include "kernel/module/ModuleList.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/TempDisk.h"
#include "tests/support/ZipMaker.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDriveR = 17;

using Answer = int (*)();
using RunThread = DWORD (*)(DWORD*);
using FindPci = BOOL (*)(WORD, WORD, TovPCIAddress*);

std::string hostFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

template <typename Function>
Function lookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(GetProcAddress(module, name));
}

std::string fileNameOf(HMODULE module) {
    char name[MAX_PATH] = {};
    GetModuleFileNameA(module, name, sizeof name);
    return name;
}

class Loader : public ::testing::Test {
protected:
    void put(const std::string& relative, const char* hostFile) {
        fs::create_directories(fs::path(disk_.hostPath(relative)).parent_path());
        fs::copy_file(hostFile, disk_.hostPath(relative), fs::copy_options::overwrite_existing);
    }
    lbtest::TempDisk disk_;
};

TEST_F(Loader, ADllOnCLoadsOnceAndResolvesItsOwnExports) {
    put("drivers/probe.dll", LIFEBOAT_PROBE_DLL);
    HMODULE module = LoadLibraryA("C:\\drivers\\probe.dll");
    ASSERT_NE(module, nullptr) << GetLastError();

    Answer answer = lookUp<Answer>(module, "lbprobeAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    // Kernel threads and waits, imported from the image.
    DWORD counter = 0;
    EXPECT_EQ(lookUp<RunThread>(module, "lbprobeRunThread")(&counter), 7u);
    EXPECT_EQ(counter, 1u);

    // Only the module's own exports, not those of the libraries it uses.
    for (const char* name : {"malloc", "lbprobeNoSuchExport", "_Z5Sleepj"}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetProcAddress(module, name), nullptr) << name;
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << name;
    }

    EXPECT_EQ(fileNameOf(module), "C:\\drivers\\probe.dll");
    EXPECT_EQ(GetModuleHandleA("PROBE"), module);
    EXPECT_EQ(GetModuleHandleA("c:/drivers/probe.dll"), module);
    // The same file again, and the loaded module by its bare name: one more use each.
    EXPECT_EQ(LoadLibraryA("c:/DRIVERS/Probe"), module);
    EXPECT_EQ(LoadLibraryA("probe.dll"), module);

    // Crash reports name it as the kernel does.
    bool listed = false;
    for (const TovModuleInfo& info : TovListModules()) {
        listed = listed || (std::strcmp(info.name, "probe.dll") == 0 &&
                            std::strcmp(info.fileName, "C:\\drivers\\probe.dll") == 0);
    }
    EXPECT_TRUE(listed);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA("probe.dll"), module);
    EXPECT_TRUE(FreeLibrary(module));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetModuleHandleA("probe.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetProcAddress(module, "lbprobeAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

// The host loader knows DLLs by the descriptor they were opened through; descriptors are
// reused, modules must not be mistaken for each other.
TEST_F(Loader, CopiesOfOneFileAreModulesOfTheirOwn) {
    for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
        put(name, LIFEBOAT_PROBE_DLL);
    }
    HMODULE a = LoadLibraryA("C:\\a.dll");
    HMODULE b = LoadLibraryA("C:\\b.dll");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(lookUp<Answer>(a, "lbprobeAnswer"), lookUp<Answer>(b, "lbprobeAnswer"));
    ASSERT_TRUE(FreeLibrary(a));
    HMODULE c = LoadLibraryA("C:\\c.dll");
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c, b);
    EXPECT_EQ(fileNameOf(c), "C:\\c.dll");
    EXPECT_EQ(fileNameOf(b), "C:\\b.dll");
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_TRUE(FreeLibrary(c));
}

TEST_F(Loader, ADllOnAnArchiveDriveLoadsFromMemoryAndAlongThePath) {
    // The drive keeps pointing into the archive.
    static const std::string* archive = new std::string(
        lbtest::makeZip({{"drivers/", ""}, {"drivers/probe.dll", hostFile(LIFEBOAT_PROBE_DLL)}}));
    ASSERT_EQ(TovConstFSMount(reinterpret_cast<const unsigned char*>(archive->data()),
                              archive->size(), kDriveR),
              kDriveR);

    HMODULE module = LoadLibraryA("R:\\drivers\\probe.dll");
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(lookUp<Answer>(module, "lbprobeAnswer")(), 42);
    EXPECT_TRUE(FreeLibrary(module));

    // A bare name: the current directory, then PATH in order.
    SetEnvironmentVariableA("PATH", "C:\\nowhere;;R:\\drivers");
    module = LoadLibraryA("probe");
    SetEnvironmentVariableA("PATH", nullptr);
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_STRCASEEQ(fileNameOf(module).c_str(), "R:/drivers/probe.dll");
    EXPECT_TRUE(FreeLibrary(module));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadLibraryA("probe"), nullptr);  // neither here nor along PATH
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(Loader, AFileThatCannotLoadLeavesItsError) {
    put("missing_import.dll", LIFEBOAT_MISSING_IMPORT_DLL);
    put("missing_library.dll", LIFEBOAT_MISSING_LIBRARY_DLL);
    put("program.dll", "/proc/self/exe");
    disk_.writeHostFile("text.dll", "MZ, but not a module");
    disk_.writeHostFile("empty.dll", "");
    const struct {
        const char* name;
        DWORD error;
    } cases[] = {
        {"C:\\nosuch.dll", ERROR_MOD_NOT_FOUND},
        {"C:\\nodir\\probe.dll", ERROR_MOD_NOT_FOUND},
        {"nosuch", ERROR_MOD_NOT_FOUND},
        {"C:\\", ERROR_MOD_NOT_FOUND},
        {"C:\\text.dll", ERROR_BAD_EXE_FORMAT},
        {"C:\\empty.dll", ERROR_BAD_EXE_FORMAT},
        {"C:\\program.dll", ERROR_BAD_EXE_FORMAT},  // an executable, not a library
        {"C:\\missing_import.dll", ERROR_PROC_NOT_FOUND},
        {"C:\\missing_library.dll", ERROR_MOD_NOT_FOUND},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(LoadLibraryA(row.name), nullptr);
        EXPECT_EQ(GetLastError(), row.error);
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Loader, ALinkOutOfTheDriveDoesNotLoad) {
    const fs::path outside = fs::absolute(LIFEBOAT_PROBE_DLL);
    put("drivers/probe.dll", LIFEBOAT_PROBE_DLL);
    fs::create_symlink(outside, disk_.hostPath("absolute.dll"));
    fs::create_symlink(fs::relative(outside, disk_.root()), disk_.hostPath("relative.dll"));
    fs::create_symlink("drivers/probe.dll", disk_.hostPath("inside.dll"));

    for (const char* name : {"C:\\absolute.dll", "C:\\relative.dll"}) {
        SCOPED_TRACE(name);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(LoadLibraryA(name), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    }
    HMODULE module = LoadLibraryA("C:\\inside.dll");  // links inside the drive work
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Loader, TheImageIsAModuleThatStaysLoaded) {
    HMODULE image = GetModuleHandleA(nullptr);
    EXPECT_EQ(LoadLibraryA(fileNameOf(nullptr).c_str()), image);
    EXPECT_TRUE(FreeLibrary(image));
    EXPECT_NE(GetProcAddress(image, "_Z12LoadLibraryAPKc"), nullptr);
}

TEST_F(Loader, PrintsAtItsMessageLevels) {
    put("probe.dll", LIFEBOAT_PROBE_DLL);
    const struct {
        int level;
        std::vector<const char*> lines;
    } cases[] = {
        {5, {}},
        {8,
         {"Loader: cannot load nosuch.dll: The specified module could not be found. (error 126)"}},
        {10, {"loaded C:\\probe.dll at ", "unloading C:\\probe.dll"}},
        {20, {"Loader: loading probe.dll", "probe.dll found as C:\\probe.dll"}},
        {40, {"Loader: trying probe.dll", "Loader: lbprobeAnswer is at "}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.level);
        lbtest::DebugCapture capture;
        lbtest::ScopedMessageLevel level("Loader", row.level);
        HMODULE module = LoadLibraryA("probe");
        ASSERT_NE(module, nullptr);
        GetProcAddress(module, "lbprobeAnswer");
        FreeLibrary(module);
        LoadLibraryA("nosuch");
        if (row.lines.empty()) {
            EXPECT_EQ(capture.screen(), "");
        }
        for (const char* line : row.lines) {
            EXPECT_NE(capture.screen().find(line), std::string::npos) << line << " in\n"
                                                                      << capture.screen();
        }
    }
}

// Drivers find their adapters through the kernel's PCI functions.
TEST_F(Loader, ADriverReachesTheKernelsPci) {
    const std::string tree = disk_.hostPath("sysfs");
    const std::string function = tree + "/devices/0000:03:00.0";
    fs::create_directories(function);
    disk_.writeHostFile("sysfs/devices/0000:03:00.0/vendor", "0x8086\n");
    disk_.writeHostFile("sysfs/devices/0000:03:00.0/device", "0x10d3\n");
    TovPCIUseSysfsRoot(tree);
    put("probe.dll", LIFEBOAT_PROBE_DLL);
    HMODULE module = LoadLibraryA("C:\\probe.dll");
    ASSERT_NE(module, nullptr);
    TovPCIAddress address{};
    EXPECT_TRUE(lookUp<FindPci>(module, "lbprobeFindPci")(0x8086, 0x10d3, &address));
    EXPECT_EQ(address.bus, 3);
    EXPECT_FALSE(lookUp<FindPci>(module, "lbprobeFindPci")(0x8086, 0x100e, &address));
    TovPCIUseSysfsRoot("");
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
