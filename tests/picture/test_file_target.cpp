// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "picture/file_target.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class FileTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(testing::TempDir()) /
                  (std::string("grimora_target_") +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }

    // What the folder holds: no temporary file may be left in it.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder_)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

// Each kind of target, written "new" with each protection: what it became,
// what the write said, and that nothing else was left in the folder.
TEST_F(FileTargetTest, EachKindOfTargetIsReplacedWrittenIntoOrRefused) {
    const fs::path file = folder_ / "file";
    struct Case {
        const char* what;
        std::function<void()> make;  // makes "target" (and more) in the folder
        WriteProtection protection;
        std::string error;                 // "" for success
        std::function<void()> expect;      // the state afterwards
        std::vector<std::string> entries;  // of the folder afterwards
    };
    const fs::path target = folder_ / "target";
    const auto isFile = [&](const fs::path& p, const std::string& content, fs::perms perms) {
        return [=] {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(p)));
            EXPECT_EQ(Read(p), content);
            EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, perms);
        };
    };
    const fs::perms rw = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    const fs::perms ro = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const Case cases[] = {
        {"a regular file, whose permissions stay",
         [&] {
             Write(target, "old content");
             fs::permissions(target, rw);
         },
         WriteProtection::kRefuse,
         "",
         isFile(target, "new", rw),
         {"target"}},
        {"a link to a regular file: the file is replaced, the link stays",
         [&] {
             Write(file, "old");
             fs::create_symlink(file, target);
         },
         WriteProtection::kRefuse,
         "",
         [&] {
             EXPECT_TRUE(fs::is_symlink(target));
             EXPECT_EQ(Read(file), "new");
         },
         {"file", "target"}},
        {"a link to the null device, which stays a device",
         [&] { fs::create_symlink("/dev/null", target); },
         WriteProtection::kRefuse,
         "",
         [&] {
             EXPECT_TRUE(fs::is_symlink(target));
             EXPECT_TRUE(fs::is_character_file("/dev/null"));
         },
         {"target"}},
        {"a dangling link",
         [&] { fs::create_symlink(folder_ / "gone", target); },
         WriteProtection::kRefuse,
         "Cannot save " + target.string() + ": it is a link to " + (folder_ / "gone").string() +
             ", which does not exist.",
         [&] { EXPECT_TRUE(fs::is_symlink(target)); },
         {"target"}},
        {"a write-protected file, refused",
         [&] {
             Write(target, "old");
             fs::permissions(target, ro);
         },
         WriteProtection::kRefuse,
         target.string() + " is write-protected.",
         isFile(target, "old", ro),
         {"target"}},
        {"a write-protected file, replaced when asked: it stays write-protected",
         [&] {
             Write(target, "old");
             fs::permissions(target, ro);
         },
         WriteProtection::kReplace,
         "",
         isFile(target, "new", ro),
         {"target"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        c.make();
        std::string error;
        EXPECT_EQ(WriteWholeFile(target.string(), Bytes("new"), error, c.protection),
                  c.error.empty());
        EXPECT_EQ(error, c.error);
        c.expect();
        EXPECT_EQ(entries(), c.entries);
    }
    // Names of no file are refused before anything is made.
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    const std::string slash = (folder_ / "sub").string() + "/";
    for (const auto& [name, message] :
         {std::pair<std::string, std::string>{"", "Cannot save: no file name was given."},
          {slash, "Cannot save " + slash + ": it names a folder, not a file."}}) {
        std::string error;
        EXPECT_FALSE(WriteWholeFile(name, Bytes("new"), error, WriteProtection::kRefuse));
        EXPECT_EQ(error, message);
    }
    EXPECT_TRUE(entries().empty());
}

// A pipe whose reader goes away part-way fails the write with a message;
// the program goes on.
TEST_F(FileTargetTest, APipeWhoseReaderLeavesFailsTheWrite) {
    const fs::path pipe = folder_ / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        std::ifstream in(pipe, std::ios::binary);
        char head[10];
        in.read(head, sizeof head);
        ::_exit(0);
    }
    std::string error;
    const std::string bytes(std::size_t{8} << 20, 'x');
    EXPECT_FALSE(WriteWholeFile(pipe.string(), Bytes(bytes), error, WriteProtection::kRefuse));
    EXPECT_NE(error.find("Broken pipe"), std::string::npos) << error;
    int status = 0;
    ASSERT_EQ(::waitpid(reader, &status, 0), reader);
}

// A write that ends by a signal removes its new file and leaves the target;
// the process still ends by that signal.
TEST_F(FileTargetTest, InterruptingSignalsRemoveTheNewFile) {
    const fs::path target = folder_ / "picture.bmp";
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        Write(target, "old");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The signals' default actions, as a fresh process has them.
            ::signal(SIGTERM, SIG_DFL);
            ::signal(SIGINT, SIG_DFL);
            FileWrite file;
            std::string error;
            const bool started = file.open(target.string(), error) && file.write(Bytes("half"));
            const char state = started ? 'w' : 'f';
            (void)::write(ready[1], &state, 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        char state = 0;
        ASSERT_EQ(::read(ready[0], &state, 1), 1);
        ::close(ready[0]);
        ASSERT_EQ(state, 'w');
        EXPECT_EQ(entries().size(), 2u);  // the target and the new file
        ASSERT_EQ(::kill(child, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(entries(), std::vector<std::string>{"picture.bmp"});
        EXPECT_EQ(Read(target), "old");
    }
}

}  // namespace
}  // namespace grimora
