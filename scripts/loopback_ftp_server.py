"""A loopback database server for the tests and the demo: serves ROOT over FTP on 127.0.0.1 to
the user nexo (password greyoak, or the second argument). A third argument names commands,
comma-separated, that the server then does not know (SIZE,MLSD), as some servers do not.

Prints the port it listens on, then serves until killed.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root = sys.argv[1]
    password = sys.argv[2] if len(sys.argv) > 2 else "greyoak"
    unknown = set(sys.argv[3].split(",")) if len(sys.argv) > 3 and sys.argv[3] else set()
    authorizer = DummyAuthorizer()
    authorizer.add_user("nexo", password, root, perm="elr")

    class Handler(FTPHandler):
        proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in unknown}

    handler = Handler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0.05
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
