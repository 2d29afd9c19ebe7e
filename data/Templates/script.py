#!/usr/bin/env python3


def main():
    pass


if __name__ == "__main__":
    main()
