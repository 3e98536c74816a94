// The INI model over a real file: reading and writing rules, refresh and failures.
#include "config/IniFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/FileTimeError.h"
#include "config/tIniFile.h"
#include "kernel/fs/Drive.h"
#include "kernel/fs/WholeFile.h"
#include "kernel/fs/posix/DriveTable.h"
#include "tests/config/IniTestFiles.h"
#include "tests/support/ForwardingDrive.h"
#include "tests/support/TempDisk.h"

namespace {

using nZUEmbCfg::tIniFile;
using rx_fwk::IniFile;

class IniFileTest : public ::testing::Test {
protected:
    std::string read() const { return disk.readHostFile("s.ini"); }
    void write(const std::string& bytes) const { disk.writeHostFile("s.ini", bytes); }
    std::vector<std::string> sections() {
        std::vector<std::string> names;
        for (auto it = ini.sectionIterator(); !it->atEnd(); it->next()) {
            names.push_back(it->name());
        }
        return names;
    }
    std::vector<std::string> keys(const std::string& section) {
        std::vector<std::string> lines;
        for (auto it = ini.keyIterator(section); !it->atEnd(); it->next()) {
            lines.push_back(it->key() + "=" + it->value());
        }
        return lines;
    }

    lbtest::TempDisk disk;
    tIniFile ini{"C:\\s.ini"};
};

TEST_F(IniFileTest, ReadingRules) {
    write(
        "orphan=1\n"
        "[Net]\n"
        "  mode = dhcp  \r\n"
        "MODE=static\n"
        "#x=1\n"
        ";x=1\n"
        "no equals sign\n"
        " = empty key\n"
        "[broken=2\n"
        "q1='single'\n"
        "q2=\" lead\"\n"
        "q3=a\"b\"c\n"
        "q4='\n"
        "q5=\"'x'\"\n"
        "[]\n"
        "hidden=1\n"
        "[ Net]\n"
        "spaced=1\n"
        "[net]\n"
        "again=2\n"
        "[Empty]\n"
        "[Last]\n"
        "k=no line feed");
    EXPECT_EQ(sections(), (std::vector<std::string>{" Net", "Last", "Net"}));
    EXPECT_EQ(keys("NET"),
              (std::vector<std::string>{";x=1", "[broken=2", "again=2", "mode=static", "q1=single",
                                        "q2= lead", "q3=a\"b\"c", "q4=", "q5='x'"}));
    EXPECT_EQ(ini.get("Last", "K"), "no line feed");
    EXPECT_THROW(ini.get("Empty", "x"), IniFile::EntryNotFoundError);
    EXPECT_THROW(ini.get("Net", "hidden"), IniFile::EntryNotFoundError);
}

// Text from outside never becomes structure: what would not read back is refused whole.
TEST_F(IniFileTest, RefusesWhatWouldNotReadBack) {
    struct Row {
        std::string section, key, value;
        bool stored;
    } rows[] = {
        {"S", "k", "x\n[Security]\nRootPassword=passwd%%", false},
        {"S", "k", "a\rb", false},
        {"S", "k", std::string("a\0b", 3), false},
        {"S", "k=v", "1", false},
        {"S", "#k", "1", false},
        {"S", ";k", "1", false},
        {"S", "[k", "v]", false},
        {"S", " k", "1", false},
        {"S", "k\t", "1", false},
        {"S", "", "1", false},
        {"S", "k\nx", "1", false},
        {"", "k", "1", false},
        {" S", "k", "1", false},
        {"S ", "k", "1", false},
        {"#S", "k", "1", false},
        {"S]x", "k", "1", false},
        {"S\n[T", "k", "1", false},
        {"S", "k", " padded value ", true},
        {"S", "k", "a=b;c#d[e]", true},
        {"S=1", "k]", "\"q\"", true},
        {"S", "k k", "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "[" << row.section << "] " << row.key << "=" << row.value);
        write("[S]\nold=1\n");
        const std::string before = read();
        if (!row.stored) {
            EXPECT_THROW(ini.set(row.section, row.key, row.value), IniFile::BadEntryError);
            EXPECT_EQ(read(), before);
            continue;
        }
        ini.set(row.section, row.key, row.value);
        tIniFile fresh(ini.path());
        EXPECT_EQ(fresh.get(row.section, row.key), row.value);
        EXPECT_EQ(fresh.get("S", "old"), "1");
    }
}

TEST_F(IniFileTest, CrLfAndLfFilesReadTheSame) {
    for (const std::string eol : {"\r\n", "\n"}) {
        SCOPED_TRACE(eol.size());
        tIniFile fresh("C:\\eol.ini");
        disk.writeHostFile("eol.ini",
                           "[A]" + eol + "k=v" + eol + eol + "[B]" + eol + "x= y " + eol);
        EXPECT_EQ(fresh.get("A", "k"), "v");
        EXPECT_EQ(fresh.get("B", "x"), "y");
    }
}

TEST_F(IniFileTest, WritesExactBytesInCaseInsensitiveOrder) {
    write("# comment\n[Net]\nMode=dhcp\n\n[Alpha]\nx=\n");
    ini.set("net", "Name", " a b");
    EXPECT_EQ(read(), "[Alpha]\r\nx=\r\n\r\n[Net]\r\nMode=dhcp\r\nName=\" a b\"\r\n\r\n");

    ini.set("beta", "b", "2");
    ini.set("BETA", "A", "1");
    EXPECT_EQ(read(),
              "[Alpha]\r\nx=\r\n\r\n[beta]\r\nA=1\r\nb=2\r\n\r\n"
              "[Net]\r\nMode=dhcp\r\nName=\" a b\"\r\n\r\n");
}

TEST_F(IniFileTest, QuotesSurviveRoundTrips) {
    write("[S]\nsingle='kept'\nempty=''\n");
    ini.set("S", "other", "x");  // rewrites the file from the model
    EXPECT_EQ(read(), "[S]\r\nempty=\r\nother=x\r\nsingle='kept'\r\n\r\n");

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "plain"},         {" lead", "\" lead\""},
        {"trail\t", "\"trail\t\""}, {"\"quoted\"", "\"\"quoted\"\""},
        {"'apos'", "\"'apos'\""},   {"in\"side", "in\"side"},
        {"\"", "\"\"\""},           {"", ""},
    };
    for (const auto& [value, written] : cases) {
        SCOPED_TRACE(value);
        tIniFile fresh("C:\\q.ini");
        fresh.clear();
        fresh.set("Q", "k", value);
        EXPECT_EQ(disk.readHostFile("q.ini"), "[Q]\r\nk=" + written + "\r\n\r\n");
        tIniFile reader("C:\\q.ini");
        EXPECT_EQ(reader.get("Q", "k"), value);
    }
}

