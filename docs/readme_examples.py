#!/usr/bin/env python3
"""Runs the README's examples as a reader would, from the top of a source tree with its build in
build/: every script example ("# NAME.txt: ..." blocks) through the command lines that use it, in
fresh program folders, and every "$ command" example against the output printed under it.

    readme_examples.py check SOURCE_DIR BUILD_DIR     run them all and check what they show
    readme_examples.py screenshot SOURCE_DIR BUILD_DIR OUT.png
                                                      the README's picture of the main screen,
                                                      drawn by main.txt (English, a fixed clock)
    readme_examples.py compare SOURCE_DIR BUILD_DIR PICTURE.png
                                                      fails unless the picture is what it draws now
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

# A fixed start for the manual clock, so that the task bar's clock is the same in every run.
CLOCK_START = "2026-03-05 08:00:00"


def code_blocks(readme):
    """The indented code blocks, dedented, in order."""
    blocks, current = [], []
    for line in readme.splitlines():
        if line.startswith("    ") and line.strip():
            current.append(line[4:])
            continue
        if current and not line.strip():
            continue  # a blank line may sit inside a block
        if current:
            blocks.append(current)
            current = []
    if current:
        blocks.append(current)
    return blocks


def examples(readme):
    scripts, runs, outputs = {}, [], []
    for block in code_blocks(readme):
        head = re.match(r"# (\S+\.txt):", block[0])
        if head:
            scripts[head.group(1)] = "\n".join(block) + "\n"
        elif block[0].startswith("$ "):
            outputs.append((block[0][2:], block[1:]))
        else:
            used = re.findall(r"MOVIMETRA_SCRIPT=(\S+\.txt)", "\n".join(block))
            if used and used[0] in scripts:
                runs.append((used[0], "\n".join(block)))
    return scripts, runs, outputs


class Reader:
    """A fresh folder that looks like the top of the source tree: build/ and tests/."""

    def __init__(self, source, build):
        self.dir = tempfile.mkdtemp(prefix="mv_readme_")
        os.symlink(build, os.path.join(self.dir, "build"))
        os.symlink(os.path.join(source, "tests"), os.path.join(self.dir, "tests"))
        self.shots = os.path.join(self.dir, "shots")
        os.mkdir(self.shots)
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith("MOVIMETRA_") and k not in ("DISPLAY", "WAYLAND_DISPLAY", "LC_ALL",
                                                                   "LC_MESSAGES", "LANGUAGE")}
        self.env.update({"LANG": "C.UTF-8", "TZ": "UTC", "TMPDIR": self.dir, "HOME": self.dir,
                         "MOVIMETRA_CLOCK_START": CLOCK_START})

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def run_script(self, name, text, command):
        """Writes the script (its shots into shots/NAME/) and runs the command block."""
        out = os.path.join(self.shots, name[:-4])
        os.makedirs(out, exist_ok=True)
        with open(os.path.join(self.dir, name), "w") as f:
            f.write(text.replace("/tmp/", out + "/"))
        done = subprocess.run(["bash", "-e", "-c", command], cwd=self.dir, env=self.env, timeout=300,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        return done, out

    def run_output(self, command):
        return subprocess.run(["bash", "-o", "pipefail", "-c", command], cwd=self.dir, env=self.env,
                              timeout=300, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def same(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


def check(source, build):
    with open(os.path.join(source, "README.md"), encoding="utf-8") as f:
        scripts, runs, outputs = examples(f.read())
    failures = []
    for name in ("start.txt", "main.txt"):
        if not any(run[0] == name for run in runs):
            failures.append(f"no command runs {name}")
    reader = Reader(source, build)
    try:
        shots = {}
        for name, command in runs:
            done, out = reader.run_script(name, scripts[name], command)
            print(f"== {name}: {command}\n{done.stdout}", end="")
            if done.returncode != 0:
                failures.append(f"{name}: exit status {done.returncode}")
            for shot in re.findall(r"^shot /tmp/(\S+)", scripts[name], re.M):
                path = os.path.join(out, shot)
                if os.path.exists(path):
                    shots[shot] = path
                else:
                    failures.append(f"{name}: {shot} was not written")

        def expect(a, b, equal, why):
            if a in shots and b in shots and same(shots[a], shots[b]) != equal:
                failures.append(why)

        # A first start shows the profile; its Ok leads to the main view, which the walk changes.
        expect("mv-first.png", "mv-main.png", False, "start.txt: the first start does not show the profile")
        expect("mv-profile.png", "mv-main.png", False, "start.txt: the profile key does not open the profile")
        expect("mv-main.png", "mv-back.png", True, "start.txt: the title-bar ok does not return to the main view")
        expect("main_stopped.png", "mv-main.png", True, "main.txt: main_stopped does not show the main view")
        expect("main_running.png", "main_stopped.png", False, "main.txt: the walk changes nothing")
        expect("main_starting.png", "main_stopped.png", False, "main.txt: Start changes nothing")

        for command, expected in outputs:
            done = reader.run_output(command)
            print(f"== $ {command}\n{done.stdout}", end="")
            if done.returncode != 0 or done.stdout.splitlines() != expected:
                failures.append(f"$ {command}: printed {done.stdout!r} (status {done.returncode}), "
                                f"the README shows {expected!r}")
    finally:
        reader.close()
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


def screenshot(source, build, target):
    with open(os.path.join(source, "README.md"), encoding="utf-8") as f:
        scripts, runs, _ = examples(f.read())
    command = next((c for n, c in runs if n == "main.txt"), None)
    if command is None:
        print("FAIL: the README runs no main.txt")
        return 1
    reader = Reader(source, build)
    try:
        done, out = reader.run_script("main.txt", scripts["main.txt"], command)
        shot = os.path.join(out, "main_running.png")
        if done.returncode != 0 or not os.path.exists(shot):
            print(done.stdout + "FAIL: main.txt drew no main_running.png")
            return 1
        shutil.copyfile(shot, target)
    finally:
        reader.close()
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "check":
        sys.exit(check(os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])))
    if len(sys.argv) == 5 and sys.argv[1] == "compare":
        drawn = tempfile.NamedTemporaryFile(suffix=".png", delete=False).name
        status = screenshot(os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3]), drawn)
        if status == 0 and not same(drawn, sys.argv[4]):
            print(f"FAIL: {sys.argv[4]} is not what the program draws now (cmake --build build --target "
                  "docs-screenshots draws it again)")
            status = 1
        os.unlink(drawn)
        sys.exit(status)
    if len(sys.argv) == 5 and sys.argv[1] == "screenshot":
        sys.exit(screenshot(os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3]), sys.argv[4]))
    print(__doc__)
    sys.exit(2)
