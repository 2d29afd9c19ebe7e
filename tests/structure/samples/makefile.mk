# A small makefile.
CC := gcc
CFLAGS = -O2 -Wall
OBJS = main.o util.o

.PHONY: all clean

all: app

app: $(OBJS)
	$(CC) -o $@ $^

%.o: %.c
	$(CC) $(CFLAGS) -c $<

clean:
	rm -f app $(OBJS)

install :: app
	cp app /usr/local/bin
