#!/usr/bin/env python3
"""Reads an strace log (strace -f -e trace=%file,%network) and lists every
call that writes, creates or removes a file, or opens a socket other than
the connection to the X display given. Exit status 1 when there is one (or
when the log shows no file opened at all, which means it is not a log of a
real run).

    syscalls.py STRACE_LOG DISPLAY_NUMBER
"""
import re, sys
path, display = sys.argv[1], sys.argv[2]
write_flags = re.compile(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND")
open_call = re.compile(r'(?:open|openat|openat2)\((?:\w+, )?"(?:[^"\\]|\\.)*"\.*, ([^,)]+)')
x_socket = re.compile(r'sun_path=@?"/tmp/\.X11-unix/X%s"' % re.escape(display))
changes = {"creat", "unlink", "unlinkat", "rename", "renameat", "renameat2", "mkdir", "mkdirat",
           "rmdir", "truncate", "symlink", "symlinkat", "link", "linkat", "chmod", "fchmodat",
           "chown", "fchownat", "lchown", "mknod", "mknodat", "utimensat", "bind", "listen"}
bad, opens, sockets = [], 0, 0
for line in open(path):
    m = re.match(r"\d+\s+(\w+)\(", line)
    if not m:
        continue
    name = m.group(1)
    if name in ("open", "openat", "openat2"):
        opens += 1
        flags = open_call.search(line)
        if not flags or write_flags.search(flags.group(1)):
            bad.append(line.strip())
    elif name in changes:
        bad.append(line.strip())
    elif name == "socket":
        sockets += 1
        if not re.search(r"socket\((AF_UNIX|AF_LOCAL),", line):
            bad.append(line.strip())
    elif name == "connect" and not x_socket.search(line):
        bad.append(line.strip())
print(f"{opens} opens and {sockets} sockets looked at")
for b in bad:
    print("unexpected:", b)
sys.exit(1 if bad else 0 if opens else 1)
