// The settings store: typed access, defaults, lists, shared models and a missing file.
#include "config/ConfigManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigManager_file_io.h"
#include "config/FileIdError.h"
#include "config/tIniFile.h"
#include "tests/config/IniTestFiles.h"
#include "tests/support/TempDisk.h"

namespace {

using rx_fwk::ConfigManager;

// Models live as long as the process and are found by path, so every test uses a file
// name of its own.
class ConfigManagerTest : public ::testing::Test {
protected:
    ConfigManagerTest() {
        static int counter = 0;
        name = "cfg" + std::to_string(++counter) + ".ini";
        path = "C:\\" + name;
        config = ConfigManager::create(path);
    }
    void write(const std::string& bytes) { lbtest::editBehindModel(disk, name, bytes); }
    std::string read() const { return disk.readHostFile(name); }
    bool exists() const { return std::filesystem::exists(disk.hostPath(name)); }

    lbtest::TempDisk disk;
    std::string name;
    std::string path;
    std::unique_ptr<ConfigManager> config;
};

TEST_F(ConfigManagerTest, GetIntReadsLikeAStream) {
    write(
        "[N]\nplain=42\nneg= -7 apples\nplus=+5\ntrail=12abc\nx=x7\nempty=\nsign=- 5\n"
        "max=2147483647\nmin=-2147483648\nover=2147483648\nhex=0x10\noct=010\n");
    const struct {
        const char* key;
        int expected;
    } rows[] = {{"plain", 42},  {"neg", -7},         {"plus", 5},
                {"trail", 12},  {"x", 99},           {"empty", 99},
                {"sign", 99},   {"max", 2147483647}, {"min", -2147483647 - 1},
                {"over", 99},   {"hex", 0},          {"oct", 10},
                {"missing", 99}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(config->getInt("n", row.key, 99), row.expected);
    }
}

TEST_F(ConfigManagerTest, TypedSettersStoreText) {
    ASSERT_TRUE(config->setInt("S", "i", -12));
    ASSERT_TRUE(config->setBool("S", "b", true));
    ASSERT_TRUE(config->setBool("S", "c", false));
    ASSERT_TRUE(config->setString("S", "s", "text"));
    ASSERT_TRUE(config->setString("S", "s", "text"));  // equal: still true
    EXPECT_EQ(read(), "[S]\r\nb=TRUE\r\nc=FALSE\r\ni=-12\r\ns=text\r\n\r\n");
}

TEST_F(ConfigManagerTest, GetBoolIsTrueOnlyForTrue) {
    write("[B]\nlower=true\nmixed=TrUe\none=1\nyes=yes\nfalse=FALSE\nspaced=\" TRUE\"\n");
    const struct {
        const char* key;
        bool def;
        bool expected;
    } rows[] = {{"lower", false, true},  {"mixed", false, true},   {"one", true, false},
                {"yes", true, false},    {"false", true, false},   {"spaced", true, false},
                {"missing", true, true}, {"missing", false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(config->getBool("B", row.key, row.def), row.expected);
    }
}

TEST_F(ConfigManagerTest, DefaultSettersRemoveTheKey) {
    ASSERT_TRUE(config->setBoolDefault("S", "b", true, false));
    ASSERT_TRUE(config->setIntDefault("S", "i", 3, 1));
    ASSERT_TRUE(config->setStringDefault("S", "s", "Auto", "auto"));  // case counts
    EXPECT_EQ(read(), "[S]\r\nb=TRUE\r\ni=3\r\ns=Auto\r\n\r\n");

    EXPECT_TRUE(config->setBoolDefault("S", "b", false, false));
    EXPECT_TRUE(config->setIntDefault("S", "i", 1, 1));
    EXPECT_TRUE(config->setStringDefault("S", "s", "auto", "auto"));
    EXPECT_EQ(read(), "");
    // Nothing left to remove: the result of removeKey.
    EXPECT_FALSE(config->setIntDefault("S", "i", 1, 1));
}

TEST_F(ConfigManagerTest, StringLists) {
    write("[L]\nmiddle=a,,b\ntrailing=a,b,\nleading=,a\nempty=\nsingle=a\n");
    const std::vector<std::string> def = {"default"};
    const struct {
        const char* key;
        std::vector<std::string> expected;
    } rows[] = {{"middle", {"a", "", "b"}}, {"trailing", {"a", "b"}},
                {"leading", {"", "a"}},     {"empty", {}},
                {"single", {"a"}},          {"MISSING", def}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(config->getStringList("l", row.key, ',', def), row.expected);
    }

    const std::vector<std::vector<std::string>> lists = {{"a", "b"}, {"a", ""}, {""}, {}};
    for (const auto& list : lists) {
        SCOPED_TRACE(list.size());
        ASSERT_TRUE(config->setStringList("L", "round", list, ';'));
        EXPECT_EQ(config->getStringList("L", "round", ';', def), list);
    }
    config->setStringList("L", "round", {"a", "b"}, ',');
    EXPECT_EQ(config->getString("L", "round", ""), "a,b,");
}

TEST_F(ConfigManagerTest, RemovalsAndIterators) {
    write("[A]\nk=1\nm=2\n[B]\nx=3\n");
    EXPECT_TRUE(config->keyExists("a", "K"));
    EXPECT_FALSE(config->keyExists("a", "z"));
    EXPECT_FALSE(config->keyExists("none", "k"));
    EXPECT_TRUE(config->removeKey("A", "k"));
    EXPECT_FALSE(config->removeKey("A", "k"));
    EXPECT_TRUE(config->removeSection("b"));
    EXPECT_FALSE(config->removeSection("b"));

    std::vector<std::string> seen;
    for (auto it = config->keyIterator("A"); !it->atEnd(); it->next()) {
        seen.push_back(it->key() + "=" + it->value());
    }
    EXPECT_EQ(seen, std::vector<std::string>{"m=2"});
    EXPECT_TRUE(config->clear());
    EXPECT_EQ(read(), "");
    EXPECT_TRUE(config->sectionIterator()->atEnd());
}

TEST_F(ConfigManagerTest, EditsInTheClockTickOfTheLastReadAreSeen) {
    // Rewritten in place at once, with the same size: the file's times need not move.
    for (int i = 0; i < 100; ++i) {
        const std::string value = std::to_string(i % 10);
        disk.writeHostFile(name, "[S]\nk=" + value + "\n");
        ASSERT_EQ(config->getString("S", "k", ""), value) << i;
    }
}

TEST_F(ConfigManagerTest, TwoSpellingsShareOneModel) {
    write("[S]\nk=1\n");
    auto other = ConfigManager::create("c:/" + std::string(name.begin(), name.end() - 4) + ".INI");
    EXPECT_EQ(other->getString("S", "k", ""), "1");
    ASSERT_TRUE(config->removeKey("S", "k"));
    // The section left empty is in the model only, not in the file: only a shared model
    // still lists it.
    EXPECT_EQ(read(), "");
    auto sections = other->sectionIterator();
    ASSERT_FALSE(sections->atEnd());
    EXPECT_EQ(sections->name(), "S");
}

TEST_F(ConfigManagerTest, ConcurrentWritersThroughTwoStoresLoseNothing) {
    write("[S]\nseed=1\n");
    auto other = ConfigManager::create(path);
    auto writer = [](ConfigManager* store, const std::string& prefix) {
        for (int i = 0; i < 40; ++i) {
            store->setInt("S", prefix + std::to_string(i), i);
        }
    };
    std::thread first(writer, config.get(), "a");
    std::thread second(writer, other.get(), "b");
    first.join();
    second.join();
    nZUEmbCfg::tIniFile onDisk(path);  // outside the cache: what the file holds
    int found = 0;
    for (auto it = onDisk.keyIterator("S"); !it->atEnd(); it->next()) {
        ++found;
    }
    EXPECT_EQ(found, 81);
}

TEST_F(ConfigManagerTest, MissingFileReadsAsDefaultsUntilFirstChange) {
    ASSERT_FALSE(exists());
    EXPECT_EQ(config->getString("S", "k", "def"), "def");
    EXPECT_EQ(config->getInt("S", "k", 7), 7);
    EXPECT_FALSE(config->removeKey("S", "k"));
    EXPECT_FALSE(config->removeSection("S"));
    EXPECT_TRUE(config->sectionIterator()->atEnd());
    EXPECT_TRUE(config->keyIterator("S")->atEnd());
    EXPECT_FALSE(config->setIntDefault("S", "k", 1, 1));
    EXPECT_FALSE(exists());  // defaults never create the file
    auto& fileIo = static_cast<rx_fwk::ConfigManager_file_io&>(*config);
    try {
        fileIo.ensureLoaded();
        ADD_FAILURE() << "bound to a missing file";
    } catch (const rx_fwk::FileIdError& error) {
        EXPECT_STREQ(error.what(),
                     ("FileIdError: Unable to open file '" + path + "' to determine its unique ID.")
                         .c_str());
    }

    ASSERT_TRUE(config->setString("S", "k", "v"));
    EXPECT_EQ(read(), "[S]\r\nk=v\r\n\r\n");
    EXPECT_NO_THROW(fileIo.ensureLoaded());
}

TEST_F(ConfigManagerTest, RefusedEntryIsAFalseResultAndCreatesNoFile) {
    EXPECT_FALSE(config->setString("S", "k", "a\nb"));
    EXPECT_FALSE(config->setBool("S", "k=", true));
    EXPECT_FALSE(config->setInt("[S]", "k", 1));
    EXPECT_FALSE(exists());
    ASSERT_TRUE(config->setString("S", "k", "v"));
    EXPECT_FALSE(config->setString("S", "k", "w\r\n[T]\r\nx=1"));
    EXPECT_EQ(read(), "[S]\r\nk=v\r\n\r\n");
}

TEST_F(ConfigManagerTest, SettersFailWhereTheFileCannotBeWritten) {
    auto nowhere = ConfigManager::create("C:\\no\\such\\dir\\x.ini");
    EXPECT_FALSE(nowhere->setString("S", "k", "v"));
    EXPECT_FALSE(nowhere->clear());
    EXPECT_EQ(nowhere->getString("S", "k", "def"), "def");

    write("[S]\nk=1\n");
    std::filesystem::permissions(disk.hostPath(name), std::filesystem::perms::owner_read);
    EXPECT_FALSE(config->setString("S", "k", "2"));
    EXPECT_FALSE(config->removeKey("S", "k"));
    EXPECT_EQ(config->getString("S", "k", ""), "1");
}

TEST_F(ConfigManagerTest, InstanceIsTheSystemSettingsFile) {
    ConfigManager& system = ConfigManager::instance();
    EXPECT_EQ(&system, &ConfigManager::instance());
    EXPECT_EQ(static_cast<rx_fwk::ConfigManager_file_io&>(system).path(), "C:/ZU-RT.INI");
    ASSERT_TRUE(system.clear());
    ASSERT_TRUE(system.setString("KORA", "k", "v"));
    EXPECT_EQ(ConfigManager::create("C:\\zu-rt.ini")->getString("kora", "K", ""), "v");
}

TEST_F(ConfigManagerTest, PathsThatOnceHashedAlikeKeepTheirOwnFiles) {
    // Equal under an XOR of the bytes: 'a' and 'e' trade places four bytes apart.
    disk.writeHostFile("abcdefgh.ini", "[S]\nk=first\n");
    disk.writeHostFile("ebcdafgh.ini", "[S]\nk=second\n");
    auto first = ConfigManager::create("C:\\abcdefgh.ini");
    auto second = ConfigManager::create("C:\\ebcdafgh.ini");
    EXPECT_EQ(first->getString("S", "k", ""), "first");
    EXPECT_EQ(second->getString("S", "k", ""), "second");
    ASSERT_TRUE(second->setString("S", "k", "changed"));
    EXPECT_EQ(disk.readHostFile("abcdefgh.ini"), "[S]\nk=first\n");
    EXPECT_EQ(disk.readHostFile("ebcdafgh.ini"), "[S]\r\nk=changed\r\n\r\n");
}

// A file deleted behind a loaded model: its values stay readable through every store on
// the file, and the next change, by whichever store, writes them all again (as the model
// would through the store that loaded it).
TEST_F(ConfigManagerTest, FileDeletedBehindLoadedModelKeepsItsValues) {
    write("[S]\na=1\nb=2\n");
    EXPECT_EQ(config->getString("S", "a", ""), "1");
    std::filesystem::remove(disk.hostPath(name));

    auto later = ConfigManager::create(path);  // not bound before the deletion
    ASSERT_TRUE(later->setString("S", "c", "3"));
    EXPECT_EQ(read(), "[S]\r\na=1\r\nb=2\r\nc=3\r\n\r\n");

    std::filesystem::remove(disk.hostPath(name));
    auto reader = ConfigManager::create(path);
    EXPECT_EQ(reader->getString("S", "b", ""), "2");
    EXPECT_FALSE(exists());  // reading recreates nothing
}

TEST_F(ConfigManagerTest, FirstUseFromManyThreadsBindsOnce) {
    write("[S]\nk=v\n");
    for (int round = 0; round < 20; ++round) {
        auto store = ConfigManager::create(path);
        std::vector<std::thread> threads;
        std::vector<std::string> seen(6);
        for (std::size_t i = 0; i < seen.size(); ++i) {
            threads.emplace_back([&, i] { seen[i] = store->getString("S", "k", ""); });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(seen, std::vector<std::string>(seen.size(), "v")) << round;
        EXPECT_EQ(&static_cast<rx_fwk::ConfigManager_file_io&>(*store).ensureLoaded(),
                  &static_cast<rx_fwk::ConfigManager_file_io&>(*config).ensureLoaded());
    }
}

}  // namespace