TEST_F(IniFileTest, UnchangedValueIsNotRewritten) {
    ini.set("S", "k", "v");
    const std::filesystem::path path(disk.hostPath("s.ini"));
    const auto stamp = std::filesystem::last_write_time(path) - std::chrono::hours(1);
    std::filesystem::last_write_time(path, stamp);
    ini.set("s", "K", "v");  // picks up the new time, then finds the value equal
    EXPECT_EQ(std::filesystem::last_write_time(path), stamp);
    ini.set("S", "k", " v");  // same text but for a blank: written
    EXPECT_NE(std::filesystem::last_write_time(path), stamp);
}

TEST_F(IniFileTest, RemovingEntries) {
    write("[A]\nk=1\n[B]\nk=2\nm=3\n");
    ini.removeKey("a", "K");
    EXPECT_EQ(sections(), (std::vector<std::string>{"A", "B"}));  // until reloaded
    EXPECT_EQ(read(), "[B]\r\nk=2\r\nm=3\r\n\r\n");
    ini.removeSection("b");
    EXPECT_EQ(read(), "");
    EXPECT_THROW(ini.removeKey("B", "k"), IniFile::EntryNotFoundError);
    EXPECT_THROW(ini.removeKey("A", "nope"), IniFile::EntryNotFoundError);
    EXPECT_THROW(ini.removeSection("B"), IniFile::EntryNotFoundError);

    ini.set("C", "k", "v");
    ini.clear();
    EXPECT_EQ(read(), "");
    EXPECT_TRUE(sections().empty());
}

