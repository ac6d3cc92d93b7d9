// Copies what parec records (standard input) into a file and notes when each
// piece arrived, so that a sample of the recording can be set against the
// moment a key went down or up: one line per piece in TIMES, the wall clock
// in nanoseconds (as `date +%s%N` gives it) and the bytes received so far.
// Built for the host; ends when its input does.
// Usage: timed_record FILE TIMES
#include <stdio.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: timed_record FILE TIMES\n");
        return 2;
    }
    FILE *samples = fopen(argv[1], "wb");
    FILE *times = fopen(argv[2], "w");
    if (!samples || !times) {
        fprintf(stderr, "cannot write %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    char buffer[4096];
    long long received = 0;
    ssize_t got;
    while ((got = read(STDIN_FILENO, buffer, sizeof(buffer))) > 0) {
        // Taken first: the piece was there by this moment.
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        received += got;
        fwrite(buffer, 1, (size_t)got, samples);
        // Flushed at once: the script waits for the first bytes to appear.
        fflush(samples);
        fprintf(times, "%lld %lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec, received);
    }
    fclose(samples);
    fclose(times);
    return 0;
}
