#!/usr/bin/env python3
"""Mutation runner: puts one small fault at a time into the sources and runs
the tests against each, to show which faults no test notices.

Each mutant changes one place of one file by one rule (below). The runner
works on a copy of the tracked sources in a build folder of its own, so the
checkout is never touched; each mutant is built incrementally there (Ninja
rebuilds every object that includes a changed header), then:

  equivalent      every object that includes the file builds to the same
                  bytes as without the mutant: no test can tell it apart
  did not compile the compiler refused it (counted apart)
  killed          a test failed (or the build's own checks refused it)
  timed out       the tests ran past the time limit (counted as killed)
  survived        every test passed

The tests run in two rounds: first the test program of the file's own folder
(cheap, and it kills most mutants), then, for a mutant that got past it, the
whole suite as CTest runs it. A survivor is accepted only when the list of
accepted survivors (accepted_survivors.txt beside this script) names it by
its file, the line as it stands and the line as mutated, with a reason; the
runner exits 1 on any survivor that the list does not name.

Lines that the build does not compile (behind #if for another target) are
reported as not measured, never as equivalent.

  tests/mutation/mutate.py [--files F ...] [--all | --per-file N] [--seed S]
                           [--report R] [--resume R] [--budget SECONDS]

A run cut off keeps the outcomes its report holds; --resume with that report
takes them over and runs the rest, survivors included unless the accepted
list names them.
"""

import argparse
import hashlib
import json
import os
import random
import re
import shlex
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# The files a run covers unless --files says otherwise: the library, the
# image verifier and the image file reader.
DEFAULT_FILES = [
    "src/engine/*",
    "src/drvrecords/*",
    "src/computed/*",
    "src/exports/*",
    "src/platform/host/*",
    "src/modelc/verifier.cc",
    "src/modelc/image_file_reader.cc",
]

# The test program of a folder, run first (Ninja target paths in the build).
FOLDER_TESTS = {
    "src/engine": "src/engine/engine_test",
    "src/drvrecords": "src/drvrecords/drvrecords_test",
    "src/computed": "src/computed/computed_test",
    "src/exports": "src/exports/exports_test",
    "src/platform/host": "src/platform/platform_test",
    "src/modelc": "src/modelc/modelc_test",
}

# The test programs that link the library alone, in the order they run
# after the folder's own.
LIBRARY_TESTS = [
    "src/engine/engine_test",
    "src/drvrecords/drvrecords_test",
    "src/computed/computed_test",
    "src/exports/exports_test",
    "src/platform/platform_test",
    "models/qxr7310/qxr7310_data_test",
    "models/qxr7310/qxr7310_drv_data_test",
    "models/qxr2200/qxr2200_test",
    "tests/reliability/reliability_test",
    "src/modelc/modelc_test",
]

ACCEPTED_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "accepted_survivors.txt")

# ---------------------------------------------------------------------------
# Finding the places a rule applies to.


