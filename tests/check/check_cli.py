#!/usr/bin/env python3
"""The checker as its users run it: the real program against the test modules.

usage: check_cli.py CASE CHECKER MODULE_DIR WORK_DIR

MODULE_DIR holds the native test modules (korvel.dll is the recording module,
sample_module.so the sample, module_without_*.so the builds without an
export). Each case runs the checker in WORK_DIR/CASE and checks its exit code,
its transcript or JSON lines, and what the recording module received.
The Wine runs use the same cases through Checker. Exit code 0 passed, 1 failed.
"""

import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from recording import VERSION_REQUEST, Script, answer_with, parse_log, sentence_request  # noqa: E402

OK_ANSWER = answer_with(b"fine")
# The same sentence in Shift_JIS and in UTF-8.
JAPANESE_SJIS = "\u3053\u3093\u306b\u3061\u306f".encode("cp932")
JAPANESE = "\u3053\u3093\u306b\u3061\u306f"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Result:
    def __init__(self, code, out, err, calls):
        self.code, self.out, self.err, self.calls = code, out, err, calls

    def lines(self):
        """The JSON objects, one per line; every line must be one."""
        objects = []
        for number, line in enumerate(self.out.splitlines(), 1):
            try:
                objects.append(json.loads(line))
            except ValueError as error:
                raise Failure(f"output line {number} is not JSON ({error}): {line!r}")
        check(objects and objects[-1].get("type") == "summary", f"the last line is no summary: {self.out[-300:]}")
        return objects

    def __str__(self):
        return f"exit code {self.code}\n--- stdout\n{self.out}\n--- stderr\n{self.err}"


class Checker:
    """How one platform runs the checker: the command before the arguments,
    the modules as paths the checker understands, the directory text it hands
    to load for a module, and the names it gives faults."""

    def __init__(self, command, folder, modules, module_dir, faults, env=None, local_path=lambda p: p):
        self.command, self.folder, self.modules = command, folder, modules
        self.module_dir, self.faults = module_dir, faults
        self.env = dict(env or os.environ)
        self.local_path = local_path
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.log = os.path.join(folder, "module.log")
        self.script = os.path.join(folder, "module.script")

    def run(self, module, *options, script=None, timeout=60):
        with open(self.script, "wb") as f:
            f.write(script.text if script else b"")
        if os.path.exists(self.log):
            os.remove(self.log)
        env = dict(self.env)
        env["TW_MODULE_LOG"] = self.local_path(self.log)
        env["TW_MODULE_SCRIPT"] = self.local_path(self.script)
        argv = self.command + list(options) + ([self.modules.get(module, module)] if module else [])
        try:
            done = subprocess.run(argv, cwd=self.folder, env=env, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(argv)} had not ended after {timeout} s")
        calls = []
        if os.path.exists(self.log):
            with open(self.log, "rb") as f:
                calls, _ = parse_log(f.read())
        return Result(done.returncode, done.stdout.decode("utf-8", "replace"),
                      done.stderr.decode("utf-8", "replace"), calls)


CONVERSATION = ["library", "load", "request", "request", "request", "request", "request", "request",
                "unload", "release"]
EVENTS = ["GET Version", "OnTwOpen", "OnSecondChange", "OnSecondChange", "OnSecondChange", "OnTwClose"]


def case_clean(checker):
    """The sample module: the whole transcript, in Japanese, and exit 0."""
    result = checker.run("sample")
    check(result.code == 0, f"not a clean run:\n{result}")
    out = result.out
    for number, step in enumerate(CONVERSATION, 1):
        check(f"\n#{number} {step}" in out, f"no call #{number} {step}:\n{out}")
    for event in EVENTS[1:]:
        check(f" request {event}: " in out, f"no request for {event}:\n{out}")
    check("| SHIORI/2.0 200 OK" in out and "| ID: korvel sample" in out, f"the version answer is not shown whole:\n{out}")
    check("sentence: \u3055\u3088\u3046\u306a\u3089" in out, f"the closing sentence is not shown in Japanese:\n{out}")
    check("BREACH" not in out and "WARNING" not in out, f"findings on the sample module:\n{out}")
    check(out.rstrip().endswith("10 calls, 0 breaches, 0 warnings; no breach; exit code 0"), f"summary:\n{out}")


