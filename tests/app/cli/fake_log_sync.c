/*
 * Watches the writes and syncs that reach one file, so that a test can see
 * that each record goes to the log in one write() followed by fsync().
 * Loaded with LD_PRELOAD into the tool; every call is passed on to the C
 * library unchanged.
 *   ZRX_FAKE_SYNC_PATH=path   the file watched (an absolute path)
 *   ZRX_FAKE_SYNC_TRACE=path  one character per call on it appended here:
 *                             w write(), s fsync() or fdatasync()
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef ssize_t (*write_function)(int, const void *, size_t);
typedef int (*sync_function)(int);

/* dlsym hands out an object pointer; ISO C has no cast to a function. */
static void *next_function(const char *name, void *function_pointer, size_t size)
{
    void *object = dlsym(RTLD_NEXT, name);
    memcpy(function_pointer, &object, size);
    return object;
}

static ssize_t real_write(int fd, const void *data, size_t size)
{
    static write_function next;
    if (!next)
        next_function("write", &next, sizeof next);
    return next(fd, data, size);
}

static int is_watched(int fd)
{
    const char *watched = getenv("ZRX_FAKE_SYNC_PATH");
    char link[64];
    char path[4096];
    if (!watched || !*watched)
        return 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length < 0)
        return 0;
    path[length] = '\0';
    return strcmp(path, watched) == 0;
}

static void note(char call)
{
    const char *trace = getenv("ZRX_FAKE_SYNC_TRACE");
    if (!trace || !*trace)
        return;
    const int fd = open(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    real_write(fd, &call, 1);
    close(fd);
}

__attribute__((visibility("default"))) ssize_t write(int fd, const void *data, size_t size)
{
    if (is_watched(fd))
        note('w');
    return real_write(fd, data, size);
}

static int synced(const char *name, int fd)
{
    sync_function next;
    next_function(name, &next, sizeof next);
    if (is_watched(fd))
        note('s');
    return next(fd);
}

__attribute__((visibility("default"))) int fsync(int fd)
{
    return synced("fsync", fd);
}

__attribute__((visibility("default"))) int fdatasync(int fd)
{
    return synced("fdatasync", fd);
}
