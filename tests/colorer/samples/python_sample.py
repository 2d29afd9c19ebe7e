#!/usr/bin/env python3
"""Module docstring
spanning lines."""
import os


@decorator
def greet(name: str, count=3) -> None:
    # a comment with (brackets)
    for i in range(count):
        print(f"Hello {name}!", i * 2.5)
    return None


class Thing(object):
    flag = True and not False