TEST_F(IniFileTest, IteratorsAreSnapshots) {
    write("[A]\nk=1\n");
    auto sectionIt = ini.sectionIterator();
    auto keyIt = ini.keyIterator("A");
    ini.set("B", "x", "y");
    ini.set("A", "k", "2");
    EXPECT_EQ(sectionIt->name(), "A");
    EXPECT_TRUE(sectionIt->next());  // reaching the end still counts as a move
    EXPECT_TRUE(sectionIt->atEnd());
    EXPECT_FALSE(sectionIt->next());
    EXPECT_EQ(sectionIt->name(), "");
    EXPECT_EQ(keyIt->value(), "1");
    EXPECT_TRUE(ini.keyIterator("none")->atEnd());
}

TEST_F(IniFileTest, RefreshesAfterOutsideEditAndKeepsModelAfterDeletion) {
    write("[S]\nk=1\n");
    EXPECT_EQ(ini.get("S", "k"), "1");
    ini.set("S", "own", "x");  // our own write does not count as a change
    lbtest::editBehindModel(disk, "s.ini", "[S]\nk=2\n");
    EXPECT_EQ(ini.get("S", "k"), "2");
    EXPECT_THROW(ini.get("S", "own"), IniFile::EntryNotFoundError);

    std::filesystem::remove(disk.hostPath("s.ini"));
    EXPECT_EQ(ini.get("S", "k"), "2");
    ini.set("S", "new", "3");
    EXPECT_EQ(read(), "[S]\r\nk=2\r\nnew=3\r\n\r\n");
}

TEST_F(IniFileTest, MissingFileStartsEmptyAndIsCreatedByFirstChange) {
    EXPECT_THROW(ini.get("S", "k"), IniFile::EntryNotFoundError);
    EXPECT_TRUE(sections().empty());
    EXPECT_EQ(ini.lastWriteTime(), 0u);
    ini.set("S", "k", "v");
    EXPECT_EQ(read(), "[S]\r\nk=v\r\n\r\n");
    EXPECT_NE(ini.lastWriteTime(), 0u);
}

TEST_F(IniFileTest, ReplacesTheFileUnderItsOwnSpelling) {
    disk.writeHostFile("zu-rt.ini", "[S]\nk=1\n");
    tIniFile upper("C:/ZU-RT.INI");
    upper.set("S", "k", "2");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(disk.root())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"zu-rt.ini"});
    EXPECT_EQ(disk.readHostFile("zu-rt.ini"), "[S]\r\nk=2\r\n\r\n");
}

TEST_F(IniFileTest, FailedWriteLeavesFileAndModelAlone) {
    write("[S]\nk=1\n");
    EXPECT_EQ(ini.get("S", "k"), "1");
    std::filesystem::permissions(disk.hostPath("s.ini"), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::group_read);
    EXPECT_THROW(ini.set("S", "k", "2"), IniFile::FileIOError);
    EXPECT_THROW(ini.clear(), IniFile::FileIOError);
    EXPECT_EQ(ini.get("S", "k"), "1");
    EXPECT_EQ(read(), "[S]\nk=1\n");
    EXPECT_FALSE(std::filesystem::exists(disk.hostPath("s.ini.tmp")));

    // With no file and no way to create one, the missing time is reported as such.
    tIniFile nowhere("C:\\no\\such\\dir\\x.ini");
    EXPECT_THROW(nowhere.set("S", "k", "v"), rx_fwk::FileTimeError);
}

