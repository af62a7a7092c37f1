#!/usr/bin/python3
"""Mirrors a folder, read-only, at a mount point; reads of files named *.slow.* can be held.

    slow_folder.py SOURCE MOUNT_POINT

A read of NAME (a name holding ".slow.") waits while SOURCE/NAME.hold exists; while it
waits, SOURCE/NAME.reading exists. SOURCE/NAME.pass lets one waiting read go, and is taken
away by it. Opens never wait: only the thread that reads stalls.
Runs until unmounted or sent SIGTERM or SIGINT.
"""
import errno
import os
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

HOLD_POLL_SECONDS = 0.02


class SlowFolder(Operations):
    def __init__(self, source):
        self.source = source
        self.waiting = {}  # marker path -> reads waiting on it
        self.waiting_lock = threading.Lock()

    def _source_path(self, path):
        return os.path.join(self.source, path.lstrip("/"))

    def getattr(self, path, fh=None):
        try:
            st = os.lstat(self._source_path(path))
        except OSError as error:
            raise FuseOSError(error.errno)
        return {key: getattr(st, key) for key in
                ("st_mode", "st_size", "st_nlink", "st_uid", "st_gid", "st_atime", "st_mtime", "st_ctime")}

    def readdir(self, path, fh):
        try:
            return [".", ".."] + os.listdir(self._source_path(path))
        except OSError as error:
            raise FuseOSError(error.errno)

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        try:
            return os.open(self._source_path(path), os.O_RDONLY)
        except OSError as error:
            raise FuseOSError(error.errno)

    def read(self, path, size, offset, fh):
        if ".slow." in os.path.basename(path):
            self._wait_while_held(self._source_path(path))
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)
        return 0

    def _wait_while_held(self, source_path):
        hold, marker = source_path + ".hold", source_path + ".reading"
        if not os.path.exists(hold):
            return
        self._enter_waiting(marker)
        try:
            while os.path.exists(hold) and not self._take_pass(source_path + ".pass"):
                time.sleep(HOLD_POLL_SECONDS)
        finally:
            self._leave_waiting(marker)

    @staticmethod
    def _take_pass(path):
        try:
            os.remove(path)
            return True
        except FileNotFoundError:
            return False

    def _enter_waiting(self, marker):
        with self.waiting_lock:
            if self.waiting.get(marker, 0) == 0:
                open(marker, "w").close()
            self.waiting[marker] = self.waiting.get(marker, 0) + 1

    def _leave_waiting(self, marker):
        with self.waiting_lock:
            self.waiting[marker] -= 1
            if self.waiting[marker] == 0:
                del self.waiting[marker]
                os.remove(marker)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: slow_folder.py SOURCE MOUNT_POINT")
    source, mount_point = (os.path.abspath(arg) for arg in sys.argv[1:])
    # Direct I/O: every read reaches this process, none is answered from the page cache.
    FUSE(SlowFolder(source), mount_point, foreground=True, ro=True, direct_io=True)


if __name__ == "__main__":
    main()
