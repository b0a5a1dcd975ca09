#!/usr/bin/env python3
"""Compiler launcher that gives clang what g++ does with -fexec-charset=GBK.

Every text of the program is GBK bytes, and its Chinese literals are written in UTF-8 source.
g++ converts them through -fexec-charset=GBK; clang knows no execution character set but UTF-8.
For clang this launcher preprocesses the unit, rewrites each plain narrow string and character
literal so that its non-ASCII characters become the octal escapes of their GBK bytes, and
compiles the rewritten unit. Literals with a prefix (u8, u, U, L) and raw strings keep their
text, as under g++. The last -fexec-charset option of the command line chooses, as it does
for g++; without one, or with UTF-8, the command runs unchanged.

Usage (CMake's compiler launcher): gbk_literals.py COMPILER ARG...
"""
import os
import re
import subprocess
import sys

# One token of a preprocessed line that matters here: a literal (with its prefix, if any), or an
# identifier or number, so that a quote inside 1'000 or after an identifier is never taken for
# the start of a literal.
TOKEN = re.compile(
    rb"""(?P<raw>(?:u8|u|U|L)?R"(?P<delim>[^()\\ \t]{0,16})\(.*?\)(?P=delim)")"""
    rb"""|(?P<prefix>u8|u|U|L)?(?P<quote>["'])(?P<body>(?:[^"'\\\n]|\\.|(?!(?P=quote))["'])*)(?P=quote)"""
    rb"""|(?P<word>\.?[0-9](?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*|[A-Za-z_][0-9A-Za-z_]*)""",
    re.S,
)
NON_ASCII = re.compile(rb"[\x80-\xff]+")
LINE_MARKER = re.compile(rb'^#\s*(?:line\s+)?[0-9]+\s+"((?:[^"\\]|\\.)*)"')


class NotGbk(Exception):
    pass


def to_gbk_escapes(run):
    try:
        encoded = run.decode("utf-8").encode("gbk")
    except (UnicodeDecodeError, UnicodeEncodeError) as error:
        raise NotGbk(str(error)) from error
    return b"".join(b"\\%03o" % byte for byte in encoded)


def rewrite_line(line):
    out = []
    position = 0
    for match in TOKEN.finditer(line):
        if match.group("quote") is None or match.group("prefix") is not None:
            continue
        body = match.group("body")
        if not NON_ASCII.search(body):
            continue
        out.append(line[position : match.start("body")])
        out.append(NON_ASCII.sub(lambda run: to_gbk_escapes(run.group(0)), body))
        position = match.end("body")
    out.append(line[position:])
    return b"".join(out)


def rewrite_unit(source, target):
    with open(source, "rb") as unit:
        text = unit.read()
    if not NON_ASCII.search(text):
        with open(target, "wb") as out:
            out.write(text)
        return True
    lines = text.split(b"\n")
    where = (b"?", 0)
    ok = True
    for number, line in enumerate(lines):
        marker = LINE_MARKER.match(line)
        if marker:
            where = (marker.group(1), int(line.split()[1]) - 1)
            continue
        where = (where[0], where[1] + 1)
        if line.startswith(b"#") or not NON_ASCII.search(line):
            continue
        try:
            lines[number] = rewrite_line(line)
        except NotGbk as error:
            sys.stderr.write(
                "%s:%d: error: a character of a literal has no GBK encoding (%s)\n"
                % (where[0].decode("utf-8", "replace"), where[1], error)
            )
            ok = False
    with open(target, "wb") as out:
        out.write(b"\n".join(lines))
    return ok


def main(argv):
    compiler, args = argv[1], argv[2:]
    charset = "UTF-8"
    kept = []
    for arg in args:
        if arg.startswith("-fexec-charset="):
            charset = arg.split("=", 1)[1]
        else:
            kept.append(arg)
    if charset.upper().replace("-", "") == "UTF8" or "-c" not in kept or "-o" not in kept:
        os.execvp(compiler, [compiler] + kept)
    if charset.upper() not in ("GBK", "CP936"):
        sys.stderr.write("gbk_literals.py: unknown execution charset %s\n" % charset)
        return 1

    source = kept[kept.index("-c") + 1]
    output = kept[kept.index("-o") + 1]
    preprocessed = output + ".ii"
    rewritten = output + ".gbk.ii"

    # Preprocess with the very same options: the dependency file is written here.
    preprocess = list(kept)
    preprocess[preprocess.index("-c")] = "-E"
    preprocess[preprocess.index("-o") + 1] = preprocessed
    status = subprocess.call([compiler] + preprocess)
    if status != 0:
        return status
    if not rewrite_unit(preprocessed, rewritten):
        return 1

    compile_args = []
    skip = False
    for arg in kept:
        if skip:
            skip = False
            continue
        # Options of the preprocessor were used up above; a forced include must not come twice.
        if arg in ("-MT", "-MF", "-MQ", "-include", "-imacros"):
            skip = True
            continue
        if arg in ("-MD", "-MMD") or arg == source:
            continue
        compile_args.append(arg)
    language = "c-cpp-output" if source.endswith(".c") else "c++-cpp-output"
    status = subprocess.call(
        [compiler]
        + compile_args
        + ["-Wno-invalid-source-encoding", "-Wno-unused-command-line-argument"]
        + ["-x", language, rewritten]
    )
    if status == 0:
        os.remove(preprocessed)
        os.remove(rewritten)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