def case_transcript(checker):
    """Every byte sent is what the module received, in the program's order,
    and the JSON keeps every answer's bytes exactly."""
    raw = b"SHIORI/2.0 200 OK\r\nSentence: " + JAPANESE_SJIS + b"\x82\x00\xff\r\r\n\r\n"
    answers = [b"SHIORI/2.0 200 OK\r\n\r\n", OK_ANSWER, raw, answer_with(JAPANESE_SJIS), b"", b"x"]
    script = Script()
    for answer in answers:
        script.answer(answer)
    result = checker.run("recording", "--json", "--ticks", "3", script=script)
    lines = result.lines()
    calls = [line for line in lines if line["type"] == "call"]
    check([c["step"] for c in calls] == CONVERSATION, f"steps {[c['step'] for c in calls]}")
    check([c["index"] for c in calls] == list(range(1, 11)), "the calls are not numbered 1 to 10")
    requests = [c for c in calls if c["step"] == "request"]
    check([c["label"] for c in requests] == EVENTS, f"events {[c['label'] for c in requests]}")
    sent = [bytes.fromhex(c["sent_hex"]) for c in requests]
    expected = [VERSION_REQUEST] + [sentence_request(e) for e in EVENTS[1:]]
    check(sent == expected, f"the requests sent are not the program's: {sent}")
    received = [c.data for c in result.calls if c.name == "request"]
    check(received == sent, f"the module received {received}, the checker says it sent {sent}")
    check([c["sent"].encode("ascii") for c in requests] == expected, "the readable request is not the request")
    got = [bytes.fromhex(c["answer_hex"]) for c in requests]
    check(got == answers, f"the answers' bytes are not kept exactly: {got}")
    check(all(c["length"] == len(a) for c, a in zip(requests, answers)), "lengths")
    check(requests[3]["sentence"] == JAPANESE, f"the readable sentence is {requests[3]['sentence']!r}")
    check(requests[2]["answer"].startswith("SHIORI/2.0 200 OK\r\nSentence: " + JAPANESE + "\\x82\\x00\\xFF"),
          f"readable form of raw bytes: {requests[2]['answer']!r}")
    ids = {f["id"] for f in requests[2]["findings"]}
    check({"line-not-crlf", "nul-in-answer", "sentence-not-shift-jis"} <= ids, f"findings of the raw answer: {ids}")
    summary = lines[-1]
    check(summary["exit_code"] == 1 and result.code == 1, f"summary {summary}, exit code {result.code}")
    check(summary["breaches"] == sum(1 for c in calls for f in c["findings"] if f["severity"] == "breach"),
          "the summary does not count the breaches")
    load = calls[1]
    check(bytes.fromhex(load["sent_hex"]) == result.calls[0].data, "the load text is not what the module received")


def case_directory(checker):
    """The module's directory, absolute with its separator, or --dir's text."""
    result = checker.run("recording")
    check(result.calls and result.calls[0].name == "load", f"no load: {result.calls}\n{result}")
    check(result.calls[0].data == checker.module_dir("recording").encode(),
          f"load got {result.calls[0].data!r}, not {checker.module_dir('recording')!r}")
    # Any bytes at all, here a Japanese text in Shift_JIS, go over as they are.
    text = "C:\\\u30c6\u30ad\u30b9\u30c8\\".encode("cp932")
    result = checker.run("recording", b"--dir", text)
    check(result.calls and result.calls[0].data == text, f"load got {result.calls[:1]}, not {text!r}\n{result}")


