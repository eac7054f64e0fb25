/*
 * Modem lines for pseudo-terminals, which have none, so that the real serial
 * port code (QSerialPort included) can run end to end in a test. Loaded with
 * LD_PRELOAD, it answers TIOCMBIS, TIOCMBIC, TIOCMGET and TIOCMSET on pty
 * slaves itself, counts them, and passes every other request, and every
 * request on any other file, to the C library's ioctl.
 *
 * Tests steer it through the fake_modem_* functions (found with dlsym).
 * Scripts use the environment instead:
 *   ZRX_FAKE_MODEM_LOG=path         one character per request appended to path
 *   ZRX_FAKE_MODEM_FAIL_AFTER=n     fail every request after the first n, EIO
 *   ZRX_FAKE_MODEM_ACK=1            a chip that acknowledges every byte: DSR
 *                                   asserted through each ninth clock
 *
 * Trace characters: D/d DTR asserted/released, R/r RTS asserted/released,
 * S DSR read (TIOCMGET) finding it released, s finding it asserted, M lines set at once (TIOCMSET) followed by the
 * levels set, a digit: 1 for DTR asserted plus 2 for RTS asserted, x any of
 * them refused because the pty has hung up.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))

/* Unix98 pty slaves: /dev/pts/N. */
enum { PtySlaveMajorFirst = 136, PtySlaveMajorLast = 143 };

static int lines;           /* TIOCM_DTR and TIOCM_RTS as last set */
static int dsr_asserted;
static long requests;       /* every modem-line request that reached us */
static long fail_after = -1; /* requests still answered; -1: never fail */
static int fail_errno = EIO;
static char trace[1 << 16];
static size_t trace_length;
static int log_fd = -1;

/* The acknowledging chip: it follows the bus on the line levels (DTR
 * asserted = clock low, RTS asserted = data low), counts the clocks of each
 * byte from a START and pulls the data line low from the fall of the eighth
 * clock to the fall of the ninth. It sends no data: a read gets FF bytes. */
static int acknowledges;
static int in_frame;
static int clocks_in_byte;
static int pulls_low;

static void follow_lines(int before, int after)
{
    const int clock_high = !(after & TIOCM_DTR);
    const int was_clock_high = !(before & TIOCM_DTR);
    const int data_high = !(after & TIOCM_RTS);
    const int was_data_high = !(before & TIOCM_RTS);
    if (clock_high && was_clock_high && data_high != was_data_high) {
        in_frame = !data_high; /* a fall is a START, a rise a STOP */
        clocks_in_byte = 0;
        pulls_low = 0;
    } else if (in_frame && clock_high && !was_clock_high) {
        ++clocks_in_byte;
    } else if (in_frame && !clock_high && was_clock_high) {
        if (clocks_in_byte == 8) {
            pulls_low = 1;
        } else if (clocks_in_byte == 9) {
            pulls_low = 0;
            clocks_in_byte = 0;
        }
    }
}

static int dsr_now(void) { return dsr_asserted || (acknowledges && pulls_low); }

__attribute__((constructor)) static void read_environment(void)
{
    const char *log_path = getenv("ZRX_FAKE_MODEM_LOG");
    const char *fail = getenv("ZRX_FAKE_MODEM_FAIL_AFTER");
    const char *ack = getenv("ZRX_FAKE_MODEM_ACK");
    acknowledges = ack && *ack == '1';
    if (log_path && *log_path)
        log_fd = open(log_path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fail && *fail)
        fail_after = strtol(fail, NULL, 10);
}

EXPORT void fake_modem_reset(void)
{
    lines = 0;
    dsr_asserted = 0;
    requests = 0;
    in_frame = clocks_in_byte = pulls_low = 0;
    fail_after = -1;
    fail_errno = EIO;
    trace_length = 0;
    trace[0] = '\0';
}

EXPORT long fake_modem_requests(void) { return requests; }
EXPORT const char *fake_modem_trace(void) { return trace; }
EXPORT int fake_modem_lines(void) { return lines; }
EXPORT void fake_modem_set_dsr(int asserted) { dsr_asserted = asserted != 0; }

/* From now on, answer n more requests, then fail each with `error`. */
EXPORT void fake_modem_fail_after(long n, int error)
{
    fail_after = n;
    fail_errno = error;
}

static int is_pty_slave(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    const unsigned int device_major = major(st.st_rdev);
    return device_major >= PtySlaveMajorFirst && device_major <= PtySlaveMajorLast;
}

static void note(char c)
{
    ++requests;
    if (trace_length + 1 < sizeof trace) {
        trace[trace_length++] = c;
        trace[trace_length] = '\0';
    }
    if (log_fd >= 0)
        (void)!write(log_fd, &c, 1);
}

/* The levels a TIOCMSET left, after its 'M': not a request of its own. */
static void note_levels(void)
{
    const char c = (char)('0' + ((lines & TIOCM_DTR) ? 1 : 0) + ((lines & TIOCM_RTS) ? 2 : 0));
    if (trace_length + 1 < sizeof trace) {
        trace[trace_length++] = c;
        trace[trace_length] = '\0';
    }
    if (log_fd >= 0)
        (void)!write(log_fd, &c, 1);
}

/* A hung-up tty (its far end or its device gone) answers EIO to nearly
 * every request; so does its fake modem. */
static int is_hung_up(int fd, int (*real_ioctl)(int, unsigned long, ...))
{
    struct termios settings;
    return real_ioctl(fd, TCGETS, &settings) == -1 && errno == EIO;
}

static int answer(unsigned long request, int *bits)
{
    switch (request) {
    case TIOCMBIS:
        note(*bits & TIOCM_DTR ? 'D' : 'R');
        break;
    case TIOCMBIC:
        note(*bits & TIOCM_DTR ? 'd' : 'r');
        break;
    case TIOCMGET:
        note(dsr_now() ? 's' : 'S');
        break;
    default:
        note('M');
        break;
    }
    if (fail_after == 0) {
        errno = fail_errno;
        return -1;
    }
    if (fail_after > 0)
        --fail_after;
    const int before = lines;
    switch (request) {
    case TIOCMBIS:
        lines |= *bits & (TIOCM_DTR | TIOCM_RTS);
        break;
    case TIOCMBIC:
        lines &= ~*bits;
        break;
    case TIOCMGET:
        *bits = lines | (dsr_now() ? TIOCM_DSR : 0);
        break;
    default:
        lines = *bits & (TIOCM_DTR | TIOCM_RTS);
        note_levels();
        break;
    }
    follow_lines(before, lines);
    return 0;
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);

    /* dlsym hands out an object pointer; ISO C has no cast to a function. */
    static union {
        void *object;
        int (*function)(int, unsigned long, ...);
    } real_ioctl;
    if (!real_ioctl.object)
        real_ioctl.object = dlsym(RTLD_NEXT, "ioctl");

    const int modem_request = request == TIOCMBIS || request == TIOCMBIC || request == TIOCMGET
                              || request == TIOCMSET;
    if (!modem_request || !argument || !is_pty_slave(fd))
        return real_ioctl.function(fd, request, argument);
    if (is_hung_up(fd, real_ioctl.function)) {
        note('x');
        errno = EIO;
        return -1;
    }
    return answer(request, (int *)argument);
}
