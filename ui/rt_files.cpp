// Text and binary files by handle, folders, the system date and time.
#include "rt_core.h"

#include <QDir>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace uirt;

namespace
{

struct OpenedFile {
    std::FILE *fp = nullptr;
    bool failed = false; // a write or flush failed since the file was opened
};

std::map<int, OpenedFile> &files()
{
    static std::map<int, OpenedFile> f;
    return f;
}

int g_nextFile = 1;

OpenedFile *fileOf(int handle)
{
    auto it = files().find(handle);
    return it == files().end() ? nullptr : &it->second;
}

// Opens a regular file and nothing else.  A FIFO, a device or a socket is
// refused before anything can wait on it: the name is examined first, then
// opened without blocking (a FIFO swapped in meanwhile does not wait for its
// other end) and examined again, and only a regular file is truncated.
std::FILE *openRegular(const char *name, int readWrite, int action)
{
    struct stat st;
    if (::stat(name, &st) == 0 && !S_ISREG(st.st_mode))
        return nullptr;
    const bool read = readWrite == VAL_READ_ONLY || readWrite == VAL_READ_WRITE;
    const bool write = readWrite == VAL_WRITE_ONLY || readWrite == VAL_READ_WRITE;
    int flags = (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    if (write)
        flags |= O_CREAT;
    if (write && action == VAL_APPEND)
        flags |= O_APPEND;
    const int fd = ::open(name, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const bool truncated = !write || action == VAL_APPEND || action == VAL_OPEN_AS_IS || ::ftruncate(fd, 0) == 0;
    const int fl = ::fcntl(fd, F_GETFL);
    if (!regular || !truncated || fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) < 0) {
        ::close(fd);
        return nullptr;
    }
    const char *mode = !write                   ? "rb"
                       : action == VAL_APPEND   ? (read ? "a+b" : "ab")
                       : read                   ? "r+b"
                                                : "wb";
    std::FILE *fp = ::fdopen(fd, mode);
    if (!fp)
        ::close(fd);
    return fp;
}

// One line into line[0..lineSize-2]; the rest of an overlong line is passed
// over.  Returns the bytes stored, -1 at the end of the file.
int readOneLine(std::FILE *fp, char *line, int lineSize)
{
    int stored = 0;
    bool any = false;
    for (;;) {
        int ch = std::getc(fp);
        if (ch == EOF)
            break;
        any = true;
        if (ch == '\n')
            break;
        if (ch == '\r') {
            const int next = std::getc(fp);
            if (next == '\n')
                break;
            if (next != EOF)
                std::ungetc(next, fp);
        }
        if (stored < lineSize - 1)
            line[stored++] = static_cast<char>(ch);
    }
    line[stored] = '\0';
    return any ? stored : -1;
}

} // namespace

int OpenFile(const char *fileName, int readWrite, int action, int fileType)
{
    (void)fileType; // no line-end translation on this platform; WriteLine writes CR LF itself
    if (!fileName || !*fileName)
        return -1;
    if (readWrite != VAL_READ_ONLY && readWrite != VAL_WRITE_ONLY && readWrite != VAL_READ_WRITE)
        return -1;
    // Folders, FIFOs and devices are refused: a file of the bench is a
    // regular file, and anything else could wait for ever or never end.
    std::FILE *fp = openRegular(fileName, readWrite, action);
    if (!fp)
        return -1;
    const int handle = g_nextFile++;
    if (g_nextFile == INT_MAX)
        g_nextFile = 1;
    files()[handle].fp = fp;
    return handle;
}

int CloseFile(int fileHandle)
{
    OpenedFile *f = fileOf(fileHandle);
    if (!f)
        return UIE_BAD_VALUE;
    bool failed = f->failed;
    if (std::fflush(f->fp) != 0 || std::ferror(f->fp))
        failed = true;
    if (std::fclose(f->fp) != 0)
        failed = true;
    files().erase(fileHandle);
    return failed ? UIE_IO_ERROR : 0;
}

int WriteLine(int fileHandle, const char *text, int numberOfBytes)
{
    OpenedFile *f = fileOf(fileHandle);
    if (!f)
        return UIE_BAD_VALUE;
    if (!text)
        text = "";
    // Never read past the text's end, even when told a longer count.
    const size_t n =
        numberOfBytes < 0 ? std::strlen(text) : ::strnlen(text, static_cast<size_t>(numberOfBytes));
    if (std::fwrite(text, 1, n, f->fp) != n || std::fwrite("\r\n", 1, 2, f->fp) != 2) {
        f->failed = true;
        return UIE_IO_ERROR;
    }
    return static_cast<int>(n);
}

int ReadLine(int fileHandle, char *line, int lineSize)
{
    OpenedFile *f = fileOf(fileHandle);
    if (!f)
        return UIE_BAD_VALUE;
    if (!line || lineSize <= 0)
        return UIE_BAD_VALUE;
    return readOneLine(f->fp, line, lineSize);
}

int ScanFile(int fileHandle, char *line, int lineSize)
{
    return ReadLine(fileHandle, line, lineSize);
}

int WriteFile(int fileHandle, const char *buffer, int count)
{
    OpenedFile *f = fileOf(fileHandle);
    if (!f)
        return UIE_BAD_VALUE;
    if (count < 0 || (count > 0 && !buffer))
        return UIE_BAD_VALUE;
    const size_t n = std::fwrite(buffer, 1, static_cast<size_t>(count), f->fp);
    if (n != static_cast<size_t>(count)) {
        f->failed = true;
        return UIE_IO_ERROR;
    }
    return static_cast<int>(n);
}

int ReadFile(int fileHandle, char *buffer, int count)
{
    OpenedFile *f = fileOf(fileHandle);
    if (!f)
        return UIE_BAD_VALUE;
    if (count < 0 || (count > 0 && !buffer))
        return UIE_BAD_VALUE;
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(count), f->fp);
    if (n == 0 && std::ferror(f->fp))
        return UIE_IO_ERROR;
    return static_cast<int>(n);
}

