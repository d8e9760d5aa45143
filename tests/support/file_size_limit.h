#pragma once

// Makes the system refuse to grow any file of this process past `bytes`
// (RLIMIT_FSIZE) while the object lives: writes past the limit fail with
// EFBIG, as they fail with ENOSPC on a full disk, through the same write
// path. SIGXFSZ is ignored meanwhile, so the write returns its error instead
// of ending the test. Both are restored at the end of the scope.

#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_ok = m_ok && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // False when the limit could not be set (the test then proves nothing).
    bool active() const { return m_ok; }

private:
    struct rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
    bool m_ok = false;
};
