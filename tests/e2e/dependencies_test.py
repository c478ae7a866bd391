#!/usr/bin/python3
"""Every program our scripts call comes from a package that tools/install-deps.sh installs.

  dependencies_test.py PROJECT_ROOT

Reads tools/packages.txt and the scripts (tools/, .ci/, tests/e2e/, bench/, the image script),
the CMake files, the Python scripts' imports and the tests' QProcess calls, and fails, naming the
file and line, on a program or module that is neither listed nor part of Debian's essential
packages, so that a tool added to a script without its package fails here on any machine, not
only on a fresh one. A listed program that the machine has must come from the package the list
names (or one it depends on), so that a wrong line fails too.
"""
import functools
import re
import shutil
import subprocess
import sys
from pathlib import Path

BUILTINS = set("""
    . : [ [[ ]] alias bg break builtin caller case cd command compgen complete continue declare dirs
    disown do done echo elif else enable esac eval exec exit export false fc fg fi for function
    getopts hash help history if in jobs kill let local logout mapfile popd printf pushd pwd read
    readarray readonly return select set shift shopt source suspend test then time times trap
    true type typeset ulimit umask unalias unset until wait while { } ! ( )
""".split())
# Words that run the word after them (their options skipped).
WRAPPERS = {"exec", "timeout", "nice", "sudo", "env", "command", "xargs", "nohup", "dbus-run-session", "time"}
SEPARATORS = {";", "&", "&&", "|", "||", "\n", "(", ")", "$(", "`", "<(", ">(", "{", "}", ";;"}


def table(root):
    programs, modules = {}, {}
    for number, line in enumerate((root / "tools/packages.txt").read_text().splitlines(), 1):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        for word in words[1:]:
            if word.startswith("python:"):
                modules[word[len("python:"):]] = words[0]
            else:
                programs[word] = words[0]
    return programs, modules


def shell_tokens(text):
    """Words and separators of a shell script, with the line of each; quoted text kept as words,
    but command substitutions inside double quotes are opened as the shell would."""
    tokens, word, line, quote, i = [], "", 1, None, 0
    quoted = False

    def flush():
        nonlocal word, quoted
        if word or quoted:
            tokens.append((word, line, quoted))
        word, quoted = "", False

    while i < len(text):
        c = text[i]
        if quote == "'":
            if c == "'":
                quote = None
            else:
                word += c
        elif quote == '"':
            if c == "\\":
                word += text[i:i + 2]
                i += 1
            elif c == '"':
                quote = None
            elif text.startswith("$(", i) and not text.startswith("$((", i):
                flush()
                tokens.append(("$(", line, False))
                # The substitution's end returns to the quoted string: close enough for our scripts.
                depth, j = 1, i + 2
                while j < len(text) and depth:
                    depth += {"(": 1, ")": -1}.get(text[j], 0)
                    j += 1
                inner = shell_tokens(text[i + 2:j - 1])
                tokens.extend((w, l + line - 1, q) for w, l, q in inner)
                tokens.append((")", line, False))
                quote = '"'
                quoted = True
                i = j - 1
            else:
                word += c
        elif c in "'\"":
            quote, quoted = c, True
        elif c == "\\" and text.startswith("\\\n", i):
            i += 1
            line += 1
        elif c == "#" and not word:
            while i < len(text) and text[i] != "\n":
                i += 1
            continue
        elif c in " \t":
            flush()
        elif c == "\n":
            flush()
            tokens.append(("\n", line, False))
            line += 1
        elif text.startswith("$((", i):
            end = text.find("))", i)
            word += text[i:end + 2]
            i = end + 1
        elif text.startswith("$(", i) or text.startswith("<(", i) or text.startswith(">(", i):
            if text[i] in "<>" and word and word[-1].isdigit():
                word += c
            else:
                flush()
                tokens.append((text[i:i + 2], line, False))
                i += 1
        elif c == "$" and text.startswith("${", i):
            end = text.find("}", i)
            word += text[i:end + 1]
            i = end
        elif c == "(" and word.endswith("="):
            # An array assigned, name=(words): its words are no commands.
            end, inner_quote = i + 1, None
            while end < len(text) and (inner_quote or text[end] != ")"):
                if inner_quote and text[end] == inner_quote:
                    inner_quote = None
                elif not inner_quote and text[end] in "'\"":
                    inner_quote = text[end]
                line += text[end] == "\n"
                end += 1
            word += text[i:end + 1]
            i = end
        elif c in ";&|()`":
            flush()
            two = text[i:i + 2]
            if two in ("&&", "||", ";;"):
                tokens.append((two, line, False))
                i += 1
            elif c == "&" and text.startswith("&>", i):
                word += "&>"
                i += 1
            else:
                tokens.append((c, line, False))
        elif c in "<>":
            # A redirection: the operator, its file descriptor and its target are no command.
            if word.isdigit():
                word = ""
            flush()
            j = i
            while j < len(text) and text[j] in "<>&":
                j += 1
            while j < len(text) and text[j] in " \t":
                j += 1
            tokens.append(("\0redirect", line, False))
            i = j - 1
            # Swallow the target word.
            depth = 0
            k = i + 1
            q = None
            while k < len(text):
                ch = text[k]
                if q:
                    if ch == q:
                        q = None
                elif ch in "'\"":
                    q = ch
                elif ch == "(":
                    depth += 1
                elif ch == ")" and depth:
                    depth -= 1
                elif ch in " \t\n;|&)" and not depth:
                    break
                k += 1
            i = k - 1
        else:
            word += c
        i += 1
    flush()
    return tokens