# The recording module's script for each breach, the identifier and the call.
BREACHES = {
    "null-answer": (Script().line("answer-null 20"), "null-answer", 3),
    "negative-length": (Script().answer(OK_ANSWER, -5), "negative-length", 3),
    "length-beyond-block": (Script().answer(OK_ANSWER, 100000), "length-beyond-block", 3),
    "no-status-line": (Script().answer(b"hello\r\n\r\n"), "bad-status-line", 3),
    "unknown-status": (Script().answer(b"SHIORI/2.0 299 Odd\r\n\r\n"), "unknown-status", 3),
    "bare-lf": (Script().answer(b"SHIORI/2.0 200 OK\nID: x\n\n"), "line-not-crlf", 3),
    "no-empty-line": (Script().answer(b"SHIORI/2.0 200 OK\r\nID: x\r\n"), "no-final-empty-line", 3),
    "nul": (Script().answer(b"SHIORI/2.0 200 OK\r\nID: \x00\r\n\r\n"), "nul-in-answer", 3),
    "sentence-not-shift-jis": (Script().answer(OK_ANSWER).answer(answer_with(b"\x82")), "sentence-not-shift-jis", 4),
    "load-answers-0": (Script().load(0), "load-not-1", 2),
}


def case_breaches(checker):
    """Each breach is found, under its identifier, at its call, with exit 1."""
    failures = []
    for name, (script, finding, index) in BREACHES.items():
        result = checker.run("recording", script=script)
        marker = f"    BREACH {finding}: "
        block = result.out.split(f"\n#{index} ", 1)[-1].split("\n#", 1)[0]
        if result.code != 1 or marker not in block:
            failures.append(f"{name}: wanted {finding} at call #{index}, exit 1:\n{result}")
    check(not failures, "\n\n".join(failures))


def case_missing_exports(checker):
    """Each build without an export: the export is named, nothing is asked."""
    for module, name in (("without_load", "load"), ("without_unload", "unload"), ("without_request", "request")):
        result = checker.run(module, "--json")
        library = result.lines()[0]
        ids = [(f["id"], name in f["message"]) for f in library["findings"]]
        check(result.code == 1 and ids == [("missing-export", True)], f"{module}: {ids}\n{result}")
        check(not any(c.name == "request" for c in result.calls), f"{module} was asked: {result.calls}")


def case_cannot_load(checker):
    """A missing file and a file that is no library: the system's reason."""
    with open(os.path.join(checker.folder, "not-a-library.dll"), "w") as f:
        f.write("plain text\n")
    for module in ("missing.dll", "not-a-library.dll"):
        result = checker.run(module)
        check(result.code == 1 and "BREACH cannot-load: The file cannot be loaded: " in result.out,
              f"{module}:\n{result}")
        reason = result.out.split("The file cannot be loaded: ", 1)[1].split("\n", 1)[0]
        check(len(reason) > 3, f"no reason given for {module}: {reason!r}")


def case_warnings(checker):
    """A 200 answer without a sentence and a slow call warn but pass."""
    script = Script().answer(OK_ANSWER).answer(b"SHIORI/2.2 200 OK\r\nSender: r\r\n\r\n").line("sleep 60")
    script.answer(OK_ANSWER).line("repeat")
    result = checker.run("recording", "--slow", "20", "--ticks", "1", script=script)
    check(result.code == 0, f"warnings changed the exit code:\n{result}")
    check("#4 request OnTwOpen" in result.out and "WARNING no-sentence: " in result.out, f"no-sentence:\n{result}")
    slow = result.out.split("\n#5 ", 1)[-1].split("\n#", 1)[0]
    check("WARNING slow-call: " in slow, f"the slow call is not reported:\n{result}")


