// SPDX-License-Identifier: MIT
// The least any strip builder has to do with a set of PNG icons: read each file, inflate its
// image data with zlib (no unfiltering, one thread) and write a file of the strip's size, synced
// once. strip-build.sh times the builders against it.
// Usage: strip-floor DEPTH LIST OUTPUT   (LIST: one PNG path a line, all of one size)
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

static uint32_t BigEndian(const unsigned char* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

static unsigned char* ReadFile(const char* path, size_t* size) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0) {
        return NULL;
    }
    unsigned char* bytes = malloc((size_t)status.st_size + 1);
    size_t done = 0;
    while (bytes != NULL && done < (size_t)status.st_size) {
        const ssize_t got = read(fd, bytes + done, (size_t)status.st_size - done);
        if (got <= 0) {
            free(bytes);
            bytes = NULL;
        } else {
            done += (size_t)got;
        }
    }
    close(fd);
    *size = done;
    return bytes;
}

// Bytes of the filtered image data: every row with its filter byte, plus room for the extra
// rows of an interlaced picture's passes.
static size_t ImageDataBytes(const unsigned char* header, uint32_t width, uint32_t height) {
    static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    const int bitDepth = header[24], colorType = header[25];
    const size_t bits = (size_t)width * (size_t)bitDepth * (size_t)kChannels[colorType % 7];
    return ((bits + 7) / 8 + 1) * height * 2 + 64;
}

// Inflates the IDAT chunks of one PNG into out, which holds the filtered rows; the byte count
// inflated, 0 on failure.
static size_t InflateImageData(const unsigned char* png, size_t size, unsigned char** out,
                               size_t* capacity, uint32_t* width, uint32_t* height) {
    if (size < 33 || memcmp(png + 12, "IHDR", 4) != 0) {
        return 0;
    }
    *width = BigEndian(png + 16);
    *height = BigEndian(png + 20);
    const size_t needed = ImageDataBytes(png, *width, *height);
    if (needed > *capacity) {
        *out = realloc(*out, needed);
        *capacity = needed;
    }
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (*out == NULL || inflateInit(&stream) != Z_OK) {
        return 0;
    }
    stream.next_out = *out;
    stream.avail_out = (uInt)needed;
    int status = Z_OK;
    for (size_t at = 8; at + 12 <= size && status == Z_OK;) {
        const uint32_t length = BigEndian(png + at);
        if (length > size - at - 12) {
            break;
        }
        if (memcmp(png + at + 4, "IDAT", 4) == 0) {
            stream.next_in = (unsigned char*)png + at + 8;
            stream.avail_in = length;
            status = inflate(&stream, Z_NO_FLUSH);
        }
        at += (size_t)length + 12;
    }
    const size_t inflated = needed - stream.avail_out;
    inflateEnd(&stream);
    return status == Z_STREAM_END ? inflated : 0;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: strip-floor DEPTH LIST OUTPUT\n");
        return 2;
    }
    const int depth = atoi(argv[1]);
    FILE* list = fopen(argv[2], "r");
    if (list == NULL || (depth != 24 && depth != 32)) {
        fprintf(stderr, "strip-floor: bad arguments\n");
        return 2;
    }
    unsigned char* rows = NULL;
    size_t capacity = 0, count = 0;
    uint32_t width = 0, height = 0;
    char path[4096];
    while (fgets(path, sizeof path, list) != NULL) {
        path[strcspn(path, "\n")] = 0;
        size_t size = 0;
        unsigned char* png = ReadFile(path, &size);
        const size_t inflated =
            png == NULL ? 0 : InflateImageData(png, size, &rows, &capacity, &width, &height);
        free(png);
        if (inflated == 0) {
            fprintf(stderr, "strip-floor: cannot read %s\n", path);
            return 1;
        }
        ++count;
    }
    fclose(list);
    const size_t stride = ((size_t)width * count * (size_t)depth / 8 + 3) / 4 * 4;
    const size_t bytes = 54 + stride * height;
    const int fd = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    unsigned char* strip = calloc(1, bytes);
    if (fd < 0 || strip == NULL || write(fd, strip, bytes) != (ssize_t)bytes || fsync(fd) != 0 ||
        close(fd) != 0) {
        fprintf(stderr, "strip-floor: cannot write %s: %s\n", argv[3], strerror(errno));
        return 1;
    }
    free(strip);
    free(rows);
    return 0;
}