def code_mask(text):
    """A copy of `text` in which comments, string and character literals,
    preprocessor lines and static_assert(...) are blanked (newlines kept), so
    that the rules see code only."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            # A preprocessor line, with its continuations.
            j = i
            while j < n and text[j] != "\n":
                if text[j] == "\\" and j + 1 < n and text[j + 1] == "\n":
                    j += 2
                    continue
                j += 1
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
            continue
        line_start = False
        if c == "\n":
            line_start = True
            i += 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
        elif c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            for k in range(i, min(j + 1, n)):
                out[k] = " "
            i = j + 1
        elif text.startswith("static_assert", i) and (i == 0 or not is_word(text[i - 1])):
            j = matching_paren(text, text.find("(", i))
            for k in range(i, j + 1):
                if out[k] != "\n":
                    out[k] = " "
            i = j + 1
        else:
            i += 1
    return "".join(out)


def is_word(c):
    return c.isalnum() or c == "_"


def matching_paren(text, open_at):
    """Index of the parenthesis closing the one at `open_at`."""
    depth = 0
    for j in range(open_at, len(text)):
        if text[j] == "(":
            depth += 1
        elif text[j] == ")":
            depth -= 1
            if depth == 0:
                return j
    return len(text) - 1


class Mutant:
    def __init__(self, path, start, end, replacement, rule, text):
        self.path = path                # file, relative to the source root
        self.start = start              # first character replaced
        self.end = end                  # one past the last character replaced
        self.replacement = replacement  # what replaces text[start:end]
        self.rule = rule                # the rule's name
        before = text.rfind("\n", 0, start) + 1
        after = text.find("\n", end)
        after = len(text) if after < 0 else after
        self.line = text.count("\n", 0, start) + 1
        # One line each, whitespace collapsed: a condition may span lines.
        self.original_line = " ".join(text[before:after].split())
        self.mutated_line = " ".join((text[before:start] + replacement + text[end:after]).split())
        self.outcome = None             # set when run
        self.detail = ""                # what killed it, for the report
        self.seconds = 0.0              # how long its build and tests took

    def key(self):
        return (self.path, self.original_line, self.mutated_line)

    def apply(self, text):
        return text[: self.start] + self.replacement + text[self.end :]

    def describe(self):
        return f"{self.path}:{self.line}: [{self.rule}] `{self.original_line}` -> `{self.mutated_line}`"


RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ERROR_RESULT = re.compile(
    r"\breturn\s+(DB_ERROR|DB_NO_SELECTOR|DB_NO_MATCH_STRING|DB_NO_CONTEXT|DB_NO_ENTRY|"
    r"DB_NOT_FOUND|DB_MORE_DATA|fail\(|false|nullptr|-1\b|1\b|kWalkStopped|result\b)[^;]*;|"
    r"\breturn;"
)
INTEGER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)([uU]?[lL]{0,2}[uU]?)(?![\w.])")


def find_mutants(path, text):
    """Every mutant of `text` (the file at `path`), in file order."""
    code = code_mask(text)
    found = []

    # A relational operator to its neighbour, written with a space on each
    # side as the formatter writes binary operators (templates never are).
    for m in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", code):
        found.append(Mutant(path, m.start(), m.end(), RELATIONAL[m.group(1)], "relational", text))

    # && and || swapped.
    for m in re.finditer(r"(?<= )(&&|\|\|)(?= )", code):
        other = "||" if m.group(1) == "&&" else "&&"
        found.append(Mutant(path, m.start(), m.end(), other, "logical", text))

    # An integer constant one up and one down; a mask (hexadecimal with more
    # than one bit set) with its lowest and its highest bit cleared.
    for m in INTEGER.finditer(code):
        digits, suffix = m.group(1), m.group(2)
        hexa = digits[:2].lower() == "0x"
        value = int(digits, 16) if hexa else int(digits)
        width = len(digits) - 2
        def spell(v):
            return ("0x%0*X" % (width, v) if hexa else str(v)) + suffix
        found.append(Mutant(path, m.start(), m.end(), spell(value + 1), "constant+1", text))
        if value > 0:
            found.append(Mutant(path, m.start(), m.end(), spell(value - 1), "constant-1", text))
        if hexa and bin(value).count("1") > 1:
            low = value & (value - 1)
            high = value & ~(1 << (value.bit_length() - 1))
            found.append(Mutant(path, m.start(), m.end(), spell(low), "mask-bit", text))
            if high != low:
                found.append(Mutant(path, m.start(), m.end(), spell(high), "mask-bit", text))

    # A condition negated.
    for m in re.finditer(r"\b(if|while)\s*\(", code):
        open_at = m.end() - 1
        close_at = matching_paren(code, open_at)
        inner = text[open_at + 1 : close_at]
        if inner.startswith("constexpr") or ";" in code[open_at:close_at]:
            continue
        found.append(
            Mutant(path, open_at + 1, close_at, "!(" + inner + ")", "negate", text)
        )

    # An early return of an error (or a refusal) removed: a return that an
    # if (or an if's block) guards.
    for m in ERROR_RESULT.finditer(code):
        before = code[: m.start()]
        line_start = before.rfind("\n") + 1
        this_line = before[line_start:]
        guarded = re.search(r"\bif\s*\(", this_line) is not None or re.search(
            r"\belse\s*$", this_line.strip()
        )
        if not guarded:
            # The nearest open block's head, when the return starts its line.
            if this_line.strip() == "":
                depth = 0
                j = m.start()
                while j > 0:
                    j -= 1
                    if code[j] == "}":
                        depth += 1
                    elif code[j] == "{":
                        if depth == 0:
                            break
                        depth -= 1
                head_start = code.rfind("\n", 0, j) + 1
                head = code[head_start:j].strip()
                guarded = re.match(r"(\}\s*)?(else\s+)?if\b|(\}\s*)?else\b", head) is not None
        if guarded:
            found.append(Mutant(path, m.start(), m.end(), ";", "return-removed", text))

    found.sort(key=lambda mu: (mu.start, mu.rule, mu.replacement))
    return found


# ---------------------------------------------------------------------------
# The build.


class Build:
    def __init__(self, folder, jobs, log):
        self.folder = os.path.abspath(folder)
        self.source = os.path.join(self.folder, "source")
        self.binary = os.path.join(self.folder, "build")
        self.jobs = jobs
        self.log = log
        self.baseline = {}  # object path -> digest without any mutant
        self.dependents = {}  # source path (relative) -> objects that include it
        self.commands = {}  # object path -> its compile command
        self.suite_seconds = None  # the whole suite's time without a mutant
        self.targets = None  # the build's targets and their rules, once listed

    def sync_sources(self):
        """Copies the checkout's tracked files (and its untracked ones that
        are not ignored) into the copy, rewriting only files that differ so
        that the build stays incremental."""
        listed = subprocess.run(
            ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
            cwd=ROOT, check=True, capture_output=True,
        ).stdout.decode().split("\0")
        wanted = set()
        for rel in listed:
            if not rel or not os.path.isfile(os.path.join(ROOT, rel)):
                continue
            wanted.add(rel)
            src = os.path.join(ROOT, rel)
            dst = os.path.join(self.source, rel)
            with open(src, "rb") as f:
                data = f.read()
            if os.path.exists(dst):
                with open(dst, "rb") as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            with open(dst, "wb") as f:
                f.write(data)
            shutil.copymode(src, dst)
        for dirpath, _, files in os.walk(self.source):
            for name in files:
                rel = os.path.relpath(os.path.join(dirpath, name), self.source)
                if rel not in wanted:
                    os.remove(os.path.join(dirpath, name))

    def configure(self):
        if os.path.exists(os.path.join(self.binary, "build.ninja")):
            return
        # Optimised as a release is, without debug information, so that an
        # equivalent mutant builds to the same bytes; warnings are not errors,
        # since a mutant may warn.
        self.run_logged([
            "cmake", "-S", self.source, "-B", self.binary, "-G", "Ninja",
            "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG",
            "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG", "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON",
            "-DORVDB_BUILD_TOOLS=ON", "-DORVDB_BUILD_TESTS=ON", "-DORVDB_WERROR=OFF",
        ], check=True)

    def run_logged(self, args, check=False, timeout=None, cwd=None):
        with open(self.log, "a") as log:
            log.write("$ " + " ".join(shlex.quote(a) for a in args) + "\n")
            log.flush()
            process = subprocess.Popen(args, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                                       start_new_session=True)
            try:
                status = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
                return None
        if check and status != 0:
            sys.exit(f"mutate: failed ({status}): {' '.join(args)}; see {self.log}")
        return status

    def ninja(self, targets=()):
        return self.run_logged(["ninja", "-C", self.binary, "-j", str(self.jobs), *targets]) == 0

    def has_target(self, target, program=False):
        """Whether the build makes `target` (with `program`: one its linker makes)."""
        if self.targets is None:
            listed = subprocess.run(["ninja", "-C", self.binary, "-t", "targets", "all"],
                                    capture_output=True, text=True).stdout
            self.targets = {}
            for line in listed.splitlines():
                name, _, rule = line.rpartition(": ")
                self.targets[name] = rule
        rule = self.targets.get(target)
        if rule is None:
            return False
        return "LINKER" in rule if program else True

    def failed_target(self):
        """The first target the last Ninja run names as failed."""
        with open(self.log) as log:
            lines = log.read().splitlines()
        for line in reversed(lines):
            if line.startswith("FAILED: "):
                return line[len("FAILED: "):]
        return ""

    def learn(self):
        """Digests of every object, which objects include each source file,
        and each object's compile command."""
        self.baseline = {}
        for dirpath, _, files in os.walk(self.binary):
            for name in files:
                if name.endswith(".o"):
                    path = os.path.join(dirpath, name)
                    self.baseline[path] = digest(path)
        deps = subprocess.run(["ninja", "-C", self.binary, "-t", "deps"], check=True,
                              capture_output=True, text=True).stdout
        self.dependents = {}
        current = None
        source_prefix = self.source + os.sep
        for line in deps.splitlines():
            if line and not line.startswith(" "):
                current = os.path.join(self.binary, line.split(":")[0])
            elif line.strip() and current:
                dep = os.path.normpath(os.path.join(self.binary, line.strip()))
                if dep.startswith(source_prefix):
                    rel = dep[len(source_prefix):]
                    self.dependents.setdefault(rel, []).append(current)
        with open(os.path.join(self.binary, "compile_commands.json")) as f:
            for entry in json.load(f):
                args = shlex.split(entry["command"])
                out = args[args.index("-o") + 1]
                self.commands[os.path.normpath(os.path.join(entry["directory"], out))] = entry

    def suite(self, timeout):
        """Runs the whole suite as CTest runs it: 0 passed, 1 failed, None timed out."""
        status = self.run_logged(
            ["ctest", "--test-dir", self.binary, "-j", str(self.jobs), "--stop-on-failure",
             "-LE", "^build$", "--timeout", str(int(max(timeout, 10))), "-Q"],
            timeout=timeout,
        )
        return None if status is None else (0 if status == 0 else 1)

    def program(self, target, timeout):
        """Runs one test program: 0 passed, 1 failed, None timed out."""
        path = os.path.join(self.binary, target)
        status = self.run_logged([path, "--gtest_brief=1"], timeout=timeout,
                                 cwd=os.path.dirname(path))
        return None if status is None else (0 if status == 0 else 1)

    def compiled_lines(self, rel):
        """Line numbers of `rel` that some object including it compiles (the
        rest lies behind #if for another target)."""
        objects = self.dependents.get(rel, [])
        wanted = os.path.realpath(os.path.join(self.source, rel))
        lines = set()
        # The library's own objects first; a few are enough for a header.
        objects = sorted(objects, key=lambda o: ("_test" in o, "tool" in o, o))[:6]
        for obj in objects:
            entry = self.commands.get(os.path.normpath(obj))
            if entry is None:
                continue
            args = shlex.split(entry["command"])
            pre = []
            skip = False
            for k, a in enumerate(args):
                if skip:
                    skip = False
                    continue
                if a in ("-o", "-MT", "-MF", "-MQ"):
                    skip = True
                    continue
                if a in ("-c", "-MD", "-MMD"):
                    continue
                pre.append(a)
            pre.insert(1, "-E")
            out = subprocess.run(pre, cwd=entry["directory"], capture_output=True, text=True)
            current, number = None, 0
            for line in out.stdout.splitlines():
                marker = re.match(r'# (\d+) "([^"]*)"', line)
                if marker:
                    number = int(marker.group(1))
                    current = os.path.realpath(os.path.join(entry["directory"], marker.group(2)))
                    continue
                if current == wanted and line.strip():
                    lines.add(number)
                number += 1
        return lines


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


