// Every writer goes through WriteReplacing: the file appears whole or not
// at all, a special file is never opened, and nothing is left behind.
#include <csignal>
#include <new>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "formats/csv.h"
#include "formats/npy.h"
#include "formats/replace_file.h"
#include "formats/vcd.h"
#include "formats/wav.h"
#include "formats_test_support.h"

namespace
{

using formats::Record;
using formats::Status;

Record SmallRecord()
{
    Record r;
    r.sampleInterval = 1e-3;
    r.channels = {{"CH1", "V", {0.5, -0.5, 0.25}}};
    return r;
}

formats::LogicRecord SmallLogic()
{
    formats::LogicRecord r;
    r.sampleInterval = 1e-6;
    r.words = {0, 1, 3, 2};
    return r;
}

// Each writer with its file name, so every case runs for all of them.
struct Writer
{
    const char *name;
    Status (*write)(const std::string &path);
};

const Writer kWriters[] = {
    {"r.csv", [](const std::string &p) { return formats::WriteCsv(p, SmallRecord()); }},
    {"r.npy", [](const std::string &p) { return formats::WriteNpy(p, SmallRecord()); }},
    {"r.wav", [](const std::string &p) { return formats::WriteWav(p, SmallRecord()); }},
    {"r.vcd", [](const std::string &p) { return formats::WriteVcd(p, SmallLogic()); }},
};

TEST(ReplaceFile, EveryWriterRefusesAFifoWithoutBlockingAndLeavesNothing)
{
    for (const Writer &w : kWriters) {
        ScratchFolder dir;
        ASSERT_EQ(0, ::mkfifo(dir.File(w.name).c_str(), 0600));
        const Status expected = (std::string(w.name) == "r.wav" && !formats::WavAvailable())
                                    ? Status::Unsupported
                                    : Status::NotRegularFile;
        EXPECT_EQ(expected, w.write(dir.File(w.name))) << w.name;
        EXPECT_EQ(1u, dir.Entries().size()) << w.name;
        struct stat st;
        ASSERT_EQ(0, ::stat(dir.File(w.name).c_str(), &st));
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << w.name;
    }
}

TEST(ReplaceFile, EveryWriterRefusesADeviceAndAFolder)
{
    for (const Writer &w : kWriters) {
        if (std::string(w.name) == "r.wav" && !formats::WavAvailable())
            continue;
        EXPECT_EQ(Status::NotRegularFile, w.write("/dev/null")) << w.name;
        ScratchFolder dir;
        EXPECT_EQ(Status::NotRegularFile, w.write(dir.Path())) << w.name;
        EXPECT_TRUE(dir.Entries().empty()) << w.name;
    }
}

TEST(ReplaceFile, AFailedWriteKeepsTheOldFileAndRemovesTheNewOne)
{
    ScratchFolder dir;
    const std::string path = dir.File("r.csv");
    WriteBytes(path, "old contents\n");
    const Status status = formats::WriteReplacing(path, [](std::FILE *f) {
        std::fputs("half a record", f);
        return Status::WriteFailed;
    });
    EXPECT_EQ(Status::WriteFailed, status);
    EXPECT_EQ("old contents\n", ReadBytes(path));
    EXPECT_EQ(1u, dir.Entries().size());
}

TEST(ReplaceFile, AWriterOutOfMemoryLeavesNothingBehind)
{
    ScratchFolder dir;
    const std::string path = dir.File("r.csv");
    WriteBytes(path, "old contents\n");
    const Status status = formats::WriteReplacing(path, [](std::FILE *f) -> Status {
        std::fputs("half a record", f);
        throw std::bad_alloc();
    });
    EXPECT_EQ(Status::TooLarge, status);
    EXPECT_EQ("old contents\n", ReadBytes(path));
    EXPECT_EQ(1u, dir.Entries().size());
}

// The file size limit makes the disk "full" after a few kilobytes: every
// writer must notice the failing write, however late it shows.
TEST(ReplaceFile, EveryWriterReportsAFullDiskAndRemovesItsFile)
{
    Record big;
    big.sampleInterval = 1.0 / 48000.0;
    big.channels = {{"CH1", "V", std::vector<double>(200000, 0.123456789)}};
    formats::LogicRecord logic;
    logic.sampleInterval = 1e-6;
    for (int i = 0; i < 200000; ++i)
        logic.words.push_back(static_cast<std::uint16_t>(i));

    struct rlimit old;
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &old));
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 16384;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));

    ScratchFolder dir;
    EXPECT_EQ(Status::WriteFailed, formats::WriteCsv(dir.File("r.csv"), big));
    EXPECT_EQ(Status::WriteFailed, formats::WriteNpy(dir.File("r.npy"), big));
    EXPECT_EQ(Status::WriteFailed, formats::WriteVcd(dir.File("r.vcd"), logic));
    if (formats::WavAvailable()) {
        EXPECT_EQ(Status::WriteFailed, formats::WriteWav(dir.File("r.wav"), big));
    }

    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(ReplaceFile, AReplacedFileKeepsItsPermissionsAndALinkStaysALink)
{
    ScratchFolder dir;
    const std::string path = dir.File("r.csv");
    WriteBytes(path, "old\n");
    ASSERT_EQ(0, ::chmod(path.c_str(), 0640));
    ASSERT_EQ(0, ::symlink(path.c_str(), dir.File("link.csv").c_str()));

    ASSERT_EQ(Status::Ok, formats::WriteCsv(dir.File("link.csv"), SmallRecord()));
    struct stat st;
    ASSERT_EQ(0, ::lstat(dir.File("link.csv").c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(0u, ReadBytes(path).find("Time (s),CH1 (V)\r\n"));
    EXPECT_EQ(2u, dir.Entries().size());
}

TEST(ReplaceFile, AnUnusableRecordCreatesNoFile)
{
    ScratchFolder dir;
    Record ragged = SmallRecord();
    ragged.channels.push_back({"CH2", "V", {1.0}});
    Record noInterval = SmallRecord();
    noInterval.sampleInterval = 0.0;
    for (const Record &r : {ragged, noInterval, Record()}) {
        EXPECT_EQ(Status::BadArgument, formats::WriteCsv(dir.File("r.csv"), r));
        EXPECT_EQ(Status::BadArgument, formats::WriteNpy(dir.File("r.npy"), r));
        if (formats::WavAvailable()) {
            EXPECT_EQ(Status::BadArgument, formats::WriteWav(dir.File("r.wav"), r));
        }
    }
    formats::LogicRecord logic = SmallLogic();
    logic.lines = 17;
    EXPECT_EQ(Status::BadArgument, formats::WriteVcd(dir.File("r.vcd"), logic));
    logic = SmallLogic();
    logic.words.clear();
    EXPECT_EQ(Status::BadArgument, formats::WriteVcd(dir.File("r.vcd"), logic));
    EXPECT_TRUE(dir.Entries().empty());
}

} // namespace
