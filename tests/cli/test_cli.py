"""End-to-end runs of nuvra-tokenize (path in NUVRA_TOKENIZE)."""
import os
import subprocess
from pathlib import Path

import pytest

TOOL = os.environ.get("NUVRA_TOKENIZE", "nuvra-tokenize")
DATA = Path(os.environ.get("NUVRA_DATA_DIR", Path(__file__).resolve().parents[3] / "shared/data"))
ROBERTA = ["--type", "bpe-files", "--vocab", str(DATA / "roberta/vocab.json"),
           "--merges", str(DATA / "roberta/merges.txt")]


def run(args, stdin=b""):
    return subprocess.run([TOOL] + args, input=stdin, capture_output=True, timeout=120)


# args, standard input, expected standard output, exit code, text in the message
CASES = [
    (["encode"], b"Hello world\n", b"50258 15947 1002 50257\n", 0, ""),
    (["encode", "--type", "0"], b"Hello world\r\n\n", b"50258 15947 1002 50257\n50258 50257\n", 0, ""),
    (["encode", "-f", "tokens", "Hello world"], b"", "<|startoftranscript|> Hello Ġworld <|endoftext|>\n".encode(), 0, ""),
    (["encode", "-f", "u16", "Hello"], b"", bytes([0x52, 0xC4, 0x4B, 0x3E, 0x51, 0xC4]), 0, ""),
    (["encode", "-f", "json"] + ROBERTA + ["é world"], b"",
     b'{"ids":[0,1140,232,2],"word_ids":[-1,0,1,-1],"spans":[[-1,-1],[0,1],[2,7],[-1,-1]]}\n', 0, ""),
    (["encode", "--type", "spm-bos", "--model", str(DATA / "spm/llama-tokenizer.model")],
     b"Hello world", b"1 15043 3186\n", 0, ""),
    (["encode", "--special"], b"<|endoftext|>\n", b"50258 50257 50257\n", 0, ""),
    (["decode", "15947", "1002"], b"", b"Hello world\n", 0, ""),
    (["decode", "--special"], b"[50258, 15947]\n{\"ids\": [1002]}\n", b"<|startoftranscript|>Hello\n world\n", 0, ""),
    (["vocab"], b"", b"50259\n", 0, ""),
    (["vocab", "15947", "--token", "Hello"], b"", b"Hello\n", 0, ""),
    (["vocab", "--token", "Hello", "--type", "bpe-transcript"], b"", b"15947\n", 0, ""),
    (["vocab", "--token", "no-such-token"], b"", b"", 1, "not in the vocabulary"),
    (["encode"], b"a\0b\n", b"", 5, "standard input:1: holds a NUL byte"),
    (["encode", "-i", "/no/such/file"], b"", b"", 3, "/no/such/file: No such file"),
    (["encode", "--type", "7", "--vocab", "/no/such.json", "--merges", "/no/m.txt"], b"", b"", 3,
     "--vocab /no/such.json: No such file"),
    (["encode", "--type", "2", "--model", str(DATA / "gpt2/vocab.json")], b"", b"", 3,
     "cannot be loaded as a SentencePiece model"),
    (["encode", "--type", "bpe-word-end", "--vocab", str(DATA / "gpt2/vocab.json")], b"", b"", 4,
     "takes no --vocab"),
    (["encode", "--type", "9"], b"", b"", 2, "needs --vocab, --merges"),
    (["encode", "--type", "wordpiece-jp"], b"", b"", 2, "--type"),
    (["decode", "50259"], b"", b"", 5, "id 50259 is outside the vocabulary"),
    (["decode"], b"1 x\n", b"", 5, "standard input:1: 'x' is not a token id"),
    (["vocab", "-1"], b"", b"", 5, "not an id of this vocabulary"),
]


@pytest.mark.parametrize("args,stdin,stdout,code,message", CASES)
def test_cli(args, stdin, stdout, code, message):
    result = run(args, stdin)
    assert (result.returncode, result.stdout) == (code, stdout), result.stderr
    assert message.encode() in result.stderr
    assert result.stderr.count(b"\n") <= (0 if code == 0 else 2)


def test_threads_give_the_output_of_one_thread(tmp_path):
    corpus = tmp_path / "corpus.txt"
    corpus.write_bytes((DATA / "text/botchan.txt").read_bytes() * 2)
    for fmt in ("ids", "json", "u32"):
        outputs = []
        for threads in ("1", "2", "3"):
            out = tmp_path / f"{fmt}.{threads}"
            result = run(["encode", "-f", fmt, "-j", threads, "-i", str(corpus), "-o", str(out)]
                         + (ROBERTA if fmt == "json" else []))
            assert result.returncode == 0, result.stderr
            outputs.append(out.read_bytes())
        assert outputs[0] == outputs[1] == outputs[2] and outputs[0]
