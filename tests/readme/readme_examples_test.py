#!/usr/bin/env python3
"""The README's kaskad-cli examples against the program: every shell block
holding one kaskad-cli command and followed by a plain block of output must
print that output. A line "…" in the output stands for any lines, a "…" at a
line's end for the rest of that line; the command's own trailing "| …"
filters are not run.

    readme_examples_test.py README.md KASKAD_CLI
"""
import re
import shlex
import subprocess
import sys


def blocks(text):
    """(info string, lines) of every fenced block, in order."""
    found = []
    lines = text.splitlines()
    k = 0
    while k < len(lines):
        opening = re.match(r"^```(\S*)\s*$", lines[k])
        if not opening:
            k += 1
            continue
        end = k + 1
        while end < len(lines) and lines[end] != "```":
            end += 1
        found.append((opening.group(1), lines[k + 1:end]))
        k = end + 1
    return found


def command_of(lines):
    """The one kaskad-cli command of a shell block, continuation lines joined; None otherwise."""
    joined = " ".join(line[:-1].rstrip() if line.endswith("\\") else line for line in lines)
    commands = [line for line in (joined,) if line.startswith("kaskad-cli ")]
    if len(lines) == 0 or not commands or joined.count("kaskad-cli ") != 1 or "|" in joined or ">" in joined:
        return None
    return commands[0]


def matches(expected, actual):
    """Whether the printed lines match the README's, "…" standing for any lines."""
    if not expected:
        return not actual
    head = expected[0]
    if head.strip() == "…":
        return any(matches(expected[1:], actual[k:]) for k in range(len(actual) + 1))
    if not actual:
        return False
    line = actual[0].rstrip()
    wanted = head.rstrip()
    same = line.startswith(wanted[:-1]) if wanted.endswith("…") else line == wanted
    return same and matches(expected[1:], actual[1:])


def main(readme, program):
    found = blocks(open(readme, encoding="utf-8").read())
    checked = failed = 0
    for (info, lines), (next_info, output) in zip(found, found[1:]):
        command = command_of(lines) if info == "sh" else None
        if command is None or next_info != "":
            continue
        words = shlex.split(command)
        result = subprocess.run([program, *words[1:]], capture_output=True, text=True,
                                env={"LC_ALL": "C", "PATH": "/usr/bin:/bin"})
        checked += 1
        if not matches(output, result.stdout.splitlines()):
            failed += 1
            print(f"FAILED: {command}\n--- README\n" + "\n".join(output) + "\n--- printed\n" + result.stdout)
    print(f"{checked} README examples run, {failed} differ")
    return 1 if failed or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
