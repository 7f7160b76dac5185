// Text files by handle, folders and the configuration folder.
#include "test_runtime_support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/file_size_limit.h"

namespace
{

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

TEST(Files, ScanFileReadsOneLinePerCall)
{
    TempFolder dir;
    const std::string long1(300, 'a');
    const std::string path =
        dir.write("lines.txt", "[SCOPE_MODE]\r\n" + long1 + "\r\nnext\n\n\r\nmid\rdle\nlast without newline");
    const int f = OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(f, 0);
    char line[64];
    std::memset(line, '#', sizeof line);
    EXPECT_EQ(ScanFile(f, line, 32), 12);
    EXPECT_STREQ(line, "[SCOPE_MODE]");
    // An overlong line keeps lineSize-1 bytes; its rest is passed over.
    EXPECT_EQ(ScanFile(f, line, 32), 31);
    EXPECT_EQ(std::string(line), std::string(31, 'a'));
    EXPECT_EQ(line[32], '#') << "nothing written past the caller's size";
    EXPECT_EQ(ScanFile(f, line, 32), 4);
    EXPECT_STREQ(line, "next");
    EXPECT_EQ(ScanFile(f, line, 32), 0) << "empty LF line";
    EXPECT_EQ(ScanFile(f, line, 32), 0) << "empty CR LF line";
    EXPECT_EQ(ScanFile(f, line, 32), 7);
    EXPECT_STREQ(line, "mid\rdle") << "a lone CR is text";
    EXPECT_EQ(ScanFile(f, line, 32), 20);
    EXPECT_STREQ(line, "last without newline");
    EXPECT_EQ(ScanFile(f, line, 32), -1);
    EXPECT_EQ(ScanFile(f, line, 32), -1);
    EXPECT_EQ(CloseFile(f), 0);
    EXPECT_EQ(ScanFile(f, line, 32), UIE_BAD_VALUE) << "closed handle";
}

TEST(Files, TinyBuffersAndBadArguments)
{
    TempFolder dir;
    const std::string path = dir.write("t.txt", "abc\r\ndef\r\n");
    const int f = OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(f, 0);
    char one[1] = {'#'};
    EXPECT_EQ(ScanFile(f, one, 1), 0);
    EXPECT_EQ(one[0], '\0');
    char line[8];
    EXPECT_EQ(ReadLine(f, line, 8), 3) << "the first line was passed over whole";
    EXPECT_STREQ(line, "def");
    EXPECT_EQ(ScanFile(f, line, 0), UIE_BAD_VALUE);
    EXPECT_EQ(ScanFile(f, nullptr, 8), UIE_BAD_VALUE);
    EXPECT_EQ(CloseFile(f), 0);
    EXPECT_EQ(CloseFile(f), UIE_BAD_VALUE);
    EXPECT_EQ(OpenFile(dir.file("missing.txt").c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII), -1);
    EXPECT_EQ(OpenFile(dir.path().c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII), -1) << "a folder";
    EXPECT_EQ(OpenFile(nullptr, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII), -1);
    EXPECT_EQ(OpenFile(path.c_str(), 42, VAL_OPEN_AS_IS, VAL_ASCII), -1);
}

TEST(Files, WriteLineEndsLinesWithCrLf)
{
    TempFolder dir;
    const std::string path = dir.file("out.ini");
    int f = OpenFile(path.c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    ASSERT_GT(f, 0);
    EXPECT_EQ(WriteLine(f, "[GENERATOR]", -1), 11);
    EXPECT_EQ(WriteLine(f, "abcdef", 3), 3);
    EXPECT_EQ(WriteLine(f, "ab", 10), 2) << "never past the text's end";
    EXPECT_EQ(WriteFile(f, "raw", 3), 3);
    EXPECT_EQ(CloseFile(f), 0);
    EXPECT_EQ(ReadAll(path), "[GENERATOR]\r\nabc\r\nab\r\nraw");
    // Append, then open as is (no truncation), then truncate.
    f = OpenFile(path.c_str(), VAL_WRITE_ONLY, VAL_APPEND, VAL_ASCII);
    WriteLine(f, "", -1);
    EXPECT_EQ(CloseFile(f), 0);
    EXPECT_EQ(ReadAll(path), "[GENERATOR]\r\nabc\r\nab\r\nraw\r\n");
    f = OpenFile(path.c_str(), VAL_READ_WRITE, VAL_OPEN_AS_IS, VAL_BINARY);
    char buf[8] = {0};
    EXPECT_EQ(ReadFile(f, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "[GEN");
    EXPECT_EQ(CloseFile(f), 0);
    EXPECT_EQ(ReadAll(path).size(), 27u) << "opening as is keeps the content";
    f = OpenFile(path.c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    EXPECT_EQ(CloseFile(f), 0);
    EXPECT_EQ(ReadAll(path), "");
    EXPECT_EQ(WriteLine(12345, "x", -1), UIE_BAD_VALUE);
    EXPECT_EQ(WriteFile(12345, "x", 1), UIE_BAD_VALUE);
}

TEST(Files, CloseReportsDataThatCouldNotBeWritten)
{
    TempFolder dir;
    const std::string path = dir.file("full.ini");
    const int f = OpenFile(path.c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    ASSERT_GT(f, 0);
    {
        FileSizeLimit disk(8);
        ASSERT_TRUE(disk.Active());
        // Held in the file's buffer: the failure comes with the close.
        EXPECT_EQ(WriteLine(f, "the setup that will not fit", -1), 27);
        EXPECT_LT(CloseFile(f), 0);
    }
    EXPECT_EQ(ReadAll(path), "the setu");
}

// Only regular files open.  A FIFO or a device would wait for ever (for the
// other end, or for data) or never end (/dev/zero), and what is written into
// one is not kept.  The other end of the FIFO is held open here, so that an
// open that does not check comes back at once and the test sees it.
TEST(Files, OnlyRegularFilesOpen)
{
    TempFolder dir;
    const std::string fifo = dir.file("pipe.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int otherEnd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(otherEnd, 0);
    const std::string zeroLink = dir.file("zero.ini");
    ASSERT_EQ(::symlink("/dev/zero", zeroLink.c_str()), 0);

    const std::string refused[] = {fifo, zeroLink, "/dev/zero", "/dev/null", "/dev/full"};
    const int modes[] = {VAL_READ_ONLY, VAL_WRITE_ONLY, VAL_READ_WRITE};
    const int actions[] = {VAL_OPEN_AS_IS, VAL_TRUNCATE, VAL_APPEND};
    for (const std::string &name : refused) {
        if (name.rfind("/dev/", 0) == 0 && !std::filesystem::exists(name))
            continue;
        for (int mode : modes)
            for (int action : actions) {
                const int f = OpenFile(name.c_str(), mode, action, VAL_ASCII);
                EXPECT_EQ(f, -1) << name << " mode " << mode << " action " << action;
                if (f > 0)
                    CloseFile(f);
            }
    }
    char nothing[4];
    EXPECT_EQ(::read(otherEnd, nothing, sizeof nothing), -1) << "nothing reached the FIFO";
    ::close(otherEnd);

    // A link to a regular file is that file.
    const std::string real = dir.write("real.ini", "line\r\n");
    const std::string link = dir.file("link.ini");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    const int f = OpenFile(link.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(f, 0);
    char line[16];
    EXPECT_EQ(ScanFile(f, line, sizeof line), 4);
    EXPECT_EQ(CloseFile(f), 0);
}

TEST(Files, ManyFilesOpenAtOnce)
{
    TempFolder dir;
    std::vector<int> handles;
    for (int i = 0; i < 20; ++i) {
        const int h =
            OpenFile(dir.file("f" + std::to_string(i)).c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
        ASSERT_GT(h, 0);
        WriteLine(h, std::to_string(i).c_str(), -1);
        handles.push_back(h);
    }
    for (int h : handles)
        EXPECT_EQ(CloseFile(h), 0);
    EXPECT_EQ(ReadAll(dir.file("f7")), "7\r\n");
}

TEST(Folders, MakeDirTellsAnExistingFolderApart)
{
    TempFolder dir;
    const std::string sub = dir.file("2024-2-29_23-59-58");
    EXPECT_EQ(MakeDir(sub.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(sub));
    EXPECT_EQ(MakeDir(sub.c_str()), UIE_DIR_EXISTS);
    EXPECT_EQ(MakeDir(dir.file("no/such/parent").c_str()), UIE_IO_ERROR);
    EXPECT_EQ(MakeDir(""), UIE_BAD_VALUE);
}

TEST(Folders, CurrentFolder)
{
    TempFolder dir;
    char old[1024], now[1024];
    ASSERT_EQ(GetDir(old), 0);
    ASSERT_EQ(SetDir(dir.path().c_str()), 0);
    ASSERT_EQ(GetDir(now), 0);
    EXPECT_EQ(std::filesystem::canonical(now), std::filesystem::canonical(dir.path()));
    EXPECT_EQ(SetDir(dir.file("missing").c_str()), UIE_IO_ERROR);
    EXPECT_EQ(SetDir(old), 0);
}

TEST(Folders, ConfigurationFolderIsCreated)
{
    TempFolder dir;
    const char *saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    char win[1024], sys[1024];
    EXPECT_EQ(GetWindowsDirs(win, sys), 0);
    EXPECT_EQ(std::string(win), dir.path() + "/korvax");
    EXPECT_STREQ(win, sys);
    EXPECT_TRUE(std::filesystem::is_directory(win));
    // Without XDG_CONFIG_HOME: ~/.config/korvax.
    const char *home = std::getenv("HOME");
    const std::string keepHome = home ? home : "";
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", dir.path().c_str(), 1);
    EXPECT_EQ(GetWindowsDirs(win, sys), 0);
    EXPECT_EQ(std::string(win), dir.path() + "/.config/korvax");
    EXPECT_TRUE(std::filesystem::is_directory(win));
    setenv("HOME", keepHome.c_str(), 1);
    if (saved)
        setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
