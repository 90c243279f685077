/* tromvex_io_floor: the file work of one run and nothing else, the floor that a program's
 * end-to-end time and page faults are measured against. A plain C program over the C library
 * alone, so that the floor pays for no runtime but the one every program loads. It does the
 * careful work tromvex and its companions do: reads N inputs whole, then writes N outputs of
 * given sizes, each to a new temporary file in the target's folder in one write, fsync, close,
 * rename over the target (keeping the mode of a file it replaces, and replacing the file a
 * symbolic link names rather than the link). A conversion is two inputs
 * and two outputs; tromvex-finish one of each.
 *
 *   tromvex_io_floor IN... OUT SIZE...   (as many outputs as inputs) */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kMaxTemporaryAttempts = 100 };

struct Buffer {
  unsigned char* bytes;
  size_t size;
};

/* Reads the whole regular file at path; the buffer is the caller's to free. 0 on failure. */
static int load_whole_file(const char* path, struct Buffer* out) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return 0;
  }
  out->size = (size_t)status.st_size;
  out->bytes = malloc(out->size > 0 ? out->size : 1);
  size_t done = 0;
  while (out->bytes != NULL && done < out->size) {
    const ssize_t count = read(fd, out->bytes + done, out->size - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break; /* a file that shrank, or a read error */
    done += (size_t)count;
  }
  close(fd);
  return out->bytes != NULL && done == out->size;
}

static int write_all(int fd, const unsigned char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t count = write(fd, bytes, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return 0;
    bytes += count;
    size -= (size_t)count;
  }
  return 1;
}

/* Creates a new temporary file beside target; its name goes to name (of capacity size). */
static int create_temporary(const char* target, char* name, size_t size) {
  const char* slash = strrchr(target, '/');
  const int folder_length = slash == NULL ? 0 : (int)(slash - target + 1);
  for (int attempt = 0; attempt < kMaxTemporaryAttempts; ++attempt) {
    const int length = snprintf(name, size, "%.*s.tromvex_io_floor-%ld-%d.tmp", folder_length,
                                target, (long)getpid(), attempt);
    if (length < 0 || (size_t)length >= size) return -1;
    const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

/* Writes size bytes, each set once as a program fills its image, over target. 0 on failure. */
static int write_output(const char* target, const char* size_text) {
  char* end = NULL;
  errno = 0;
  const unsigned long long size = strtoull(size_text, &end, 10);
  if (end == size_text || *end != '\0' || errno != 0 || size > SIZE_MAX) return 0;
  unsigned char* bytes = malloc(size > 0 ? (size_t)size : 1);
  if (bytes == NULL) return 0;
  memset(bytes, 0, (size_t)size);

  /* A file being replaced keeps its permissions; one we may not write is left alone. */
  struct stat status;
  const int replaces = stat(target, &status) == 0;
  if (replaces && (!S_ISREG(status.st_mode) || access(target, W_OK) != 0)) {
    free(bytes);
    return 0;
  }
  struct stat link_status;
  char resolved[PATH_MAX];
  if (lstat(target, &link_status) == 0 && S_ISLNK(link_status.st_mode)) {
    if (realpath(target, resolved) == NULL) {
      free(bytes);
      return 0;
    }
    target = resolved;
  }
  char temporary[PATH_MAX + 64];
  const int fd = create_temporary(target, temporary, sizeof temporary);
  int written = fd >= 0;
  if (written) {
    written = (!replaces || fchmod(fd, status.st_mode & 0777) == 0) &&
              write_all(fd, bytes, (size_t)size) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    written = written && rename(temporary, target) == 0;
    if (!written) unlink(temporary);
  }
  free(bytes);
  return written;
}

int main(int argc, char** argv) {
  const int files = (argc - 1) / 3;
  if (files == 0 || argc != 1 + 3 * files) {
    fputs(
        "Usage: tromvex_io_floor <in>... <out> <size>...  (as many outputs as inputs)\n"
        "       tromvex_io_floor <in1> <in2> <out1> <size1> <out2> <size2>\n",
        stderr);
    return 2;
  }
  /* Every input stays loaded until the outputs are written, as in a run. */
  struct Buffer inputs[64];
  if (files > (int)(sizeof inputs / sizeof inputs[0])) return 2;
  for (int i = 0; i < files; ++i) {
    if (!load_whole_file(argv[1 + i], &inputs[i])) return 1;
  }
  for (int i = 1 + files; i < argc; i += 2) {
    if (!write_output(argv[i], argv[i + 1])) return 1;
  }
  for (int i = 0; i < files; ++i) free(inputs[i].bytes);
  return 0;
}
