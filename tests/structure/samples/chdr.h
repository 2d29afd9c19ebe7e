#ifndef SAMPLE_H
#define SAMPLE_H

typedef struct buffer {
    char *data;
    unsigned size;
} buffer_t;

enum mode { READ, WRITE };

buffer_t *buffer_new(unsigned size);
void buffer_free(buffer_t *b);
static inline unsigned buffer_size(const buffer_t *b) {
    return b->size;
}

#endif
