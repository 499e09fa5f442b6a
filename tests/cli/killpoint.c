/* Loaded into voxbank by the tests that run it.
   It counts the calls that change files and kills the process at the one VOXBANK_KILL names, "N"
   right before the N-th or "N+" right after it. VOXBANK_SLOW makes each of them take that many
   milliseconds, as a slow disk does.
   VOXBANK_FAIL="N" fails the N-th of every call that touches the disk (opens and closes
   included) as a full, broken or read-only disk would: writes with ENOSPC, reads, flushes and
   closes with EIO, the others with EACCES; "N+" fails that call and every later one of its
   kind, as a disk that stays full does. VOXBANK_FAIL_CALL fails every call of the names it
   lists (renameat2 for a file system that cannot exchange two names, link for one without hard
   links), and VOXBANK_FAIL_PATH narrows that to those on a path with this ending.
   The name of the call killed at or failed goes to VOXBANK_LOG. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

static long calls, touches;

/* Straight to the system, so that the log's own calls are neither counted nor failed. */
static void Log(const char* name)
{
    const char* log = getenv("VOXBANK_LOG");
    int fd = log ? (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600) : -1;
    if (fd < 0)
        return;
    syscall(SYS_write, fd, name, strlen(name));
    syscall(SYS_write, fd, "\n", 1);
    syscall(SYS_close, fd);
}

static void KillAt(long call, char when, const char* name)
{
    const char* at = getenv("VOXBANK_KILL");
    char* end;
    if (at && strtol(at, &end, 10) == call && *end == when) {
        Log(name);
        raise(SIGKILL);
    }
}

static long Before(const char* name)
{
    const char* slow = getenv("VOXBANK_SLOW");
    if (slow)
        usleep((useconds_t)atoi(slow) * 1000);
    KillAt(++calls, '\0', name);
    return calls;
}

static int EndsWith(const char* path, const char* end)
{
    size_t n = path ? strlen(path) : 0, m = strlen(end);
    return n >= m && strcmp(path + n - m, end) == 0;
}

/* Whether VOXBANK_FAIL_CALL names this call ("write", "rename,unlink"), on a path that ends as
   VOXBANK_FAIL_PATH says where that is set. */
static int Named(const char* name, const char* path, const char* path2)
{
    const char* names = getenv("VOXBANK_FAIL_CALL");
    const char* end = getenv("VOXBANK_FAIL_PATH");
    size_t n = strlen(name);
    for (const char* at = names; at && (at = strstr(at, name)) != NULL; at += n)
        if ((at == names || at[-1] == ',') && (at[n] == ',' || at[n] == '\0'))
            return !end || EndsWith(path, end) || EndsWith(path2, end);
    return 0;
}

/* The errno to fail this call with, or 0 to let it through. */
static int Failing(const char* name, int error, const char* path, const char* path2)
{
    static const char* first; /* the name of the call failed first, for "N+" */
    const char* at = getenv("VOXBANK_FAIL");
    char* end;
    long n = at ? strtol(at, &end, 10) : 0;
    if (Named(name, path, path2))
        return error;
    if (!at || ++touches < n)
        return 0;
    if (touches == n) {
        first = name;
        Log(name);
        return error;
    }
    return *end == '+' && strcmp(name, first) == 0 ? error : 0;
}

#define PAIR(a, b) a, b
#define NO_PATHS (NULL, NULL)

#define REAL(type, name, params) \
    static type(*real) params;   \
    if (!real)                   \
        real = (type(*) params)dlsym(RTLD_NEXT, #name)

/* A call failed on demand; one that changes files is also counted for the kill. */
#define HOOK(changes, type, name, params, args, error, paths) \
    type name params                                          \
    {                                                         \
        REAL(type, name, params);                             \
        long call = changes ? Before(#name) : 0;              \
        int failing = Failing(#name, error, PAIR paths);      \
        type result = (type)-1;                               \
        if (failing)                                          \
            errno = failing;                                  \
        else                                                  \
            result = real args;                               \
        if (changes)                                          \
            KillAt(call, '+', #name);                         \
        return result;                                        \
    }
#define CHANGES(...) HOOK(1, __VA_ARGS__)
#define TOUCHES(...) HOOK(0, __VA_ARGS__)

CHANGES(ssize_t, write, (int fd, const void* data, size_t n), (fd, data, n), ENOSPC, NO_PATHS)
CHANGES(int, fsync, (int fd), (fd), EIO, NO_PATHS)
CHANGES(int, rename, (const char* from, const char* to), (from, to), EACCES, (from, to))
CHANGES(int, unlink, (const char* path), (path), EACCES, (path, NULL))
CHANGES(int, link, (const char* from, const char* to), (from, to), EACCES, (from, to))
CHANGES(int, renameat2, (int fromDir, const char* from, int toDir, const char* to, unsigned flags),
        (fromDir, from, toDir, to, flags), EACCES, (from, to))
TOUCHES(ssize_t, pread, (int fd, void* data, size_t n, off_t at), (fd, data, n, at), EIO, NO_PATHS)
TOUCHES(int, mkdir, (const char* path, mode_t mode), (path, mode), EACCES, (path, NULL))

/* A close that fails has closed all the same, as on a network file system. */
int close(int fd)
{
    REAL(int, close, (int));
    int failing = Failing("close", EIO, NULL, NULL);
    int result = real(fd);
    if (failing) {
        errno = failing;
        return -1;
    }
    return result;
}

static mode_t ModeOf(int flags, va_list rest)
{
    return (flags & (O_CREAT | __O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
}

#define OPENS(name, dirParam, dirArg)                                     \
    int name(dirParam const char* path, int flags, ...)                   \
    {                                                                     \
        REAL(int, name, (dirParam const char*, int, ...));                \
        va_list rest;                                                     \
        va_start(rest, flags);                                            \
        mode_t mode = ModeOf(flags, rest);                                \
        va_end(rest);                                                     \
        int failing = Failing(#name, EACCES, path, NULL);                 \
        if (failing) {                                                    \
            errno = failing;                                              \
            return -1;                                                    \
        }                                                                 \
        return real(dirArg path, flags, mode);                            \
    }

#define NO_FOLDER
#define FOLDER int dir,
#define IN_FOLDER dir,
OPENS(open, NO_FOLDER, NO_FOLDER)
OPENS(openat, FOLDER, IN_FOLDER)
