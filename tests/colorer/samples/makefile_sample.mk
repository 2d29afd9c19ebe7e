# Build rules
CC = gcc
CFLAGS := -O2 -Wall

all: prog

prog: main.o util.o
	$(CC) $(CFLAGS) -o $@ $^

.PHONY: clean
clean:
	rm -f *.o prog
