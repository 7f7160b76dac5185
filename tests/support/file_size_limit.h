// A full disk for the length of a scope: files this process writes cannot
// grow past a given size.  A write across the limit stores what fits and
// reports the rest as failed, a write beyond it fails outright, as on a
// disk that has filled up.  The signal such a write raises is ignored
// meanwhile, so the failure reaches the code as an error.
#pragma once

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit
{
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        active_ = ::getrlimit(RLIMIT_FSIZE, &old_) == 0;
        if (active_) {
            struct rlimit limit = old_;
            limit.rlim_cur = bytes;
            active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
    }
    ~FileSizeLimit()
    {
        if (active_)
            ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // False when the limit could not be set (the test cannot run).
    bool Active() const { return active_; }

  private:
    struct rlimit old_ {};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};
