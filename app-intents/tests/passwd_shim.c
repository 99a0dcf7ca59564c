/* Test-only: makes the password database report TARNWICK_TEST_PASSWD_HOME as the current user's home,
 * or no entry at all when it is "none". Loaded with LD_PRELOAD into the programs under test. */
#define _GNU_SOURCE
#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int fill(struct passwd* pwd, char* buf, size_t buflen, struct passwd** result)
{
    const char* home = getenv("TARNWICK_TEST_PASSWD_HOME");
    *result = NULL;
    if (!home || strcmp(home, "none") == 0)
        return 0;
    const size_t need = strlen(home) + 1 + sizeof "tester" + sizeof "/bin/sh" + 1;
    if (buflen < need)
        return ERANGE;
    char* p = buf;
    pwd->pw_name = strcpy(p, "tester");
    p += sizeof "tester";
    pwd->pw_passwd = p - 1; /* empty string */
    pwd->pw_dir = strcpy(p, home);
    p += strlen(home) + 1;
    pwd->pw_shell = strcpy(p, "/bin/sh");
    pwd->pw_gecos = pwd->pw_passwd;
    pwd->pw_uid = getuid();
    pwd->pw_gid = getgid();
    *result = pwd;
    return 0;
}

int getpwuid_r(uid_t uid, struct passwd* pwd, char* buf, size_t buflen, struct passwd** result)
{
    (void)uid;
    return fill(pwd, buf, buflen, result);
}

struct passwd* getpwuid(uid_t uid)
{
    static struct passwd entry;
    static char buffer[4096];
    struct passwd* result = NULL;
    (void)uid;
    fill(&entry, buffer, sizeof buffer, &result);
    return result;
}
