/* The whole run a conversion is measured against: the least a program does to
   replace a file of SIZE bytes so that a crash leaves either the old file or the
   new one. It writes a temporary beside the target, flushes it, renames it over the
   target and flushes the folder, as the programs do with what they write. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int fail(const char* what, const char* name) {
    perror(name);
    fprintf(stderr, "durable_write: cannot %s\n", what);
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fputs("usage: durable_write SIZE TARGET\n", stderr);
        return 2;
    }
    const size_t size = strtoul(argv[1], NULL, 10);
    const char* target = argv[2];
    char* bytes = malloc(size + 1);
    if (bytes == NULL) return fail("allocate", argv[1]);
    memset(bytes, 0x55, size);  /* made in memory, as a conversion makes its output */

    const size_t length = strlen(target);
    char* temp = malloc(length + 5);
    if (temp == NULL) return fail("allocate", target);
    memcpy(temp, target, length);
    memcpy(temp + length, ".tmp", 5);
    const int fd = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return fail("create", temp);
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0) return fail("write", temp);
        done += (size_t)n;
    }
    if (fsync(fd) != 0 || close(fd) != 0) return fail("flush", temp);
    if (rename(temp, target) != 0) return fail("rename", target);

    /* The folder: the target's name up to its last slash, else the working one. */
    const char* slash = strrchr(target, '/');
    if (slash == NULL) {
        temp[0] = '.';
        temp[1] = '\0';
    } else {
        const size_t dir = slash == target ? 1 : (size_t)(slash - target);
        memcpy(temp, target, dir);
        temp[dir] = '\0';
    }
    const int folder = open(temp, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || fsync(folder) != 0 || close(folder) != 0) return fail("flush", temp);
    free(temp);
    free(bytes);
    return 0;
}
