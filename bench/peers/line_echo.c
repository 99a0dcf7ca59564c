/* The floor of the burst benchmark: a cat-style echo of standard input that writes every line
 * with its own write(2), the framing cost of one write per line and nothing else. */
#include <string.h>
#include <unistd.h>

static void write_all(const char* p, size_t n)
{
    while (n > 0) {
        const ssize_t w = write(1, p, n);
        if (w <= 0)
            return;
        p += w;
        n -= (size_t)w;
    }
}

int main(void)
{
    static char buf[1 << 17];
    size_t have = 0;
    /* The helper and the peer announce themselves first; so does the echo, to look the same. */
    write_all("{}\n", 3);
    for (;;) {
        const ssize_t n = read(0, buf + have, sizeof buf - have);
        if (n <= 0)
            return 0;
        have += (size_t)n;
        size_t start = 0;
        for (;;) {
            const char* nl = memchr(buf + start, '\n', have - start);
            if (!nl)
                break;
            const size_t end = (size_t)(nl - buf) + 1;
            write_all(buf + start, end - start);
            start = end;
        }
        memmove(buf, buf + start, have - start);
        have -= start;
        if (have == sizeof buf)
            have = 0; /* a line longer than the buffer is not part of this benchmark */
    }
}
