#!/usr/bin/env python3
"""Runs clang-tidy (.clang-tidy) on the translation units of src/ and host/, in parallel.

Usage: tidy.py ROOT BUILD JOBS. Findings are reported in the project's own sources and
headers only (never in Qt's or in the generated moc files). Exits 1 on any finding.

A translation unit that came out clean is remembered (in QUENDARX_TIDY_CACHE, by default
~/.cache/quendarx/tidy-clean, shared by every copy of the repository) under a key made of the
clang-tidy version, .clang-tidy, its compile command and the contents of every file it
includes (the build's dependency records), paths taken relative to the copy, so a later run
checks only what changed. The
build must be up to date for those records to be right; scripts/test.sh builds first.
"""
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys


def main():
    root, build, jobs = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), int(sys.argv[3])
    own = re.compile("^" + re.escape(root) + "/(src|host)/.*\\.cpp$")
    header_filter = "^" + re.escape(root) + "/(src|host|include)/"
    with open(os.path.join(build, "compile_commands.json")) as f:
        units = [u for u in json.load(f) if own.match(u["file"])]
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True).stdout
    with open(os.path.join(root, ".clang-tidy"), "rb") as f:
        config = f.read()
    clean_dir = os.environ.get("QUENDARX_TIDY_CACHE") or os.path.join(
        os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "quendarx", "tidy-clean")
    os.makedirs(clean_dir, exist_ok=True)

    digests = {}

    def digest(path):
        if path not in digests:
            try:
                with open(path, "rb") as f:
                    digests[path] = hashlib.sha1(f.read()).hexdigest()
            except OSError:
                digests[path] = "missing"
        return digests[path]

    def key(unit):
        args = shlex.split(unit["command"])
        output = args[args.index("-o") + 1] if "-o" in args else ""
        deps = subprocess.run(["ninja", "-C", build, "-t", "deps", output],
                              capture_output=True, text=True).stdout.splitlines()
        if not deps or "(VALID)" not in deps[0]:
            return None  # no dependency record: always check
        h = hashlib.sha1(version.encode() + config + unit["command"].replace(root, "@").encode())
        for line in deps[1:]:
            path = line.strip()
            if path:
                path = os.path.normpath(os.path.join(build, path))
                h.update(path.replace(root, "@").encode() + digest(path).encode())
        return h.hexdigest()

    todo = []
    for unit in units:
        k = key(unit)
        if k is None or not os.path.exists(os.path.join(clean_dir, k)):
            todo.append((unit, k))
    print(f"clang-tidy: {len(todo)} of {len(units)} translation units to check", flush=True)

    def check(item):
        unit, k = item
        run = subprocess.run(["clang-tidy", "-p", build, "--quiet", "--header-filter=" + header_filter,
                              unit["file"]], capture_output=True, text=True)
        findings = [l for l in run.stdout.splitlines() if re.search(r": (warning|error): ", l)]
        if run.returncode == 0 and not findings:
            if k:
                open(os.path.join(clean_dir, k), "w").close()
            return unit["file"], None
        return unit["file"], run.stdout + run.stderr

    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for file, problem in pool.map(check, todo):
            if problem is not None:
                failed += 1
                lines = [l for l in problem.splitlines()
                         if not re.match(r"^\d+ warnings? (and \d+ errors? )?generated\.$", l)]
                print(f"--- {os.path.relpath(file, root)}\n" + "\n".join(lines), flush=True)
    if failed:
        print(f"clang-tidy: findings in {failed} translation unit(s)", file=sys.stderr)
        return 1
    print("clang-tidy: nothing found")
    return 0


if __name__ == "__main__":
    sys.exit(main())
