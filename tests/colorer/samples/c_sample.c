/* A small C program.
   The comment spans lines (and has brackets). */
#include <stdio.h>
#define MAX(a, b) ((a) > (b) ? (a) : (b))

static const char *names[] = {"one", "two (three)", "tab\there"};

int main(int argc, char **argv)
{
    int count = 0x1F + 017 + 42;
    double ratio = 3.14e-2;
    char c = '{';
    if (argc > 1 && argv[1] != NULL) {
        printf("%d items: %s\n", count, names[0]); // a note: TODO fix
    }
    return ratio > 1.0 ? 1 : 0;
}