# ---------------------------------------------------------------------------
# The accepted survivors.


def read_accepted(path):
    """Entries of the accepted list: {(file, from, to): reason}. An entry is
    four lines, `file:`, `from:`, `to:` and `why:` (which may continue on
    indented lines), entries apart by a blank line; # starts a comment."""
    accepted = {}
    if not os.path.exists(path):
        return accepted
    entry = {}
    last = None

    def flush():
        if entry:
            missing = [k for k in ("file", "from", "to", "why") if k not in entry]
            if missing:
                sys.exit(f"mutate: {path}: an entry lacks {', '.join(missing)}: {entry}")
            accepted[(entry["file"], entry["from"], entry["to"])] = entry["why"]
            entry.clear()

    with open(path) as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("#"):
                continue
            if not line.strip():
                flush()
                last = None
                continue
            if line.startswith((" ", "\t")) and last == "why":
                entry["why"] += " " + line.strip()
                continue
            field, _, value = line.partition(":")
            if field not in ("file", "from", "to", "why"):
                sys.exit(f"mutate: {path}: unknown field in: {line}")
            entry[field] = value.strip()
            last = field
    flush()
    return accepted


# ---------------------------------------------------------------------------
# The run.


def expand(patterns, source):
    files = []
    for pattern in patterns:
        if pattern.endswith("/*"):
            folder = pattern[:-2]
            for name in sorted(os.listdir(os.path.join(source, folder))):
                rel = os.path.join(folder, name)
                if (name.endswith((".cc", ".h")) and not name.endswith("_test.cc")
                        and "_test" not in name and os.path.isfile(os.path.join(source, rel))):
                    files.append(rel)
        else:
            files.append(pattern)
    return files