// ------------------------------------------------------------------- folders

int GetDir(char *directoryName)
{
    if (!directoryName)
        return UIE_BAD_VALUE;
    char buf[4096];
    if (!::getcwd(buf, sizeof buf) || std::strlen(buf) >= 1024) {
        directoryName[0] = '\0';
        return UIE_IO_ERROR;
    }
    copyOut(std::string(buf), directoryName, 1024);
    return 0;
}

int SetDir(const char *directoryName)
{
    if (!directoryName || !*directoryName)
        return UIE_BAD_VALUE;
    return ::chdir(directoryName) == 0 ? 0 : UIE_IO_ERROR;
}

int MakeDir(const char *directoryName)
{
    if (!directoryName || !*directoryName)
        return UIE_BAD_VALUE;
    if (::mkdir(directoryName, 0777) == 0)
        return 0;
    if (errno == EEXIST)
        return UIE_DIR_EXISTS;
    return UIE_IO_ERROR;
}

int GetWindowsDirs(char *windowsDir, char *systemDir)
{
    std::string base;
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char *home = std::getenv("HOME");
        if (!home || !*home)
            return UIE_IO_ERROR;
        base = std::string(home) + "/.config";
    }
    const std::string dir = base + "/korvax";
    if (dir.size() >= 1024)
        return UIE_IO_ERROR;
    if (!QDir().mkpath(QString::fromStdString(dir)))
        return UIE_IO_ERROR;
    copyOut(dir, windowsDir, 1024);
    copyOut(dir, systemDir, 1024);
    return 0;
}

// ----------------------------------------------------------- date and time

static bool localNow(int *v6)
{
    if (testDateTime(v6))
        return true;
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    if (!::localtime_r(&t, &tm))
        return false;
    v6[0] = tm.tm_year + 1900;
    v6[1] = tm.tm_mon + 1;
    v6[2] = tm.tm_mday;
    v6[3] = tm.tm_hour;
    v6[4] = tm.tm_min;
    v6[5] = tm.tm_sec;
    return true;
}

int GetSystemDate(int *month, int *day, int *year)
{
    int v[6];
    if (!localNow(v))
        return UIE_IO_ERROR;
    if (month)
        *month = v[1];
    if (day)
        *day = v[2];
    if (year)
        *year = v[0];
    return 0;
}

int GetSystemTime(int *hours, int *minutes, int *seconds)
{
    int v[6];
    if (!localNow(v))
        return UIE_IO_ERROR;
    if (hours)
        *hours = v[3];
    if (minutes)
        *minutes = v[4];
    if (seconds)
        *seconds = v[5];
    return 0;
}