def shell_functions(text):
    return set(re.findall(r"^\s*([A-Za-z_][\w-]*)\s*\(\)", text, re.M))


CASE_PATTERN = re.compile(r"^(\s*)[^\s()]+\)(?=\s)", re.M)


def shell_calls(text, functions):
    """(program, line) for every word in command position, and for every bare word given to one of
    the scripts' own functions (which run their arguments: `check "what" grep …`)."""
    calls, expect, skip_to_separator, wrapper, option_argument = [], True, False, None, False
    # A case's patterns (`same) …`) are no commands.
    text = CASE_PATTERN.sub(r"\1", text)
    for word, line, quoted in shell_tokens(text):
        if word in SEPARATORS:
            expect, skip_to_separator, wrapper, option_argument = True, False, None, False
            continue
        if word == "\0redirect" or skip_to_separator:
            continue
        if not expect:
            if option_argument:
                option_argument = False
                continue
            if wrapper and not quoted and word in ("-u", "-n", "--unset", "--adjustment", "-s", "--signal", "-k"):
                option_argument = True  # the option's own argument follows
                continue
            if wrapper and not quoted and (word.startswith("-") or re.fullmatch(r"[\d.]+[smh]?", word)
                                           or re.fullmatch(r"[A-Za-z_]\w*=.*", word)):
                continue  # the wrapper's options, a time limit, `env NAME=value`
            if wrapper == "in-function" and not quoted and re.fullmatch(r"[a-z][\w.+-]*", word):
                calls.append((word, line, True))
            if wrapper and wrapper != "in-function" and not quoted:
                calls.append((word, line, False))
                wrapper = None
            continue
        if not quoted and re.fullmatch(r"[A-Za-z_]\w*(\[[^]]*\])?\+?=.*", word):
            continue  # an assignment before the command
        if word in ("for", "case", "select"):
            skip_to_separator = True
            continue
        if word in BUILTINS and word not in WRAPPERS:
            if word in ("then", "do", "else", "elif", "if", "while", "until", "!", "{", "time"):
                continue
            expect = False
            continue
        expect = False
        if quoted or word.startswith("$") or word.startswith("./") or "/" in word and not word.startswith("/"):
            continue
        if word in functions:
            wrapper = "in-function"
            continue
        if word in ("command", "type") and not quoted:
            skip_to_separator = True  # `command -v NAME` asks, it does not run
            continue
        if word in WRAPPERS:
            wrapper = word
            expect = False
            if word in ("exec", "time"):
                expect, wrapper = True, None
            continue
        if re.fullmatch(r"[A-Za-z0-9_./+-]+", word):
            calls.append((word, line, False))
    return calls


def python_imports(text):
    for number, line in enumerate(text.splitlines(), 1):
        match = re.match(r"\s*(?:import|from)\s+([A-Za-z_]\w*)", line)
        if match:
            yield match.group(1), number


def cmake_calls(text):
    for number, line in enumerate(text.splitlines(), 1):
        for match in re.finditer(r"\bCOMMAND\s+([A-Za-z][\w.+-]*)", line):
            yield match.group(1), number


def cpp_calls(text):
    for number, line in enumerate(text.splitlines(), 1):
        if "QProcess" in line or "program" in line.lower():
            for match in re.finditer(r'QStringLiteral\("([a-z][\w.+-]*)"\)', line):
                yield match.group(1), number