def folder_test(rel):
    folder = os.path.dirname(rel)
    while folder:
        if folder in FOLDER_TESTS:
            return FOLDER_TESTS[folder]
        folder = os.path.dirname(folder)
    return None


def run_mutant(build, mutant, original, timeout):
    """Builds and tests one mutant; sets its outcome."""
    path = os.path.join(build.source, mutant.path)
    write(path, mutant.apply(original))
    try:
        # First the library's own test programs, the file's folder's first:
        # they link the library alone and kill most mutants.
        first = folder_test(mutant.path)
        programs = [first] if first else []
        programs += [t for t in LIBRARY_TESTS if t != first and build.has_target(t)]
        # Each program is built just before it runs, so that a mutant the
        # first one kills costs one link, not ten.
        for program in programs:
            if not build_or_judge(build, mutant, [program]):
                return
            result = build.program(program, timeout)
            if result != 0:
                mutant.outcome = "timed out" if result is None else "killed"
                mutant.detail = os.path.basename(program)
                return
        # Past them: a mutant whose objects all build to the same bytes is
        # equivalent; any other goes through the whole build and suite.
        objects = build.dependents.get(mutant.path, [])
        if objects:
            if not build_or_judge(build, mutant, [os.path.relpath(o, build.binary) for o in objects]):
                return
            if all(digest(o) == build.baseline.get(o) for o in objects):
                mutant.outcome = "equivalent"
                return
        if not build_or_judge(build, mutant, []):
            return
        result = build.suite(timeout * 4)
        mutant.outcome = {0: "survived", 1: "killed", None: "timed out"}[result]
        if result == 1:
            mutant.detail = "suite"
    finally:
        # The original comes back with a new time, so that the next build
        # rebuilds whatever the mutant touched.
        write(path, original)


