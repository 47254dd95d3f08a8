// Fortified headers define open() inline: the wrappers here must be the
// plain functions.
#undef _FORTIFY_SOURCE

#include "simulatedfs.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool namedTemporaries = false;
bool killAtRename = false;
// Plain memory: the process may open files before any constructor ran.
char killAfterCreating[4096];
bool journalOn = false;
std::string *journal = nullptr;
int folderSyncError = 0;
long long diskRoom = -1;
bool folderSyncFailsAtOpen = false;

void note(const std::string &line)
{
    if (!journalOn)
        return;
    if (!journal)
        journal = new std::string;
    *journal += line + '\n';
}

std::string pathOf(int fd)
{
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : link;
}

template<typename Function>
Function next(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The mode is passed on only when the flags say there is one.
mode_t modeOf(int flags, va_list arguments)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(arguments, int)) : 0;
}

bool refused(int flags)
{
    if (namedTemporaries && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return true;
    }
    if (folderSyncError && folderSyncFailsAtOpen && (flags & O_DIRECTORY) && (flags & O_ACCMODE) == O_RDONLY) {
        errno = folderSyncError;
        return true;
    }
    return false;
}

// Called with what the real call returned.
int created(int fd, const char *path, int flags)
{
    const int exclusive = O_CREAT | O_EXCL;
    if (fd >= 0 && (flags & exclusive) == exclusive && killAfterCreating[0]
        && fnmatch(killAfterCreating, path, FNM_PATHNAME) == 0)
        ::kill(::getpid(), SIGKILL);
    return fd;
}

using Open = int (*)(const char *, int, ...);
using OpenAt = int (*)(int, const char *, int, ...);
using Rename = int (*)(const char *, const char *);
using Fsync = int (*)(int);
using Write = ssize_t (*)(int, const void *, size_t);

} // namespace

extern "C" {

void plumdeck_simulate_named_temporaries(int on)
{
    namedTemporaries = on;
}

void plumdeck_simulate_kill_at_rename(int on)
{
    killAtRename = on;
}

void plumdeck_simulate_kill_after_creating(const char *pattern)
{
    std::strncpy(killAfterCreating, pattern ? pattern : "", sizeof killAfterCreating - 1);
}

void plumdeck_simulate_journal(int on)
{
    if (on && journal)
        journal->clear();
    journalOn = on;
}

const char *plumdeck_simulated_journal()
{
    return journal ? journal->c_str() : "";
}

void plumdeck_simulate_disk_room(long long room)
{
    diskRoom = room;
}

void plumdeck_simulate_folder_sync_failure(int error, int atOpen)
{
    folderSyncError = error;
    folderSyncFailsAtOpen = atOpen;
}

#define PLUMDECK_OPEN(name)                                                                                           \
    int name(const char *path, int flags, ...)                                                                        \
    {                                                                                                                 \
        va_list arguments;                                                                                            \
        va_start(arguments, flags);                                                                                   \
        const mode_t mode = modeOf(flags, arguments);                                                                 \
        va_end(arguments);                                                                                            \
        static const Open real = next<Open>(#name);                                                                   \
        return refused(flags) ? -1 : created(real(path, flags, mode), path, flags);                                                         \
    }

#define PLUMDECK_OPENAT(name)                                                                                         \
    int name(int dir, const char *path, int flags, ...)                                                               \
    {                                                                                                                 \
        va_list arguments;                                                                                            \
        va_start(arguments, flags);                                                                                   \
        const mode_t mode = modeOf(flags, arguments);                                                                 \
        va_end(arguments);                                                                                            \
        static const OpenAt real = next<OpenAt>(#name);                                                               \
        return refused(flags) ? -1 : created(real(dir, path, flags, mode), path, flags);                                                    \
    }

PLUMDECK_OPEN(open)
PLUMDECK_OPEN(open64)
PLUMDECK_OPENAT(openat)
PLUMDECK_OPENAT(openat64)

int rename(const char *from, const char *to)
{
    if (killAtRename)
        ::kill(::getpid(), SIGKILL);
    static const Rename real = next<Rename>("rename");
    const int result = real(from, to);
    if (result == 0)
        note(std::string("rename ") + from + ' ' + to);
    return result;
}

int fsync(int fd)
{
    struct stat st;
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    note((folder ? "fsync folder " : "fsync file ") + pathOf(fd));
    if (folder && folderSyncError && !folderSyncFailsAtOpen) {
        errno = folderSyncError;
        return -1;
    }
    static const Fsync real = next<Fsync>("fsync");
    return real(fd);
}

ssize_t write(int fd, const void *data, size_t size)
{
    static const Write real = next<Write>("write");
    struct stat st;
    if (diskRoom < 0 || size == 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return real(fd, data, size);
    if (diskRoom == 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t written = real(fd, data, size < size_t(diskRoom) ? size : size_t(diskRoom));
    if (written > 0)
        diskRoom -= written;
    return written;
}
}
