#!/usr/bin/env python3
"""Fails when docs/c_api.md and include/nuvra_tokenizer.h disagree: every
exported declaration must appear in the reference exactly (whitespace aside),
under its own heading, with a status table naming only the header's statuses.

    check_api_docs.py HEADER REFERENCE
"""
import re
import sys


def normalise(declaration):
    text = re.sub(r"\s+", " ", declaration.replace("NUVRA_TOKENIZER_API", "")).strip()
    return re.sub(r"\( ", "(", text)


def main(header_path, docs_path):
    header = open(header_path, encoding="utf-8").read()
    docs = open(docs_path, encoding="utf-8").read()
    problems = []

    declared = {}
    for match in re.finditer(r"^NUVRA_TOKENIZER_API\s+([^;]*);", header, re.M):
        text = normalise(match.group(1))
        declared[re.search(r"(\w+)\(", text).group(1)] = text
    statuses = {int(value): name for name, value in re.findall(
        r"#define (NUVRA_TOKENIZER_STATUS_\w+) \(?(-?\d+)\)?", header)}

    sections = dict(re.findall(r"^### (\w+)\n(.*?)(?=^##|\Z)", docs, re.M | re.S))
    for name in sorted(set(declared) - set(sections)):
        problems.append(f"{name} is declared in the header but has no section")
    for name in sorted(set(sections) - set(declared)):
        problems.append(f"{name} has a section but is not declared in the header")
    for name, body in sections.items():
        if name not in declared:
            continue
        block = re.search(r"```c\n(.*?)```", body, re.S)
        if block is None or normalise(block.group(1)).rstrip(";") != declared[name]:
            problems.append(f"{name}: the declaration differs from the header's:\n"
                            f"  header: {declared[name]}")
        rows = [int(v) for v in re.findall(r"^\| (-?\d+) \|", body, re.M)]
        if name != "nuvraTokenizerDestroy" and 0 not in rows:
            problems.append(f"{name}: no status table with a 0 row")
        for value in rows:
            if value not in statuses:
                problems.append(f"{name}: status {value} is not defined in the header")

    for name, value in re.findall(r"^\| (-?\d+) \| `(NUVRA_TOKENIZER_STATUS_\w+)`", docs, re.M):
        if statuses.get(int(name)) != value:
            problems.append(f"status table: {value} is not {name} in the header")
    listed = {int(v) for v, _ in re.findall(r"^\| (-?\d+) \| `(NUVRA_TOKENIZER_STATUS_\w+)`",
                                            docs, re.M)}
    for value in sorted(set(statuses) - listed):
        problems.append(f"status table: {statuses[value]} is missing")

    for problem in problems:
        print(f"{docs_path}: {problem}", file=sys.stderr)
    print(f"{len(declared)} functions, {len(statuses)} statuses checked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