def build_or_judge(build, mutant, targets):
    """Builds `targets` (all when empty): True when built; otherwise sets the
    outcome, False. A program of the build refusing the mutant (the model
    compiler's checks of the image) is a kill; a compiler or linker error
    is not."""
    if build.ninja(targets):
        return True
    failed = build.failed_target()
    last = failed.split()[-1] if failed else ""
    if re.search(r"\.(o|a|so[.0-9]*)$", last) or build.has_target(last, program=True):
        mutant.outcome = "did not compile"
    else:
        mutant.outcome = "killed"
        mutant.detail = "build check " + failed
    if mutant.outcome == "did not compile":
        mutant.detail = failed
    return False


def is_program_object(path):
    """Whether an object belongs to a test, the tool, a fuzz target or a
    benchmark rather than to the library or the model compiler."""
    return (path.endswith("_test.cc.o") or "/tools/" in path or "/fuzz/" in path
            or "/bench/" in path or "/tests/" in path)


def write(path, text):
    with open(path, "w") as f:
        f.write(text)
    now = time.time()
    os.utime(path, (now, now))


OUTCOMES = ["killed", "timed out", "survived", "equivalent", "did not compile"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--files", nargs="+", default=DEFAULT_FILES,
                        help="files to mutate (FOLDER/* for a folder's sources)")
    parser.add_argument("--all", action="store_true", help="every mutant of every file")
    parser.add_argument("--per-file", type=int, default=30,
                        help="mutants per file when not --all (all where a file has fewer)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample")
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "mutation"),
                        help="the runner's own folder (a copy of the sources and its build)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--report", help="write every mutant's outcome here (JSON), after "
                                         "each mutant, so that a run cut off keeps its outcomes")
    parser.add_argument("--resume", metavar="REPORT",
                        help="take the outcomes of an earlier run's report for the mutants it "
                             "killed, timed out, found equivalent or could not compile, and for "
                             "its survivors that the accepted list names; run the rest (other "
                             "survivors included) again")
    parser.add_argument("--budget", type=float,
                        help="seconds of mutants to run after the first build; the rest "
                             "of the sample is reported as not run")
    parser.add_argument("--list", action="store_true", help="list the mutants, run nothing")
    args = parser.parse_args()

    started = time.time()
    os.makedirs(args.build, exist_ok=True)
    log = os.path.join(os.path.abspath(args.build), "mutate.log")
    open(log, "w").close()
    build = Build(args.build, args.jobs, log)
    build.sync_sources()
    files = expand(args.files, build.source)

    chosen = []
    for rel in files:
        with open(os.path.join(build.source, rel)) as f:
            mutants = find_mutants(rel, f.read())
        if not args.all and len(mutants) > args.per_file:
            # Each file's sample depends on the seed and the file alone.
            rng = random.Random(f"{args.seed}:{rel}")
            mutants = sorted(rng.sample(mutants, args.per_file), key=lambda m: m.start)
        chosen.append((rel, mutants))
    if args.list:
        for rel, mutants in chosen:
            for m in mutants:
                print(m.describe())
        return 0

    print(f"mutate: building {build.binary} (log: {log})", flush=True)
    build.configure()
    if not build.ninja():
        sys.exit(f"mutate: the sources do not build without a mutant; see {log}")
    before = time.time()
    if build.suite(1800) != 0:
        sys.exit(f"mutate: the suite fails without a mutant; see {log}")
    build.suite_seconds = time.time() - before
    timeout = max(30.0, 3 * build.suite_seconds)
    build.learn()
    print(f"mutate: the suite takes {build.suite_seconds:.1f} s; a mutant's tests stop after "
          f"{timeout:.0f} s", flush=True)

    accepted = read_accepted(ACCEPTED_FILE)
    commit = head_commit()  # the sources' commit, named in the report
    carried = carry_over(args.resume, chosen, accepted) if args.resume else []
    not_measured = []
    results = []
    originals = {}
    compiled = {}
    for rel, mutants in chosen:
        with open(os.path.join(build.source, rel)) as f:
            originals[rel] = f.read()
        compiled[rel] = build.compiled_lines(rel)
        for m in mutants:
            if m.outcome is None and m.line not in compiled[rel]:
                m.outcome = "not measured"
                not_measured.append(m)
    # A run with a budget lets files take turns, one mutant each, so that
    # when it is cut short it has tried every file; a whole run goes file by
    # file, so that consecutive mutants rebuild the same objects.
    pending = [[m for m in ms if m.outcome is None] for _, ms in chosen]
    queue = []
    if args.budget is None:
        queue = [m for ms in pending for m in ms]
    while any(pending) and args.budget is not None:
        for ms in pending:
            if ms:
                queue.append(ms.pop(0))
    cut_short = []
    run_started = time.time()
    for m in queue:
        if args.budget is not None and time.time() - run_started > args.budget:
            cut_short.append(m)
            m.outcome = "not run"
            continue
        began = time.time()
        run_mutant(build, m, originals[m.path], timeout)
        m.seconds = time.time() - began
        results.append(m)
        if args.report:
            write_report(args.report, commit, args.seed, chosen)
        mark = ""
        if m.outcome == "survived":
            mark = " (accepted)" if m.key() in accepted else " (NOT ACCEPTED)"
        print(f"  {m.outcome:15} {m.seconds:5.0f} s  {m.describe()}{mark}", flush=True)
    # Leave the build as the sources are.
    build.ninja()

    print()
    print(f"{'file':44} {'mutants':>7} {'killed':>6} {'timeout':>7} {'survived':>8} "
          f"{'equiv':>5} {'no build':>8} {'killed %':>8}")
    totals = {o: 0 for o in OUTCOMES}
    for rel, mutants in chosen:
        counts = {o: sum(1 for m in mutants if m.outcome == o) for o in OUTCOMES}
        for o in OUTCOMES:
            totals[o] += counts[o]
        print_row(rel, counts)
    print_row("all", totals)

    survivors = [m for m in results if m.outcome == "survived"]
    unaccepted = [m for m in survivors if m.key() not in accepted]
    if not_measured:
        print(f"\nnot measured: {len(not_measured)} mutants on lines this build does not compile:")
        for m in not_measured:
            print(f"  {m.describe()}")
    if survivors:
        print(f"\nsurvivors: {len(survivors)}, {len(survivors) - len(unaccepted)} accepted")
        for m in survivors:
            print(f"  {m.describe()}")
            if m.key() in accepted:
                print(f"      accepted: {accepted[m.key()]}")
    if not args.all:
        print(f"\nsample: at most {args.per_file} mutants per file, seed {args.seed}; "
              f"the other mutants were not run")
    if cut_short:
        print(f"budget: {args.budget:.0f} s spent; {len(cut_short)} of the sample's "
              f"{len(queue)} mutants were not run")
    print(f"time: {time.time() - started:.0f} s")
    if carried:
        print(f"carried over: {len(carried)} outcomes from {args.resume} (commit "
              f"{report_commit(args.resume)}), not run again")
    if args.report:
        write_report(args.report, commit, args.seed, chosen)
    if unaccepted:
        print(f"\nmutate: {len(unaccepted)} survivors are not in {os.path.relpath(ACCEPTED_FILE, ROOT)}")
        return 1
    return 0