def owners(paths):
    """The Debian package that holds each file, looked up under its merged-/usr names and its
    link's target, in one call of dpkg (it is slow to start)."""
    names = {path: [path, re.sub(r"^/usr/", "/", path), str(Path(path).resolve())] for path in paths}
    every = sorted({name for candidates in names.values() for name in candidates})
    result = subprocess.run(["dpkg", "-S", *every], capture_output=True, text=True) if every else None
    holder = {}
    for line in result.stdout.splitlines() if result else []:
        if line.startswith("diversion by"):
            continue  # the next line names the package that holds the file
        packages, _, name = line.partition(": ")
        holder.setdefault(name.strip(), packages.split(",")[0].split(":")[0].strip())
    return {path: next((holder[name] for name in candidates if name in holder), None)
            for path, candidates in names.items()}


@functools.lru_cache(maxsize=None)
def field(package, name):
    result = subprocess.run(["dpkg-query", "-W", "-f=${" + name + "}", package], capture_output=True, text=True)
    return result.stdout if result.returncode == 0 else ""


def locate(program):
    if program.startswith("/"):
        return program if Path(program).exists() else None
    # Debian's own directories first: a program elsewhere on the PATH (a pyenv shim, /usr/local)
    # says nothing of what a fresh machine has.
    return shutil.which(program, path="/usr/bin:/usr/sbin:/bin:/sbin")


def main():
    root = Path(sys.argv[1]).resolve()
    programs, modules = table(root)
    faults = []
    called = []  # (program, place, only_when_installed)

    scripts = sorted(root.glob("tools/*.sh")) + [root / ".ci/run"] + sorted(root.glob("tests/e2e/*.sh")) \
        + sorted(root.glob("bench/*.sh")) + sorted(root.glob("resources/images/*.sh"))
    functions = set().union(*(shell_functions(script.read_text()) for script in scripts))
    for script in scripts:
        for program, line, guessed in shell_calls(script.read_text(), functions):
            called.append((program, f"{script.relative_to(root)}:{line}", guessed))
    cmake_files = [path for path in sorted(root.glob("**/CMakeLists.txt")) if path.relative_to(root).parts[0] != "build"]
    # Our own targets, also those made by our CMake functions: the first word of any call.
    targets = set().union(*(re.findall(r"^\s*\w+\((\w+)", path.read_text(), re.M) for path in cmake_files))
    for cmake in cmake_files:
        for program, line in cmake_calls(cmake.read_text()):
            if program not in targets:
                called.append((program, f"{cmake.relative_to(root)}:{line}", False))
    for source in sorted(root.glob("tests/**/*.cpp")) + sorted(root.glob("tests/**/*.h")) + sorted(root.glob("bench/*.cpp")):
        for program, line in cpp_calls(source.read_text()):
            called.append((program, f"{source.relative_to(root)}:{line}", True))

    standard = set(sys.stdlib_module_names)
    for script in sorted(root.glob("tests/e2e/*.py")):
        for module, line in python_imports(script.read_text()):
            if module not in standard and module not in modules:
                faults.append(f"{script.relative_to(root)}:{line}: the module {module} is in no package of tools/packages.txt")

    unlisted = [(program, place, guessed) for program, place, guessed in called
                if program not in programs and re.sub(r"^/usr/s?bin/", "", program) not in programs
                and program not in BUILTINS]
    located = {program: locate(program) for program in {entry[0] for entry in unlisted} | set(programs)}
    owner = owners([path for path in located.values() if path])
    for program, place, guessed in unlisted:
        path = located[program]
        if path is None:
            if not guessed:
                faults.append(f"{place}: {program} is not on this machine and in no package of tools/packages.txt")
            continue
        package = owner[path]
        if package and field(package, "Essential") == "yes":
            continue
        faults.append(f"{place}: {program} (Debian package {package or 'unknown'}) is in no package of tools/packages.txt")

    for program, package in sorted(programs.items()):
        path = located[program]
        if path is None:
            continue  # not installed here: tools/install-deps.sh --check names it
        actual = owner[path]
        depends = {re.split(r"[\s(:]", alternative.strip())[0]
                   for clause in (field(package, "Depends") + "," + field(package, "Pre-Depends")).split(",")
                   for alternative in clause.split("|")}
        if actual and actual != package and actual not in depends:
            faults.append(f"tools/packages.txt: {program} comes from {actual}, not from {package}")

    for fault in dict.fromkeys(faults):
        print("FAIL:", fault)
    print(f"{len(called)} calls of programs checked in {len(scripts)} scripts and the CMake files")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
