#!/usr/bin/python3
"""A pyftpdlib server on 127.0.0.1 (or --host) for the tests: prints its port once it listens."""
import argparse
import logging
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


class DosListingFS(AbstractedFS):
    """LIST lines as DOS/IIS servers write them."""

    def format_list(self, basedir, listing, ignore_err=True):
        for name in listing:
            path = os.path.join(basedir, name)
            try:
                st = self.lstat(path)
            except OSError:
                if ignore_err:
                    continue
                raise
            stamp = time.strftime("%m-%d-%y  %I:%M%p", time.gmtime(st.st_mtime))
            if self.isdir(path):
                line = "%s       <DIR>          %s\r\n" % (stamp, name)
            else:
                line = "%s %20d %s\r\n" % (stamp, st.st_size, name)
            yield line.encode("utf8", self.cmd_channel.unicode_errors)


def make_handler(locked, dos_listing, refuse_active, refuse_passive, tls_cert, refuse_rest=False):
    base = TLS_FTPHandler if tls_cert else FTPHandler

    class Handler(base):
        def ftp_CWD(self, path):
            if locked and os.path.basename(path.rstrip("/")) == locked:
                self.respond("550 Permission denied.")
                return None
            return base.ftp_CWD(self, path)

    if tls_cert:
        # Nothing in clear: a client whose TLS does not work cannot log in.
        Handler.certfile = tls_cert
        Handler.tls_control_required = True
        Handler.tls_data_required = True

    if refuse_active:
        Handler.proto_cmds = {name: info for name, info in Handler.proto_cmds.items()
                              if name not in ("PORT", "EPRT")}
    if refuse_passive:
        Handler.proto_cmds = {name: info for name, info in Handler.proto_cmds.items()
                              if name not in ("PASV", "EPSV")}
    if refuse_rest:
        Handler.proto_cmds = {name: info for name, info in Handler.proto_cmds.items() if name != "REST"}
    if dos_listing:
        Handler.abstracted_fs = DosListingFS
        Handler.proto_cmds = {name: info for name, info in Handler.proto_cmds.items()
                              if name not in ("MLSD", "MLST")}
    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--locked", default="")
    parser.add_argument("--dos-listing", action="store_true")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--refuse-active", action="store_true")
    parser.add_argument("--refuse-passive", action="store_true")
    parser.add_argument("--refuse-rest", action="store_true")
    parser.add_argument("--tls-cert", default="", help="PEM with the certificate and its key; TLS required")
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user("anna", "secret", args.root, perm="elradfmwMT")
    authorizer.add_user("reader", "readonly", args.root, perm="elr")
    handler = make_handler(args.locked, args.dos_listing, args.refuse_active, args.refuse_passive,
                           args.tls_cert, args.refuse_rest)
    handler.authorizer = authorizer
    handler.banner = "pyftpdlib ready."
    server = FTPServer((args.host, 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
