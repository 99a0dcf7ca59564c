/* Runs a program with O_NONBLOCK set on its standard input and output, as a host that leaves its
 * descriptors non-blocking hands them to a child. Usage: nonblockingexec PROGRAM [ARG...] */
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s PROGRAM [ARG...]\n", argv[0]);
        return 2;
    }
    for (int fd = 0; fd <= 1; ++fd) {
        const int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
            perror("fcntl");
            return 1;
        }
    }
    execv(argv[1], argv + 1);
    perror("execv");
    return 127;
}
