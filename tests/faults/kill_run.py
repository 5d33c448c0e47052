#!/usr/bin/env python3
"""Kills INSTALL.EXE while it installs a product over an older installation.

The product's new version is installed, unattended, over its old one; the
Linux process of the setup program gets SIGKILL once a threshold of bytes
written (/proc/PID/io wchar) is passed, at points spread evenly over a whole
run. After every kill each file at its final path must be byte-identical to
its old or its new version (files that are not to be replaced to the old
one), and anything else in the folders must carry a scratch name; the install
log must be a whole file, and removal ('/U /B', run in a copy of the prefix)
must take away every file of the product at its final path and nothing else.
A run to the end must then give the complete new installation and leave no
scratch file behind.

The run happens in a private copy of the build tree's Wine prefix, on the
display in DISPLAY or on an Xvfb of its own. Exit status 0 when every check
held.
"""
import argparse
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SCRATCH_NAME = re.compile(r"^[0-9a-f]{8}(\.[^.]*)?$", re.IGNORECASE)
DAY = 86400
T_OLD = 820000000
T_NEW = T_OLD + DAY

# name -> (destination, size, compressible). Archive DATA.Z1 holds all but
# E.DAT (archive EXTRA.Z1) and README.TXT (a plain file); BIG.DAT spans
# several diskettes. Every file of the old version is replaced by its newer
# one except KEEP.DAT, whose installed copy is newer; C.TXT is read-only.
MEMBERS = {
    "A.DAT": ("MAIN", 200_000, False),
    "BIG.DAT": ("MAIN", 6_000_000, False),
    "C.TXT": ("MAIN", 300_000, True),
    "KEEP.DAT": ("MAIN", 50_000, False),
    "SHARED.DLL": ("SYSTEM", 40_000, False),
    "D.DAT": ("1", 300_000, False),
    "NEWONLY.DAT": ("MAIN", 100_000, False),
    "E.DAT": ("MAIN", 1_000_000, False),
    "README.TXT": ("MAIN", 3_000, True),
}
NEW_ONLY = {"NEWONLY.DAT"}
# A file of the user's own in the product's folder: removal must leave it.
USER_FILE = "MYNOTES.DOC"
KEPT = {"KEEP.DAT"}


