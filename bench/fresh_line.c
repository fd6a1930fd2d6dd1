/* The yardstick of a large answer: the least a C program does to put N bytes
   into fresh memory and write them to standard output as one line. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    const size_t size = argc > 1 ? strtoul(argv[1], NULL, 10) : 0;
    char* line = malloc(size + 1);
    if (!line) return 1;
    memset(line, 'x', size);
    line[size] = '\n';
    const int written = fwrite(line, 1, size + 1, stdout) == size + 1;
    free(line);
    return written ? 0 : 1;
}
