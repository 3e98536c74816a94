#include "app/startup/DllRelease.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kernel/module/Module.h"
#include "tests/support/TempDisk.h"

namespace {

using UnloadHook = void (*)(void* context);
using OnUnload = void (*)(UnloadHook hook, void* context);

// What a DLL's clean-up does when it is unloaded: note its name, then release the next
// modules through the application's release.
struct Unload {
    std::string name;
    std::vector<HMODULE> releases;
    std::vector<std::string>* order;
    std::vector<bool>* answers;
};

void onUnload(void* context) {
    auto* unload = static_cast<Unload*>(context);
    unload->order->push_back(unload->name);
    for (HMODULE module : unload->releases) {
        unload->answers->push_back(rx_fwk::releaseDll(module));
    }
}

class DllRelease : public ::testing::Test {
protected:
    HMODULE load(const std::string& name, Unload& unload) {
        std::filesystem::copy_file(LIFEBOAT_PROBE_DLL, disk_.hostPath(name));
        HMODULE module = LoadLibraryA(("C:\\" + name).c_str());
        EXPECT_NE(module, nullptr);
        unload.name = name;
        unload.order = &order_;
        unload.answers = &answers_;
        reinterpret_cast<OnUnload>(GetProcAddress(module, "lbprobeOnUnload"))(onUnload, &unload);
        return module;
    }
    lbtest::TempDisk disk_;
    std::vector<std::string> order_;
    std::vector<bool> answers_;
};

TEST_F(DllRelease, ReleasesDuringAReleaseWaitTheirTurnInOrder) {
    Unload a, b, c, d;
    HMODULE moduleA = load("a.dll", a);
    HMODULE moduleB = load("b.dll", b);
    HMODULE moduleC = load("c.dll", c);
    HMODULE moduleD = load("d.dll", d);
    a.releases = {moduleB, moduleC};
    b.releases = {moduleD};  // queued by a queued release: behind c

    EXPECT_TRUE(rx_fwk::releaseDll(moduleA));
    EXPECT_EQ(order_, (std::vector<std::string>{"a.dll", "b.dll", "c.dll", "d.dll"}));
    EXPECT_EQ(answers_, (std::vector<bool>{true, true, true}));
    for (const char* name : {"a.dll", "b.dll", "c.dll", "d.dll"}) {
        EXPECT_EQ(GetModuleHandleA(name), nullptr) << name;
    }
}

TEST_F(DllRelease, AFailedReleaseStopsTheQueue) {
    Unload a, c;
    HMODULE moduleA = load("a.dll", a);
    HMODULE moduleC = load("c.dll", c);
    a.releases = {reinterpret_cast<HMODULE>(0x1234), moduleC};  // the first is no module

    EXPECT_FALSE(rx_fwk::releaseDll(moduleA));
    EXPECT_EQ(order_, (std::vector<std::string>{"a.dll"}));
    EXPECT_EQ(answers_, (std::vector<bool>{true, true}));  // both were only queued
    EXPECT_EQ(GetModuleHandleA("c.dll"), moduleC);         // never released

    // Nothing is left queued: the next release runs at once.
    EXPECT_TRUE(rx_fwk::releaseDll(moduleC));
    EXPECT_EQ(order_, (std::vector<std::string>{"a.dll", "c.dll"}));
}

}  // namespace
