import pytest

import nuvra_tokenizer as nt
from nuvra_tokenizer import Token, Tokenizer


def test_one_type_of_each_family(data):
    cases = [
        (dict(type=0), "Hello world", [50258, 15947, 1002, 50257]),
        (dict(type="spm-bos", model=data / "spm/llama-tokenizer.model"), "Hello world",
         [1, 15043, 3186]),
        (dict(type=8, vocab=data / "bert/bert-base-uncased-vocab.txt"), "Hello, world",
         [101, 7592, 1010, 2088, 102]),
    ]
    for kwargs, text, ids in cases:
        with Tokenizer(**kwargs) as t:
            assert t.encode(text) == ids
            assert t.decode(ids) == (text.lower() if kwargs["type"] == 8 else text)
            assert [t.token_to_id(t.id_to_token(i)) for i in ids] == ids


def test_special_tokens_and_records(data):
    with Tokenizer() as t:
        assert t.encode("<|endoftext|>", special=True) == [50258, 50257, 50257]
        assert t.decode([50258, 15947], skip_special=False) == "<|startoftranscript|>Hello"
        assert t.encode_records("Hi")[1] == Token(17155, None, None, None)
        assert t.vocab_size == 50259 and t.token_to_id("no such token") is None
    with Tokenizer("bpe-files", vocab=data / "roberta/vocab.json",
                   merges=data / "roberta/merges.txt") as t:
        # Spans count code points: "é" is one.
        assert t.encode_records("é world") == [
            Token(0, -1, -1, -1), Token(1140, 0, 0, 1), Token(232, 1, 2, 7), Token(2, -1, -1, -1)]


def test_batch_on_threads_equals_one_thread(data):
    lines = (data / "text/botchan.txt").read_text(encoding="utf-8").splitlines()
    with Tokenizer() as t:
        assert t.encode_batch(lines, threads=3) == [t.encode(line) for line in lines]


def test_failures_raise_the_status_class(data, tmp_path):
    t = Tokenizer()
    table = [
        (lambda: Tokenizer(7, vocab=tmp_path / "missing.json"), nt.FileApiError, "no such file"),
        (lambda: Tokenizer(2, model=data / "gpt2/vocab.json"), nt.FileApiError,
         "cannot be loaded as a SentencePiece model"),
        (lambda: Tokenizer(7, added_tokens=data / "gpt2/vocab.json"), nt.InvalidStateError,
         "nuvraTokenizerOpenAddedTokensFileA"),
        (lambda: Tokenizer(4).encode("a"), nt.InvalidStateError, "nuvraTokenizerEncode"),
        (lambda: Tokenizer(11), nt.InvalidArgumentError, "0 to 10"),
        (lambda: Tokenizer("gpt"), nt.InvalidArgumentError, "unknown tokenizer type"),
        (lambda: t.encode(None), TypeError, "str or bytes"),
        (lambda: t.encode("a\0b"), nt.InvalidArgumentError, "NUL"),
        (lambda: t.encode("\ud800"), nt.InvalidArgumentError, "UTF-8"),
        (lambda: t.decode([2**40]), nt.InvalidArgumentError, "outside the vocabulary"),
        (lambda: t.decode([-1]), nt.InvalidArgumentError, "outside the vocabulary"),
        (lambda: t.decode("12"), TypeError, "ints"),
        (lambda: t.id_to_token(2**31), nt.InvalidArgumentError, "outside"),
        (lambda: t.id_to_token(50259), nt.InvalidArgumentError, "nuvraTokenizerGetVocab"),
        (lambda: Tokenizer(0, vocab="a\0b"), nt.InvalidArgumentError, "NUL"),
    ]
    for call, error, text in table:
        with pytest.raises(error, match=text):
            call()
    t.close()
    with pytest.raises(nt.InvalidArgumentError, match="closed"):
        t.encode("a")
    assert issubclass(nt.FileApiError, OSError) and issubclass(nt.InvalidArgumentError, ValueError)
