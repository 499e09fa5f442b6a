/* Loaded into voxbank by the kill test: counts the calls that change files and kills the
   process at the one VOXBANK_KILL names, "N" right before the N-th or "N+" right after it.
   VOXBANK_KILL_LOG names a file that gets each call's name, one a line. VOXBANK_NO_EXCHANGE
   refuses renameat2, as file systems without an exchange of two names do, and VOXBANK_NO_LINKS
   refuses link, as file systems without hard links do. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static long calls;

static void KillAt(long call, char when)
{
    const char* at = getenv("VOXBANK_KILL");
    char* end;
    if (at && strtol(at, &end, 10) == call && *end == when)
        raise(SIGKILL);
}

static long Before(const char* name)
{
    const char* log = getenv("VOXBANK_KILL_LOG");
    int fd = log ? open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600) : -1;
    if (fd >= 0) {
        dprintf(fd, "%s\n", name); /* glibc's own write inside, not the one below */
        close(fd);
    }
    KillAt(++calls, '\0');
    return calls;
}

#define WRAP(type, name, params, args)                      \
    type name params                                        \
    {                                                       \
        static type(*real) params;                          \
        if (!real)                                          \
            real = (type(*) params)dlsym(RTLD_NEXT, #name); \
        long call = Before(#name);                          \
        type result = real args;                            \
        KillAt(call, '+');                                  \
        return result;                                      \
    }

WRAP(ssize_t, write, (int fd, const void* data, size_t n), (fd, data, n))
WRAP(int, fsync, (int fd), (fd))
WRAP(int, rename, (const char* from, const char* to), (from, to))

int link(const char* from, const char* to)
{
    static int (*real)(const char*, const char*);
    if (!real)
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "link");
    long call = Before("link");
    int result = -1;
    if (getenv("VOXBANK_NO_LINKS"))
        errno = EPERM;
    else
        result = real(from, to);
    KillAt(call, '+');
    return result;
}

WRAP(int, unlink, (const char* path), (path))

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags)
{
    static int (*real)(int, const char*, int, const char*, unsigned);
    if (!real)
        real = (int (*)(int, const char*, int, const char*, unsigned))dlsym(RTLD_NEXT, "renameat2");
    long call = Before("renameat2");
    int result = -1;
    if (getenv("VOXBANK_NO_EXCHANGE"))
        errno = EINVAL;
    else
        result = real(fromDir, from, toDir, to, flags);
    KillAt(call, '+');
    return result;
}
