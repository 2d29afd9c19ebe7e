"""A small Python module."""
import os


class Reader:
    """Reads things."""

    def __init__(self, path):
        self.path = path

    async def read(self):
        return open(self.path).read()

    class Inner:
        def helper(self):
            def nested():
                return 1
            return nested()


def main():
    r = Reader(os.getcwd())
    print(r.path)


async def fetch(url):
    return url


if __name__ == "__main__":
    main()