def content(name, version):
    size = MEMBERS[name][1]
    seed = hashlib.sha256(f"{name}/{version}".encode()).digest()
    if MEMBERS[name][2]:
        line = f"{name} version {version} ".encode()
        return (line * (size // len(line) + 1))[:size]
    return noise(seed, size)


def noise(seed, size):
    out = bytearray()
    block = seed
    while len(out) < size:
        block = hashlib.sha256(block).digest()
        out += block
    return bytes(out[:size])


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class Machine:
    """A private Wine prefix with the product's two diskette sets on C:."""

    def __init__(self, base_prefix, install_exe, diskset_exe, enter):
        self.root = tempfile.mkdtemp(prefix="pelto-kill.")
        self.prefix = os.path.join(self.root, "prefix")
        subprocess.run(["cp", "-a", base_prefix + "/.", self.prefix + "/"], check=True)
        # `enter` runs Wine's own commands where the Wine of the build lives
        # (the i386 tree for the 32-bit build), with this machine's folder.
        self.enter = enter
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=", PELTO_WINE_BIND=self.root)
        self.keep_server()
        self.c = os.path.join(self.prefix, "drive_c")
        self.app = os.path.join(self.c, "KILLAPP")
        self.system = os.path.join(self.c, "windows", "system32")
        self.log = os.path.join(self.c, "windows", "pelto.log")
        self.install_exe = install_exe
        self.diskset_exe = diskset_exe

    def keep_server(self):
        """The server outlives each run, and ends 30 s after the last one
        even when this driver is killed."""
        subprocess.run(self.enter + ["wineserver", "-p30"], env=self.env, check=False)

    def stop_server(self):
        subprocess.run(self.enter + ["wineserver", "-k"], env=self.env, check=False, stderr=subprocess.DEVNULL)
        subprocess.run(self.enter + ["wineserver", "-w"], env=self.env, check=False, stderr=subprocess.DEVNULL)

    def close(self):
        self.stop_server()
        shutil.rmtree(self.root, ignore_errors=True)

    def final_path(self, name):
        dest = MEMBERS[name][0]
        if dest == "SYSTEM":
            return os.path.join(self.system, name)
        if dest == "1":
            return os.path.join(self.app, "SUB", name)
        return os.path.join(self.app, name)

    def build_set(self, version):
        work = os.path.join(self.c, "KILL", version)
        src = os.path.join(work, "src")
        os.makedirs(src)
        for name in MEMBERS:
            if version == "old" and name in NEW_ONLY:
                continue
            path = os.path.join(src, name)
            with open(path, "wb") as f:
                f.write(content(name, version))
            stamp = (T_NEW if version == "new" else T_OLD) + (2 * DAY if name in KEPT and version == "old" else 0)
            os.utime(path, (stamp, stamp))
        members = "".join(f"{n}={n}|{MEMBERS[n][0]}|{'RA' if n == 'C.TXT' else 'A'}\r\n"
                          for n in MEMBERS if n not in ("E.DAT", "README.TXT") and
                          not (version == "old" and n in NEW_ONLY))
        layout = ("[layout]\r\nSource=src\r\nTime=source\r\nSetupDiskette=alone\r\nFirstDisketteSize=67108864\r\n"
                  "[destinations]\r\n0=\\KILLAPP||\r\n1=SUB|0|\r\n"
                  "[groups]\r\nMain=Main|All|1|1|1\r\n[targets]\r\nREADME.TXT=0|0|0|Read me|||\r\n"
                  "[items]\r\nDATA.Z1=archive|Main|\r\nREADME.TXT=file|Main|README.TXT|MAIN|\r\nEXTRA.Z1=archive|Main|\r\n"
                  f"[DATA.Z1]\r\n{members}[EXTRA.Z1]\r\nE.DAT=E.DAT\r\n")
        with open(os.path.join(work, "set.layout"), "w", newline="") as f:
            f.write(layout)
        win = f"C:\\KILL\\{version}"
        subprocess.run(self.enter + ["wine", "Z:" + self.diskset_exe.replace("/", "\\"), "build", win + "\\set.layout",
                        win + "\\SET", "--setup", "Z:" + self.install_exe.replace("/", "\\")],
                       env=self.env, check=True, stdout=subprocess.DEVNULL)

    def start(self, version):
        return subprocess.Popen(self.enter + ["wine", f"C:\\KILL\\{version}\\SET\\DISK01\\INSTALL.EXE", "/B"], env=self.env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def setup_pid(self, launcher):
        """The Linux process that runs INSTALL.EXE of this prefix."""
        deadline = time.time() + 20
        while time.time() < deadline:
            for pid in os.listdir("/proc"):
                if not pid.isdigit():
                    continue
                try:
                    with open(f"/proc/{pid}/cmdline", "rb") as f:
                        cmdline = f.read()
                    with open(f"/proc/{pid}/environ", "rb") as f:
                        environ = f.read()
                except OSError:
                    continue
                if b"INSTALL.EXE" in cmdline.upper() and (b"WINEPREFIX=" + self.prefix.encode() + b"\0") in environ:
                    return int(pid)
            if launcher.poll() is not None:
                return None
            time.sleep(0.01)
        return None

    def files(self):
        """Every file under the destination folder, with its digest."""
        found = {}
        for folder, _, names in os.walk(self.app):
            for n in names:
                found[os.path.join(folder, n)] = digest(os.path.join(folder, n))
        return found


def written(pid):
    """Bytes the process has written, or None once it has ended."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            if f.read().rsplit(")", 1)[1].split()[0] in ("Z", "X"):
                return None
        with open(f"/proc/{pid}/io") as f:
            for line in f:
                if line.startswith("wchar:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def run_until(machine, threshold):
    """Runs the new set; kills the setup program once it has written
    `threshold` bytes. Returns (killed, bytes written last seen, exit code)."""
    launcher = machine.start("new")
    pid = machine.setup_pid(launcher)
    last = 0
    if pid is None:
        return False, 0, launcher.wait()
    while True:
        now = written(pid)
        if now is None:
            break
        last = now
        if threshold is not None and now >= threshold:
            os.kill(pid, signal.SIGKILL)
            launcher.wait()
            return True, last, None
        time.sleep(0.0005)
    return False, last, launcher.wait()


class Check:
    def __init__(self):
        self.failures = []

    def expect(self, ok, text):
        if not ok:
            self.failures.append(text)
            print("FAILED: " + text, flush=True)


def verify_after_kill(machine, old, new, system_before, check, label):
    for name in MEMBERS:
        path = machine.final_path(name)
        if not os.path.exists(path):
            check.expect(name in NEW_ONLY, f"{label}: {name} is missing from its final path")
            continue
        have = digest(path)
        allowed = {old.get(name)} if name in KEPT else {old.get(name), new[name]}
        check.expect(have in allowed, f"{label}: {name} is neither its old nor its new version")
    expected = {machine.final_path(n) for n in MEMBERS} | {os.path.join(machine.app, USER_FILE)}
    for path in machine.files():
        if path not in expected:
            check.expect(SCRATCH_NAME.match(os.path.basename(path)) is not None,
                         f"{label}: {path} is left behind and is no scratch file")
    for name in set(os.listdir(machine.system)) - system_before:
        check.expect(SCRATCH_NAME.match(name) is not None, f"{label}: system32\\{name} is left behind")


LOG_LINE = re.compile(r"^(\[[^\]\r\n]*\]|[^=\r\n]+=[^\r\n]*)$")


def verify_log_whole(machine, check, label):
    """The install log is a whole file of the profile API's: every line a
    section heading or a key=value line, the last one ended."""
    with open(machine.log, "rb") as f:
        text = f.read().decode("latin-1")
    check.expect(text.endswith("\r\n"), f"{label}: the install log ends in the middle of a line")
    bad = [line for line in text.split("\r\n")[:-1] if line and not LOG_LINE.match(line)]
    check.expect(not bad, f"{label}: the install log holds lines no profile writer wrote: {bad[:3]}")


def verify_removal(machine, check, label):
    """Removal in a copy of the killed machine: every file of the product at
    its final path goes (the System folder's shared file stays, as shared
    files do), the user's own file and every other System file stay."""
    copy = os.path.join(machine.root, "removal")
    shutil.rmtree(copy, ignore_errors=True)
    # The Wine server holds the registry in memory and writes it out only now
    # and then: it is stopped, which writes it, so that the copy holds every
    # key the killed run set, as a real machine's registry would.
    machine.stop_server()
    subprocess.run(["cp", "-a", machine.prefix + "/.", copy + "/"], check=True)
    machine.keep_server()
    env = dict(machine.env, WINEPREFIX=copy)
    drive_c = os.path.join(copy, "drive_c")
    system = os.path.join(drive_c, os.path.relpath(machine.system, machine.c))
    system_before = set(os.listdir(system))
    try:
        code = subprocess.run(machine.enter + ["wine", "C:\\KILL\\new\\SET\\DISK01\\INSTALL.EXE", "/U", "/B"],
                              env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=180).returncode
    except subprocess.TimeoutExpired:
        code = "a time-out"
    check.expect(code == 0, f"{label}: removal ended with {code}")
    for name in MEMBERS:
        path = os.path.join(drive_c, os.path.relpath(machine.final_path(name), machine.c))
        if MEMBERS[name][0] == "SYSTEM":
            check.expect(os.path.exists(path), f"{label}: removal deleted the shared {name}")
        else:
            check.expect(not os.path.exists(path), f"{label}: removal left {name} behind")
    user_file = os.path.join(drive_c, "KILLAPP", USER_FILE)
    check.expect(os.path.exists(user_file), f"{label}: removal deleted the user's own {USER_FILE}")
    lost = system_before - set(os.listdir(system))
    check.expect(not lost, f"{label}: removal deleted {sorted(lost)} from system32")
    subprocess.run(machine.enter + ["wineserver", "-k"], env=env, check=False, stderr=subprocess.DEVNULL)
    subprocess.run(machine.enter + ["wineserver", "-w"], env=env, check=False, stderr=subprocess.DEVNULL)
    shutil.rmtree(copy, ignore_errors=True)


def verify_complete(machine, old, new, system_before, check, label):
    for name in MEMBERS:
        path = machine.final_path(name)
        want = old[name] if name in KEPT else new[name]
        check.expect(os.path.exists(path) and digest(path) == want, f"{label}: {name} is not the new installation's")
    expected = {machine.final_path(n) for n in MEMBERS} | {os.path.join(machine.app, USER_FILE)}
    for path in machine.files():
        check.expect(path in expected, f"{label}: {path} is left behind after a complete run")
    check.expect(not os.path.exists(os.path.join(os.path.dirname(machine.log), "~pelto.log")),
                 f"{label}: the install log's scratch copy is left behind")
    extra = set(os.listdir(machine.system)) - system_before
    check.expect(not extra, f"{label}: left in system32: {sorted(extra)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--wine-run", required=True, help="the build tree's wine-run (makes the prefix)")
    parser.add_argument("--prefix", required=True, help="the build tree's Wine prefix")
    parser.add_argument("--install-exe", required=True)
    parser.add_argument("--diskset-exe", required=True)
    parser.add_argument("--points", type=int, default=5)
    args = parser.parse_args()
    started = time.time()

    subprocess.run([args.wine_run, "cmd", "/c", "exit"], check=False, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    xvfb = None
    if not os.environ.get("DISPLAY"):
        n = 120
        while os.path.exists(f"/tmp/.X{n}-lock"):
            n += 1
        xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.environ["DISPLAY"] = f":{n}"
        time.sleep(1)
    enter = [args.wine_run, "--unix"] if os.path.basename(args.wine_run) == "wine-run32" else []
    # Wine runs with the address space laid out without randomness, as
    # wine-run runs it (the reason is given there).
    if subprocess.run(["setarch", "-R", "true"], check=False, stderr=subprocess.DEVNULL).returncode == 0:
        enter += ["setarch", "-R"]
    machine = Machine(os.path.abspath(args.prefix), os.path.abspath(args.install_exe),
                      os.path.abspath(args.diskset_exe), enter)
    check = Check()
    try:
        machine.build_set("old")
        machine.build_set("new")
        system_before = set(os.listdir(machine.system))
        launcher = machine.start("old")
        check.expect(launcher.wait(timeout=300) == 0, "the old version did not install")
        with open(os.path.join(machine.app, USER_FILE), "wb") as f:
            f.write(b"the user's own")
        snapshot = os.path.join(machine.root, "old-installation")
        shutil.copytree(machine.app, snapshot, copy_function=shutil.copy2)
        shutil.copy2(machine.final_path("SHARED.DLL"), os.path.join(machine.root, "SHARED.DLL"))
        old = {n: digest(machine.final_path(n)) for n in MEMBERS if n not in NEW_ONLY}
        new = {n: hashlib.sha256(content(n, "new")).hexdigest() for n in MEMBERS}
        system_before = set(os.listdir(machine.system))

        def restore_old():
            shutil.rmtree(machine.app)
            shutil.copytree(snapshot, machine.app, copy_function=shutil.copy2)
            shutil.copy2(os.path.join(machine.root, "SHARED.DLL"), machine.final_path("SHARED.DLL"))

        killed, total, code = run_until(machine, None)
        check.expect(code == 0, f"a run over the old version ended with {code}")
        verify_complete(machine, old, new, system_before, check, "uninterrupted run")
        print(f"an uninterrupted run writes {total} bytes", flush=True)

        hits = 0
        for i in range(args.points):
            threshold = total * (2 * i + 1) // (2 * args.points)
            restore_old()
            killed, at, code = run_until(machine, threshold)
            label = f"kill {i + 1}/{args.points} at {at} bytes"
            if not killed:
                print(f"{label}: the run ended ({code}) before the threshold {threshold}", flush=True)
            else:
                hits += 1
                debris = [p for p in machine.files() if SCRATCH_NAME.match(os.path.basename(p))]
                done = sorted(n for n in MEMBERS if os.path.exists(machine.final_path(n)) and
                              digest(machine.final_path(n)) == new[n])
                print(f"{label}: new already: {' '.join(done) or '-'}; scratch files left: "
                      f"{' '.join(f'{os.path.getsize(p)} B' for p in debris) or '-'}", flush=True)
                verify_after_kill(machine, old, new, system_before, check, label)
                verify_log_whole(machine, check, label)
                verify_removal(machine, check, label)
            launcher = machine.start("new")
            code = launcher.wait(timeout=300)
            check.expect(code == 0, f"{label}: the run after it ended with {code}")
            verify_complete(machine, old, new, system_before, check, f"{label}, run again")
        check.expect(hits >= (args.points + 1) // 2, f"only {hits} of {args.points} kills hit a running copy")
    finally:
        machine.close()
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
    print(f"{len(check.failures)} failures in {time.time() - started:.0f} s", flush=True)
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
