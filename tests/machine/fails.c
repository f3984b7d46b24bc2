/* A test program that fails: the harness must report it, with its output, at once. */
#include <stdio.h>

int main(void) {
    puts("failing on purpose");
    return 3;
}
