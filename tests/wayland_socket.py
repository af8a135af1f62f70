#!/usr/bin/env python3
"""Starts a program as swaylock-plugin starts the animation beneath its lock:
with a connection to the compositor already made and handed over in
WAYLAND_SOCKET, without WAYLAND_DISPLAY and DISPLAY, in a session of its own.

usage: wayland_socket.py [--rusage FILE --pid FILE] SOCKET-PATH PROGRAM [ARGS...]

Without --rusage the program takes this process's place. With it, this
process waits for the program, writes its pid to the --pid file at the start
and "USER SYSTEM" (CPU seconds) to the --rusage file at the end, and exits
with its status.
"""
import os
import socket
import sys


def main():
    args = sys.argv[1:]
    rusage_file = pid_file = None
    while args and args[0] in ("--rusage", "--pid"):
        if args[0] == "--rusage":
            rusage_file = args[1]
        else:
            pid_file = args[1]
        args = args[2:]
    if len(args) < 2:
        sys.exit(__doc__)
    path, program = args[0], args[1:]
    connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    connection.connect(path)
    fd = connection.detach()
    os.set_inheritable(fd, True)
    env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "DISPLAY")}
    env["WAYLAND_SOCKET"] = str(fd)

    def start():
        os.setsid()
        os.execvpe(program[0], program, env)

    if rusage_file is None:
        start()
    child = os.fork()
    if child == 0:
        try:
            start()
        finally:
            os._exit(127)
    os.close(fd)
    if pid_file:
        with open(pid_file, "w") as f:
            f.write(f"{child}\n")
    _, status, usage = os.wait4(child, 0)
    with open(rusage_file, "w") as f:
        f.write(f"{usage.ru_utime:.3f} {usage.ru_stime:.3f}\n")
    sys.exit(os.waitstatus_to_exitcode(status) if os.WIFEXITED(status) else 128 + os.WTERMSIG(status))


if __name__ == "__main__":
    main()
