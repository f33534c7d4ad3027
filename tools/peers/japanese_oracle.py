#!/usr/bin/env python3
"""Independent ids of the Japanese WordPiece types 4 and 5 for each line of a file.

Normalises with the sentencepiece package's spm_normalize (rule nfkc, extra
white space removed), cuts words with the python3-mecab binding of MeCab,
then matches WordPiece greedily (longest first, "##" after the first piece,
"[UNK]" for an uncoverable word or one over 100 bytes) or looks characters up
one by one. Specials in the text are plain text here, as in
nuvraTokenizerEncode, except in the last column, which recognises them as
nuvraTokenizerEncodeWithSpecialTokens does (in the normalised text, each
piece between them analysed on its own).

usage: japanese_oracle.py DICTIONARY_DIR VOCAB INPUT
Prints, for each LF-separated line of INPUT:
  <type 4 ids>\t<type 5 ids>\t<MeCab words separated by U+001F>\t<type 4 ids, specials>
"""
import subprocess
import sys

import MeCab


def read_vocab(path):
    ids = {}
    with open(path, "rb") as f:
        for number, line in enumerate(f.read().split(b"\n")[:-1]):
            ids.setdefault(line.split(b"\0")[0], number)
    return ids


def wordpiece(word, ids, unknown):
    out = []
    for piece in word.split():
        if len(piece) > 100:
            out.append(unknown)
            continue
        found, start = [], 0
        while start < len(piece):
            for end in range(len(piece), start, -1):
                candidate = (b"##" if start else b"") + piece[start:end]
                if candidate in ids:
                    found.append(ids[candidate])
                    start = end
                    break
            else:
                found = [unknown]
                break
        out.extend(found)
    return out


SPECIALS = [b"[PAD]", b"[UNK]", b"[CLS]", b"[SEP]", b"[MASK]"]


def split_on_specials(text):
    pieces = [text]
    for special in SPECIALS:
        pieces = [p for piece in pieces
                  for k, part in enumerate(piece.split(special))
                  for p in ([special, part] if k else [part])]
    return pieces


def words_of(tagger, text):
    words = []
    if text:
        node = tagger.parseToNode(text.decode("utf-8"))
        while node:
            if node.stat in (0, 1):
                words.append(node.surface.encode("utf-8"))
            node = node.next
    return words


def main():
    dictionary, vocab_path, input_path = sys.argv[1:4]
    ids = read_vocab(vocab_path)
    unknown, cls, sep = (ids.get(t, 0) for t in (b"[UNK]", b"[CLS]", b"[SEP]"))
    normalized = subprocess.run(
        ["spm_normalize", "--normalization_rule_name=nfkc", "--remove_extra_whitespaces=true",
         input_path], check=True, capture_output=True).stdout.split(b"\n")[:-1]
    tagger = MeCab.Tagger(f"-d {dictionary} -r {dictionary}/dicrc")
    out = sys.stdout.buffer
    for line in normalized:
        words = words_of(tagger, line)
        special4 = [cls]
        for piece in split_on_specials(line):
            if piece in SPECIALS:
                special4.append(ids.get(piece, 0))
                continue
            for word in words_of(tagger, piece):
                special4 += wordpiece(word, ids, unknown)
        special4.append(sep)
        type4, type5 = [cls], [cls]
        for word in words:
            type4 += wordpiece(word, ids, unknown)
            type5 += [ids.get(c.encode("utf-8"), unknown) for c in word.decode("utf-8")]
        type4.append(sep)
        type5.append(sep)
        out.write(b"\t".join([" ".join(map(str, type4)).encode(), " ".join(map(str, type5)).encode(),
                              b"\x1f".join(words), " ".join(map(str, special4)).encode()]) + b"\n")


if __name__ == "__main__":
    main()
