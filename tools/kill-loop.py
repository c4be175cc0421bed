#!/usr/bin/env python3
"""Kills nortea-cli with SIGKILL at random moments of restore, backup and import-csv,
and checks after every kill that no book, backup set or category list is half done.

    tools/kill-loop.py [--cli build/release/bin/nortea-cli] [--kills 200] [--seed N]
                       [restore] [backup] [import-csv]

Each command gets its own temporary data folder. After each kill:
  restore     the restored user is listed only with every file of the set in its folder;
              a restore that was cut short can be run again; a listed one is removed
              (list entry and folder) before the next round;
  backup      every set folder SV1..SV3 holds the whole set (the book, its settings, the
              category lists, the Mail folder and its logs), byte for byte;
  import-csv  the book loads whole, holds the old records and none or all of the
              imported ones, and every category its records name is in the category
              lists.
After the loop one more run of the command must succeed and leave no leftover folder.
Exit status 0 when every check held; the log goes to standard output.
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

MAIN = "メインユーザー"


def cp932(text):
    return text.encode("cp932")


class Cli:
    def __init__(self, binary, data, runtime):
        self.binary = binary
        self.data = data
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime, LC_ALL="C.UTF-8")

    def argv(self, args):
        return [self.binary, "--data", self.data, "--user", MAIN] + args

    def run(self, args, check=True):
        r = subprocess.run(self.argv(args), env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if check and r.returncode != 0:
            raise SystemExit("failed: %s\n%s" % (" ".join(args), r.stderr.decode("utf-8", "replace")))
        return r

    def start(self, args):
        return subprocess.Popen(self.argv(args), env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def listed_users(data):
    path = os.path.join(data, "userlist.dat")
    if not os.path.exists(path):
        return []
    return [line for line in read(path).decode("cp932").split("\r\n") if line]


def leftovers(*folders):
    found = []
    for folder in folders:
        if os.path.isdir(folder):
            found += [n for n in os.listdir(folder) if ".nrt-new-" in n or ".nrt-old-" in n]
    return found


def make_book(cli, work, records, category_prefix="cat"):
    """A book of `records` addressees with three categories, a Mail folder with logs."""
    rows = ["名前,カナ,大分類,住所１"]
    for i in range(records):
        rows.append("元%05d,ﾓﾄ,%s%d,%s" % (i, category_prefix, i % 3, "東京都千代田区霞が関" * 4))
    csv = os.path.join(work, "book.csv")
    write(csv, ("\r\n".join(rows) + "\r\n").encode("cp932"))
    cli.run(["import-csv", csv])
    user = os.path.join(cli.data, MAIN)
    os.makedirs(os.path.join(user, "Mail"), exist_ok=True)
    for n in range(20):
        write(os.path.join(user, "Mail", "list2026%02d.log" % (n % 12 + 1)), os.urandom(40000))
    return user


def timed(cli, args):
    t = time.monotonic()
    cli.run(args)
    return time.monotonic() - t


def kill_during(cli, args, span, rng):
    """Starts the command and kills it at a random moment of `span` seconds; True when it
    was still running then (a run that ended first is not counted as a kill)."""
    p = cli.start(args)
    time.sleep(rng.uniform(0, span))
    killed = p.poll() is None
    if killed:
        p.send_signal(signal.SIGKILL)
    p.wait()
    return killed


def set_files(folder):
    """The files of a set (or of a user folder) a backup copies, relative, with bytes."""
    out = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        lower = name.lower()
        if os.path.isfile(path) and (name == "nrt.ndb" or lower == "nrtuser.ini" or lower.endswith(".nms")):
            out[name] = read(path)
    mail = os.path.join(folder, "Mail")
    if os.path.isdir(mail):
        for name in os.listdir(mail):
            if name.lower().endswith((".log", ".mlt", ".mlb")):
                out["Mail/" + name] = read(os.path.join(mail, name))
    return out


def loop_restore(cli, work, kills, rng, log):
    user = make_book(cli, work, 20000)
    write(os.path.join(user, "NrtUser.ini"),
          b"[HBACK]\r\nON=1\r\nPATH=" + work.encode() + b"/backup\r\nSU=3\r\n")
    cli.run(["backup"])
    set_folder = os.path.join(work, "backup", MAIN, "SV1")
    expected = set_files(set_folder)
    del expected["NrtUser.ini"]  # the restore resets its backup counters
    name = "復元"
    target = os.path.join(cli.data, name)
    span = timed(cli, ["restore", set_folder, name]) * 1.15
    cli.run(["user", "remove", name])
    shutil.rmtree(target)
    landed = 0
    done = 0
    while done < kills:
        done += kill_during(cli, ["restore", set_folder, name], span, rng)
        if name in listed_users(cli.data):
            got = set_files(target)
            got.pop("NrtUser.ini", None)
            if got != expected:
                log("kill %d: listed restore is not whole: %s" % (done, sorted(set(expected) ^ set(got))))
                return False
            landed += 1
            cli.run(["user", "remove", name])
            shutil.rmtree(target)
    cli.run(["restore", set_folder, name])
    if name not in listed_users(cli.data) or leftovers(cli.data):
        log("the last restore did not land cleanly: %s" % leftovers(cli.data))
        return False
    log("restore: %d kills, %d restores landed whole before their kill, the rest left no listed book"
        % (kills, landed))
    return True


def loop_backup(cli, work, kills, rng, log):
    user = make_book(cli, work, 20000)
    write(os.path.join(user, "NrtUser.ini"),
          b"[HBACK]\r\nON=1\r\nPATH=" + work.encode() + b"/backup\r\nSU=3\r\n")
    sets = os.path.join(work, "backup", MAIN)
    span = timed(cli, ["backup"]) * 1.15
    shutil.rmtree(os.path.join(work, "backup"))
    write(os.path.join(user, "NrtUser.ini"),
          b"[HBACK]\r\nON=1\r\nPATH=" + work.encode() + b"/backup\r\nSU=3\r\n")
    book = set_files(user)
    done = 0
    whole_sets = 0
    while done < kills:
        done += kill_during(cli, ["backup"], span, rng)
        for n in (1, 2, 3):
            folder = os.path.join(sets, "SV%d" % n)
            if not os.path.exists(folder):
                continue
            got = set_files(folder)
            ini = got.pop("NrtUser.ini", None)
            want = dict(book)
            want.pop("NrtUser.ini", None)
            if got != want or ini is None:
                log("kill %d: SV%d is not a whole set: %s" % (done, n, sorted(set(want) ^ set(got))))
                return False
            whole_sets += 1
    cli.run(["backup"])
    if leftovers(sets):
        log("leftovers after the last backup: %s" % leftovers(sets))
        return False
    log("backup: %d kills, every set found afterwards was whole (%d set checks)" % (kills, whole_sets))
    return True


def book_state(cli):
    """Record count and the categories records name, with the category list."""
    r = cli.run(["list", "--fields", "名前,大分類"], check=False)
    if r.returncode != 0 or r.stderr:
        return None
    rows = r.stdout.decode("utf-8").splitlines()[1:]
    named = {line.split("\t")[-1] for line in rows} - {""}
    lst = os.path.join(cli.data, MAIN, "nrt_ms01.nms")
    listed = set(read(lst).decode("cp932").split("\r\n")) - {""} if os.path.exists(lst) else set()
    return len(rows), named, listed


def loop_import(cli, work, kills, rng, log):
    user = make_book(cli, work, 300)
    base = {name: read(os.path.join(user, name)) for name in ("nrt.ndb", "nrt_ms01.nms")}
    rows = ["名前,カナ,大分類"] + ["新%05d,ｼﾝ,新分類%d" % (i, i % 5) for i in range(6000)]
    csv = os.path.join(work, "new.csv")
    write(csv, ("\r\n".join(rows) + "\r\n").encode("cp932"))
    span = timed(cli, ["import-csv", csv]) * 1.15
    done = 0
    landed = 0
    while done < kills:
        for name, data in base.items():
            write(os.path.join(user, name), data)
        done += kill_during(cli, ["import-csv", csv], span, rng)
        state = book_state(cli)
        if state is None:
            log("kill %d: the book does not load whole" % done)
            return False
        count, named, listed = state
        if count not in (300, 6300):
            log("kill %d: %d records, neither the old book nor the old book and the whole import" % (done, count))
            return False
        if not named <= listed:
            log("kill %d: records name categories the lists lack: %s" % (done, sorted(named - listed)))
            return False
        landed += count == 6300
    log("import-csv: %d kills, %d imports landed whole, no record without its category" % (kills, landed))
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(os.path.dirname(__file__), "..", "build", "release", "bin",
                                                      "nortea-cli"))
    parser.add_argument("--kills", type=int, default=200)
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("commands", nargs="*", default=["restore", "backup", "import-csv"])
    a = parser.parse_args()
    loops = {"restore": loop_restore, "backup": loop_backup, "import-csv": loop_import}
    rng = random.Random(a.seed)

    def log(text):
        print(text, flush=True)

    ok = True
    for command in a.commands:
        work = tempfile.mkdtemp(prefix="nortea-kill-")
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700)
        data = os.path.join(work, "data")
        cli = Cli(os.path.abspath(a.cli), data, runtime)
        started = time.monotonic()
        passed = loops[command](cli, work, a.kills, rng, log)
        log("%s: %s in %.0f s" % (command, "PASS" if passed else "FAIL", time.monotonic() - started))
        ok = ok and passed
        shutil.rmtree(work, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
