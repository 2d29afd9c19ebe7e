/* A small C file with one of each kind. */
#include <stdio.h>
#define MAX_ITEMS 16
#define SQUARE(x) ((x) * (x))

typedef unsigned int uint;
typedef int (*compare_fn)(const void *, const void *);

struct point {
    int x, y;
};

typedef struct list {
    struct list *next;
} list_t;

union value {
    int i;
    double d;
};

enum colour { RED, GREEN, BLUE };

static int helper(int a);

static int helper(int a)
{
    if (a > 0) {
        return a;
    }
    return -a;
}

struct point *make_point(int x, int y) {
    static struct point p;
    p.x = x;
    p.y = y;
    return &p;
}

int
main(int argc, char **argv)
{
    printf("%d\n", helper(argc));
    return 0;
}
