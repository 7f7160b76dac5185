#include "formats/replace_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace formats
{
namespace
{

// Flushes a folder's entries to the disk (best effort).
void SyncFolderOf(const std::string &path)
{
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

Status WriteReplacing(const std::string &path, const std::function<Status(std::FILE *)> &write)
{
    if (path.empty() || !write)
        return Status::BadArgument;

    // Replace the file a symbolic link points to, not the link.
    std::string target = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved))
        target = resolved;

    // Only a regular file is replaced, and a write-protected one stays as
    // the user protected it.
    struct stat st;
    const bool replacing = ::stat(target.c_str(), &st) == 0;
    mode_t mode;
    if (replacing) {
        if (!S_ISREG(st.st_mode))
            return Status::NotRegularFile;
        if (::access(target.c_str(), W_OK) != 0)
            return Status::OpenFailed;
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return Status::OpenFailed;
    std::FILE *file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(temp.c_str());
        return Status::OpenFailed;
    }
    Status status = ::fchmod(fd, mode) == 0 ? Status::Ok : Status::OpenFailed;
    if (status == Status::Ok) {
        try {
            status = write(file);
        } catch (const std::bad_alloc &) {
            status = Status::TooLarge; // a writer's buffers did not fit
        }
    }
    // Data still buffered may fail to reach the disk only now.
    if (std::fflush(file) != 0 || std::ferror(file)) {
        if (status == Status::Ok)
            status = Status::WriteFailed;
    }
    // A file that replaces another is on the disk before it takes its name.
    if (status == Status::Ok && replacing && ::fsync(fd) != 0)
        status = Status::WriteFailed;
    if (std::fclose(file) != 0 && status == Status::Ok)
        status = Status::WriteFailed;
    if (status == Status::Ok && std::rename(temp.c_str(), target.c_str()) != 0)
        status = Status::WriteFailed;
    if (status != Status::Ok) {
        ::unlink(temp.c_str());
        return status;
    }
    if (replacing)
        SyncFolderOf(target);
    return Status::Ok;
}

Status ReadWholeFile(const std::string &path, std::size_t limit, std::string *bytes)
{
    if (!bytes)
        return Status::BadArgument;
    bytes->clear();
    if (path.empty())
        return Status::BadArgument;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return Status::ReadFailed;
    if (!S_ISREG(st.st_mode))
        return Status::NotRegularFile;
    // O_NONBLOCK: should the name become a FIFO after the check, opening it
    // still returns at once, and the second check refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Status::ReadFailed;
    Status status = Status::Ok;
    if (::fstat(fd, &st) != 0)
        status = Status::ReadFailed;
    else if (!S_ISREG(st.st_mode))
        status = Status::NotRegularFile;
    else if (static_cast<unsigned long long>(st.st_size) > limit)
        status = Status::TooLarge;
    if (status == Status::Ok) {
        bytes->reserve(static_cast<std::size_t>(st.st_size));
        char block[1 << 16];
        for (;;) {
            const ssize_t got = ::read(fd, block, sizeof block);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                status = Status::ReadFailed;
                break;
            }
            if (got == 0)
                break;
            if (bytes->size() + static_cast<std::size_t>(got) > limit) {
                status = Status::TooLarge; // grew while being read
                break;
            }
            bytes->append(block, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    if (status != Status::Ok)
        bytes->clear();
    return status;
}

} // namespace formats
