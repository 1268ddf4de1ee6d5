#!/usr/bin/python3
"""The tests' pyftpdlib server with downloads held to a steady rate.

Over loopback a 300 MB file arrives in well under a second, too fast for a
person (or this test) to minimise the window or press Abort while it runs.
Everything else, users and listing included, is the shared test server's.
"""
import os
import sys

from pyftpdlib.handlers import ThrottledDTPHandler

BYTES_PER_SECOND = int(os.environ.get("E2E_DOWNLOAD_RATE", 40 * 1000 * 1000))


def throttled(make_handler):
    def make(*args, **kwargs):
        handler = make_handler(*args, **kwargs)

        class Throttled(ThrottledDTPHandler):
            write_limit = BYTES_PER_SECOND

        handler.dtp_handler = Throttled
        return handler

    return make


if __name__ == "__main__":
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
    import pyftpd_server as server

    server.make_handler = throttled(server.make_handler)
    sys.exit(server.main())
