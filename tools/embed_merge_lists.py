#!/usr/bin/env python3
"""Embeds the two built-in merge lists into the library as token-id pairs.

Each merge joins two earlier tokens into the next one, so a list is stored as
one (left id, right id) pair of uint16 per merge: the library rebuilds every
vocabulary string and the merge table by concatenation, with no text to parse.
The generator rebuilds the lists from that form and fails unless they come
back exactly.

Usage: embed_merge_lists.py DATA_DIR OUTPUT.cc
"""

import gzip
import hashlib
import os
import sys

TRANSCRIPT_LIST = "whisper-multilingual/merges.txt"
WORD_END_LIST = "bpe_simple_vocab_16e6.txt.gz"
WORD_END_HEADER = '"bpe_simple_vocab_16e6.txt#version: 0.2'
WORD_END_USED = 48894
TRANSCRIPT_COUNT = 50000
WORD_END_MARK = "</w>"


def fail(message):
    sys.stderr.write("embed_merge_lists.py: error: %s\n" % message)
    sys.exit(1)


def checked_bytes(data_dir, relative, sums):
    path = os.path.join(data_dir, relative)
    if not os.path.isfile(path):
        fail("%s is missing; set NUVRA_DATA_DIR (now %s) to the folder of the published "
             "model files" % (path, data_dir))
    if relative not in sums:
        fail("%s has no entry in %s" % (relative, os.path.join(data_dir, "SHA256SUMS")))
    with open(path, "rb") as f:
        content = f.read()
    digest = hashlib.sha256(content).hexdigest()
    if digest != sums[relative]:
        fail("%s has SHA-256 %s, SHA256SUMS in NUVRA_DATA_DIR (%s) expects %s" %
             (path, digest, data_dir, sums[relative]))
    return content


def read_sums(data_dir):
    path = os.path.join(data_dir, "SHA256SUMS")
    if not os.path.isfile(path):
        fail("%s is missing; set NUVRA_DATA_DIR (now %s) to the folder of the published "
             "model files" % (path, data_dir))
    sums = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2:
                sums[parts[1].lstrip("*")] = parts[0]
    return sums


def byte_symbols():
    """The 256 byte symbols in table order: kept bytes first, then the moved ones."""
    kept = list(range(33, 127)) + list(range(161, 173)) + list(range(174, 256))
    codepoints = {b: b for b in kept}
    moved = 0
    for b in range(256):
        if b not in codepoints:
            codepoints[b] = 256 + moved
            moved += 1
    return [chr(cp) for cp in sorted(codepoints.values())]


def pair_lines(text, expected):
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    pairs = []
    for number, line in enumerate(lines[:expected], 1):
        fields = line.split(" ")
        if len(fields) != 2 or not fields[0] or not fields[1]:
            fail("pair line %d is not two fields: %r" % (number, line))
        pairs.append((fields[0], fields[1]))
    if len(pairs) != expected:
        fail("expected %d pairs, found %d" % (expected, len(pairs)))
    return pairs


def as_token_ids(name, pairs, base_tokens):
    """Each pair as ids of earlier tokens; fails when a list cannot take this form."""
    tokens = list(base_tokens)
    ids = {}
    for i, t in enumerate(tokens):
        if t in ids:
            fail("%s: base token %r occurs twice" % (name, t))
        ids[t] = i
    # The word-end forms must stay distinct from every token of a list that
    # does not hold them, since the library interns them beside it.
    extra = [s + WORD_END_MARK for s in base_tokens[:256]]
    out = []
    seen_pairs = set()
    for k, (left, right) in enumerate(pairs):
        if (left, right) in seen_pairs:
            fail("%s: pair %d (%s %s) occurs twice" % (name, k + 1, left, right))
        seen_pairs.add((left, right))
        if left not in ids or right not in ids:
            fail("%s: pair %d (%s %s) joins a token no earlier pair made" %
                 (name, k + 1, left, right))
        merged = left + right
        if merged in ids:
            fail("%s: pair %d makes %r a second time" % (name, k + 1, merged))
        ids[merged] = len(tokens)
        tokens.append(merged)
        out.append((ids[left], ids[right]))
    if len(tokens) > 65536:
        fail("%s: %d tokens do not fit 16-bit ids" % (name, len(tokens)))
    for e in extra:
        if e in ids and ids[e] >= len(base_tokens):
            fail("%s: token %r collides with a word-end byte symbol" % (name, e))
    # Rebuild from the ids alone, exactly as the library does.
    rebuilt = list(base_tokens)
    for left_id, right_id in out:
        rebuilt.append(rebuilt[left_id] + rebuilt[right_id])
    for k, (left_id, right_id) in enumerate(out):
        if (rebuilt[left_id], rebuilt[right_id]) != pairs[k]:
            fail("%s: pair %d does not come back from its ids" % (name, k + 1))
    return out


def emit(name, comment, pairs, base_count):
    rows = []
    flat = [v for pair in pairs for v in pair]
    for i in range(0, len(flat), 16):
        rows.append("    " + ", ".join(str(v) for v in flat[i:i + 16]) + ",")
    return ("// %s\n"
            "const uint16_t k%sPairs[] = {\n%s\n};\n"
            "extern const BuiltinMergeList k%sMergeList = {k%sPairs, %d, %d};\n" %
            (comment, name, "\n".join(rows), name, name, len(pairs), base_count))


def main():
    if len(sys.argv) != 3:
        fail("usage: embed_merge_lists.py DATA_DIR OUTPUT.cc")
    data_dir, output = sys.argv[1], sys.argv[2]
    sums = read_sums(data_dir)

    transcript_text = checked_bytes(data_dir, TRANSCRIPT_LIST, sums).decode("utf-8")
    transcript = pair_lines(transcript_text, TRANSCRIPT_COUNT)
    if len(transcript_text.rstrip("\n").split("\n")) != TRANSCRIPT_COUNT:
        fail("%s: expected exactly %d lines" % (TRANSCRIPT_LIST, TRANSCRIPT_COUNT))

    word_end_text = gzip.decompress(checked_bytes(data_dir, WORD_END_LIST, sums)).decode("utf-8")
    header, _, rest = word_end_text.partition("\n")
    if header != WORD_END_HEADER:
        fail("%s: first line is %r, expected the header %r" % (WORD_END_LIST, header,
                                                              WORD_END_HEADER))
    word_end = pair_lines(rest, WORD_END_USED)

    symbols = byte_symbols()
    transcript_ids = as_token_ids(TRANSCRIPT_LIST, transcript, symbols)
    word_end_ids = as_token_ids(WORD_END_LIST, word_end,
                                symbols + [s + WORD_END_MARK for s in symbols])

    source = (
        "// Generated by tools/embed_merge_lists.py from %s and %s. Do not edit.\n"
        "#include \"data/builtin_merge_lists.h\"\n\n"
        "namespace nuvra::data {\n\n"
        "%s\n%s\n"
        "}  // namespace nuvra::data\n" %
        (TRANSCRIPT_LIST, WORD_END_LIST,
         emit("Transcript", "%d pairs of %s" % (len(transcript_ids), TRANSCRIPT_LIST),
              transcript_ids, 256),
         emit("WordEnd", "The first %d pairs of %s" % (len(word_end_ids), WORD_END_LIST),
              word_end_ids, 512)))
    temporary = output + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(source)
    os.replace(temporary, output)


if __name__ == "__main__":
    main()