def case_crash(checker, faults=None):
    """A module that faults: the call and the fault named, what came before
    kept, exit 3; in text and in JSON."""
    for how, fault in (faults or checker.faults).items():
        script = Script().answer(OK_ANSWER).answer(OK_ANSWER).line(f"crash {how}")
        result = checker.run("recording", script=script)
        check(result.code == 3, f"crash {how}: exit code {result.code}, not 3:\n{result}")
        check("#4 request OnTwOpen" in result.out, f"crash {how}: the calls before were lost:\n{result}")
        line = "#5 request OnSecondChange: CRASH crash: the module faulted inside the call: "
        check(line + fault in result.out, f"crash {how}: no '{line}{fault}':\n{result}")
        check(result.out.rstrip().endswith("the module crashed in call #5; exit code 3"), f"crash {how}:\n{result}")
    how, fault = next(iter((faults or checker.faults).items()))
    result = checker.run("recording", "--json", script=Script().line(f"crash {how}"))
    lines = result.lines()
    crash = lines[-2]
    check(result.code == 3 and crash["type"] == "crash" and crash["index"] == 3 and fault in crash["fault"],
          f"JSON crash {crash}:\n{result}")
    check(lines[-1]["exit_code"] == 3, f"summary {lines[-1]}")


def case_timeout(checker):
    """A call that does not return: named after --timeout, exit 4."""
    script = Script().answer(OK_ANSWER).line("sleep 120000")
    result = checker.run("recording", "--timeout", "300", script=script, timeout=30)
    check(result.code == 4, f"exit code {result.code}, not 4:\n{result}")
    check("#4 request OnTwOpen: TIMEOUT timeout: the call had not returned after 300 ms." in result.out,
          f"the call is not named:\n{result}")
    result = checker.run("recording", "--json", "--timeout=300", script=script, timeout=30)
    lines = result.lines()
    check(result.code == 4 and lines[-2]["type"] == "timeout" and lines[-2]["index"] == 4, f"JSON:\n{result}")


USAGE = [
    ([], "no module given"),
    (["--ticks", "many", "m.dll"], "--ticks"),
    (["--frobnicate", "m.dll"], "unknown option \"--frobnicate\""),
    (["--timeout"], "needs a value"),
]


def case_usage(checker):
    """Bad usage: one line naming the problem and the usage, exit 2."""
    for arguments, problem in USAGE:
        result = checker.run(None, *arguments)
        err = result.err.strip()
        check(result.code == 2 and problem in err and "usage: tarnwhistle-check" in err and "\n" not in err,
              f"{arguments}:\n{result}")
    result = checker.run(None, "--help")
    check(result.code == 0 and "usage: tarnwhistle-check" in result.out and "--timeout MS" in result.out,
          f"--help:\n{result}")
    result = checker.run(None, "--version")
    check(result.code == 0 and result.out.startswith("tarnwhistle-check 1."), f"--version:\n{result}")


CASES = {
    "clean": case_clean,
    "transcript": case_transcript,
    "directory": case_directory,
    "breaches": case_breaches,
    "missing-exports": case_missing_exports,
    "cannot-load": case_cannot_load,
    "warnings": case_warnings,
    "crash": case_crash,
    "timeout": case_timeout,
    "usage": case_usage,
}

NATIVE_FAULTS = {"segv": "SIGSEGV", "abort": "SIGABRT", "divide": "SIGFPE", "trap": "SIGILL", "bus": "SIGBUS"}


def native_checker(checker, module_dir, work):
    modules = {
        "recording": os.path.join(module_dir, "korvel.dll"),
        "sample": os.path.join(module_dir, "sample_module.so"),
        "without_load": os.path.join(module_dir, "module_without_load.so"),
        "without_unload": os.path.join(module_dir, "module_without_unload.so"),
        "without_request": os.path.join(module_dir, "module_without_request.so"),
    }
    return Checker([checker], work, modules, lambda module: os.path.dirname(modules[module]) + "/", NATIVE_FAULTS)


def main(argv):
    if len(argv) != 5 or argv[1] not in CASES:
        print(__doc__ + "cases: " + " ".join(CASES), file=sys.stderr)
        return 2
    _, case, checker, module_dir, work = argv
    try:
        CASES[case](native_checker(os.path.abspath(checker), os.path.abspath(module_dir),
                                   os.path.join(os.path.abspath(work), case)))
    except Failure as failure:
        print(f"FAILED {case}: {failure}")
        return 1
    print(f"passed {case}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