TEST_F(IniFileTest, UnreadableFileKeepsLastModelForReadsAndRefusesChanges) {
    write("[S]\nk=1\n");
    EXPECT_EQ(ini.get("S", "k"), "1");
    // A directory in its place has a new time but cannot be read as a file, even by root.
    std::filesystem::remove(disk.hostPath("s.ini"));
    std::filesystem::create_directory(disk.hostPath("s.ini"));
    std::filesystem::last_write_time(
        disk.hostPath("s.ini"),
        std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    EXPECT_EQ(ini.get("S", "k"), "1");
    EXPECT_EQ(sections(), std::vector<std::string>{"S"});
    EXPECT_THROW(ini.set("S", "k", "3"), IniFile::FileIOError);
    EXPECT_THROW(ini.removeKey("S", "k"), IniFile::FileIOError);
    EXPECT_EQ(ini.get("S", "k"), "1");
}

TEST_F(IniFileTest, ByteOrderMarkIsSkippedOnReadingAndKeptOnWriting) {
    write("\xEF\xBB\xBF[First]\r\nk=1\r\n");
    EXPECT_EQ(ini.get("First", "k"), "1");
    ini.set("First", "m", "2");
    EXPECT_EQ(read(), "\xEF\xBB\xBF[First]\r\nk=1\r\nm=2\r\n\r\n");
    // A file without one gets none.
    lbtest::editBehindModel(disk, "s.ini", "[First]\r\nk=1\r\n");
    ini.set("First", "m", "3");
    EXPECT_EQ(read(), "[First]\r\nk=1\r\nm=3\r\n\r\n");
}

// Neither a file nor a model too large to read back is taken in or written.
TEST_F(IniFileTest, FilesLargerThanTheLimitAreRefused) {
    const std::string head = "[S]\nk=1\n#";
    const std::string atLimit = head + std::string(TOV_WHOLE_FILE_LIMIT - head.size(), 'x');
    write(atLimit);
    EXPECT_EQ(ini.get("S", "k"), "1");

    lbtest::editBehindModel(disk, "s.ini", atLimit + "x");
    EXPECT_EQ(ini.get("S", "k"), "1");  // the last good model answers
    EXPECT_THROW(ini.set("S", "k", "2"), IniFile::FileIOError);
    EXPECT_EQ(read(), atLimit + "x");

    write("[S]\nk=1\n");
    EXPECT_THROW(ini.set("S", "big", std::string(TOV_WHOLE_FILE_LIMIT, 'v')), IniFile::FileIOError);
    EXPECT_EQ(read(), "[S]\nk=1\n");
    EXPECT_THROW(ini.get("S", "big"), IniFile::EntryNotFoundError);
}

// C: with a second process in it: right after each rename onto a file, that process edits
// the file, and the clock moves on past the edit's tick before the writer goes on.
class EditAfterRenameDrive : public lbtest::ForwardingDrive {
public:
    EditAfterRenameDrive(std::shared_ptr<TovDrive> inner, std::function<void()> edit)
        : ForwardingDrive(std::move(inner)), edit_(std::move(edit)) {}

    BOOL move(LPCSTR from, LPCSTR to, DWORD flags) override {
        const BOOL moved = inner().move(from, to, flags);
        if (moved) {
            edit_();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return moved;
    }

private:
    std::function<void()> edit_;
};

TEST_F(IniFileTest, EditRightAfterTheOwnRenameIsSeen) {
    const int letter = TovRegisterDrive(
        -1, std::make_shared<EditAfterRenameDrive>(
                TovDriveOf("C:\\"), [this] { disk.writeHostFile("s.ini", "[S]\nk=other\n"); }));
    ASSERT_GE(letter, 0);
    tIniFile raced(std::string(1, static_cast<char>('A' + letter)) + ":\\s.ini");
    raced.set("S", "k", "own");
    EXPECT_EQ(raced.get("S", "k"), "other");
    TovUnregisterDrive(letter);
}

}  // namespace