# Outcomes a later run may take from an earlier one: new tests can kill a
# survivor, but not bring a killed mutant back.
CARRIED_OUTCOMES = {"killed", "timed out", "equivalent", "did not compile"}


def head_commit():
    done = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT,
                          capture_output=True, text=True)
    return done.stdout.strip() or "unknown"


def write_report(path, commit, seed, chosen):
    """Every mutant of the sample with its outcome so far ("pending" before
    it runs), written whole each time so that a reader never sees half."""
    mutants = [{"file": m.path, "line": m.line, "rule": m.rule, "from": m.original_line,
                "to": m.mutated_line, "outcome": m.outcome or "pending", "detail": m.detail,
                "seconds": round(m.seconds, 1)}
               for _, ms in chosen for m in ms]
    with open(path + ".new", "w") as f:
        json.dump({"commit": commit, "seed": seed, "mutants": mutants}, f, indent=1)
    os.replace(path + ".new", path)


def read_report(path):
    with open(path) as f:
        return json.load(f)


def report_commit(path):
    return read_report(path).get("commit", "unknown")


def carry_over(path, chosen, accepted):
    """Sets the outcome of each chosen mutant that the report at `path` has
    an outcome for that carries over; returns those mutants. A survivor
    carries over only when the accepted list names it: no test is meant to
    kill it, while new tests may kill any other."""
    earlier = {}
    for e in read_report(path)["mutants"]:
        key = (e["file"], e["from"], e["to"])
        if e["outcome"] in CARRIED_OUTCOMES or (e["outcome"] == "survived" and key in accepted):
            earlier[key] = e
    carried = []
    for _, mutants in chosen:
        for m in mutants:
            e = earlier.get(m.key())
            if e is not None:
                m.outcome, m.detail, m.seconds = e["outcome"], e["detail"], e["seconds"]
                carried.append(m)
    return carried


def print_row(name, counts):
    built = counts["killed"] + counts["timed out"] + counts["survived"]
    total = built + counts["equivalent"] + counts["did not compile"]
    share = f"{100.0 * (built - counts['survived']) / built:.1f}" if built else "-"
    print(f"{name:44} {total:7} {counts['killed']:6} {counts['timed out']:7} "
          f"{counts['survived']:8} {counts['equivalent']:5} {counts['did not compile']:8} {share:>8}")


if __name__ == "__main__":
    sys.exit(main())
