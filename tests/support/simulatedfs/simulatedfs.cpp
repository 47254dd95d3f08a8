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
#include <sys/types.h>
#include <unistd.h>

namespace {

bool namedTemporaries = false;
bool killAtRename = false;
// Plain memory: the process may open files before any constructor ran.
char killAfterCreating[4096];

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
    return real(from, to);
}
}
