"""The Tokenizer class: one handle of the C library, plus more for batches."""

import concurrent.futures
import ctypes
import operator
import os
import builtins
import threading
from typing import NamedTuple, Optional

from . import _library
from .errors import (ERROR_FILE_API, INVALID_STATE, InvalidArgumentError, raise_for_status)

TYPES = {
    "bpe-transcript": 0, "bpe-word-end": 1, "spm-shifted": 2, "spm-padded": 3,
    "wordpiece-ja": 4, "wordpiece-ja-char": 5, "spm-eos": 6, "bpe-files": 7,
    "wordpiece": 8, "bpe-files-bare": 9, "spm-bos": 10,
}
# Types whose word ids and character spans the library reports.
_SPAN_TYPES = frozenset({7, 8})
_INT32 = (-2**31, 2**31 - 1)
# Keyword, C function, what the file is; in the order files are opened: a
# vocabulary replaces the whole list, so added tokens come after it.
_FILES = (
    ("dictionary", "nuvraTokenizerOpenDictionaryFileA", "MeCab dictionary"),
    ("vocab", "nuvraTokenizerOpenVocabFileA", "vocabulary"),
    ("added_tokens", "nuvraTokenizerOpenAddedTokensFileA", "added-tokens file"),
    ("merges", "nuvraTokenizerOpenMergeFileA", "merge list"),
    ("config", "nuvraTokenizerOpenTokenizerConfigFileA", "tokenizer configuration"),
    ("model", "nuvraTokenizerOpenModelFileA", "SentencePiece model"),
)

_lib = None
_lib_lock = threading.Lock()


def _library_handle():
    global _lib
    with _lib_lock:
        if _lib is None:
            _lib = _library.load()
        return _lib


class Token(NamedTuple):
    """One encoded token; word_id, start and end (code points) are None for
    the types that do not report them, and -1 for framing tokens."""
    id: int
    word_id: Optional[int]
    start: Optional[int]
    end: Optional[int]


def _text_bytes(text, call):
    if isinstance(text, str):
        try:
            data = text.encode("utf-8")
        except UnicodeEncodeError as error:
            raise InvalidArgumentError(f"{call}: text is not encodable as UTF-8: {error}",
                                       call=call) from None
    elif isinstance(text, (bytes, bytearray, memoryview)):
        data = bytes(text)
    else:
        raise TypeError(f"{call}: text must be str or bytes, not {type(text).__name__}")
    if b"\0" in data:
        raise InvalidArgumentError(f"{call}: text holds a NUL character, which would end it "
                                   "at the C interface", call=call)
    return data


def _path_bytes(path, call):
    try:
        data = os.fsencode(path)
    except TypeError:
        raise TypeError(f"{call}: path must be str, bytes or os.PathLike, not "
                        f"{type(path).__name__}") from None
    if b"\0" in data:
        raise InvalidArgumentError(f"{call}: path {path!r} holds a NUL character", call=call,
                                   path=os.fsdecode(data))
    return data


def _type_number(type):
    if isinstance(type, str):
        if type not in TYPES:
            raise InvalidArgumentError(f"unknown tokenizer type {type!r}; one of "
                                       + ", ".join(TYPES), call="nuvraTokenizerCreate")
        return TYPES[type]
    try:
        number = operator.index(type)
    except TypeError:
        raise TypeError("type must be an int or a type name, not "
                        f"{builtins.type(type).__name__}") from None
    if not 0 <= number <= 10:
        raise InvalidArgumentError(f"tokenizer type {number} is not one of 0 to 10",
                                   call="nuvraTokenizerCreate")
    return number


class _Handle:
    """A C handle with its files loaded, and the lock that keeps it to one
    thread at a time."""

    def __init__(self, lib, type, flags, files):
        self.lib = lib
        self.lock = threading.Lock()
        self.pointer = ctypes.c_void_p()
        self._count = ctypes.c_uint32()
        self._buffer = (ctypes.c_int32 * 256)()
        raise_for_status(lib.nuvraTokenizerCreate(ctypes.byref(self.pointer), type, flags),
                         "nuvraTokenizerCreate", detail=f"type {type}")
        try:
            for call, path, data, what in files:
                status = getattr(lib, call)(self.pointer, data)
                detail = None
                if status == ERROR_FILE_API:
                    detail = (f"cannot be loaded as a {what}" if os.path.exists(data)
                              else "no such file")
                elif status == INVALID_STATE:
                    detail = f"type {type} takes no {what}"
                raise_for_status(status, call, path, detail)
        except BaseException:
            self.close()
            raise

    def close(self):
        if self.pointer:
            self.lib.nuvraTokenizerDestroy(self.pointer)
            self.pointer = ctypes.c_void_p()

    def encode(self, data, special, records=False):
        lib, h = self.lib, self.pointer
        call = "nuvraTokenizerEncodeWithSpecialTokens" if special else "nuvraTokenizerEncode"
        with self.lock:
            self._check_open(call)
            raise_for_status(getattr(lib, call)(h, data), call)
            count = self._count
            raise_for_status(lib.nuvraTokenizerGetTokenCount(h, ctypes.byref(count)),
                             "nuvraTokenizerGetTokenCount")
            n = count.value
            # One buffer per handle, grown when needed: a fresh ctypes array per
            # call would cost more than the encode of a short line.
            if n > len(self._buffer):
                self._buffer = (ctypes.c_int32 * max(n, 2 * len(self._buffer)))()
            buffer = self._buffer
            raise_for_status(lib.nuvraTokenizerGetTokens(h, buffer, n), "nuvraTokenizerGetTokens")
            ids = buffer[:n]
            if not records:
                return ids
            fields = []
            for name in ("nuvraTokenizerGetWordIDs", "nuvraTokenizerGetCharStarts",
                         "nuvraTokenizerGetCharEnds"):
                raise_for_status(getattr(lib, name)(h, buffer, n), name)
                fields.append(buffer[:n])
            return ids, fields

    def decode(self, ids, skip_special):
        lib, h = self.lib, self.pointer
        call = "nuvraTokenizerDecode" if skip_special else "nuvraTokenizerDecodeWithSpecialTokens"
        array = (ctypes.c_int32 * max(len(ids), 1))(*ids)
        with self.lock:
            self._check_open(call)
            raise_for_status(getattr(lib, call)(h, array, len(ids)), call)
            length = ctypes.c_uint32()
            raise_for_status(lib.nuvraTokenizerGetTextLength(h, ctypes.byref(length)),
                             "nuvraTokenizerGetTextLength")
            buffer = ctypes.create_string_buffer(length.value)
            raise_for_status(lib.nuvraTokenizerGetText(h, buffer, length.value),
                             "nuvraTokenizerGetText")
            return buffer.raw[:length.value - 1]

    def vocab_size(self):
        size = ctypes.c_uint32()
        with self.lock:
            self._check_open("nuvraTokenizerGetVocabSize")
            raise_for_status(self.lib.nuvraTokenizerGetVocabSize(self.pointer, ctypes.byref(size)),
                             "nuvraTokenizerGetVocabSize")
        return size.value

    def vocab_entry(self, index):
        text = ctypes.c_char_p()
        with self.lock:
            self._check_open("nuvraTokenizerGetVocab")
            raise_for_status(self.lib.nuvraTokenizerGetVocab(self.pointer, index,
                                                             ctypes.byref(text)),
                             "nuvraTokenizerGetVocab", detail=f"id {index}")
            return text.value

    def _check_open(self, call):
        if not self.pointer:
            raise InvalidArgumentError(f"{call}: the tokenizer is closed", call=call)


class Tokenizer:
    """A tokenizer of one of the eleven types, by number or name, with the
    resource files the type needs:

        with Tokenizer("bpe-files", vocab="vocab.json", merges="merges.txt") as t:
            ids = t.encode("Hello world")

    A Tokenizer may be shared between threads (calls on it are serialised);
    encode_batch runs one handle per thread instead."""

    def __init__(self, type=0, *, vocab=None, merges=None, added_tokens=None, config=None,
                 model=None, dictionary=None, utf8_safe=False):
        self.type = _type_number(type)
        given = {"vocab": vocab, "merges": merges, "added_tokens": added_tokens,
                 "config": config, "model": model, "dictionary": dictionary}
        self._files = [(call, os.fsdecode(_path_bytes(given[key], call)),
                        _path_bytes(given[key], call), what)
                       for key, call, what in _FILES if given[key] is not None]
        self._flags = 1 if utf8_safe else 0
        self._lib = _library_handle()
        self._handle = _Handle(self._lib, self.type, self._flags, self._files)
        self._workers = []
        self._workers_lock = threading.Lock()
        self._token_ids = None

    # Lifecycle.
    def close(self):
        for handle in [self._handle] + self._workers:
            with handle.lock:
                handle.close()
        self._workers = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        if getattr(self, "_handle", None) is not None:
            self.close()

    # Encode.
    def encode(self, text, special=False):
        """Token ids of `text` (str or UTF-8 bytes); with special=True the
        special-token texts in it become their single tokens."""
        return self._handle.encode(_text_bytes(text, "encode"), special)

    def encode_batch(self, texts, special=False, threads=1):
        """Token ids of each text, in order; `threads` handles work at once
        (ctypes releases the GIL during each call), giving the same ids."""
        data = [_text_bytes(text, "encode_batch") for text in texts]
        threads = max(1, min(operator.index(threads), len(data)))
        if threads == 1:
            return [self._handle.encode(d, special) for d in data]
        handles = [self._handle] + self._worker_handles(threads - 1)
        step = -(-len(data) // threads)
        chunks = [data[i:i + step] for i in range(0, len(data), step)]

        def run(handle, chunk):
            return [handle.encode(d, special) for d in chunk]

        with concurrent.futures.ThreadPoolExecutor(max_workers=len(chunks)) as pool:
            parts = list(pool.map(run, handles, chunks))
        return [ids for part in parts for ids in part]

    def encode_records(self, text, special=False):
        """Tokens of `text` with word ids and code-point spans (types 7 and 8;
        None elsewhere)."""
        data = _text_bytes(text, "encode_records")
        if self.type not in _SPAN_TYPES:
            return [Token(i, None, None, None) for i in self._handle.encode(data, special)]
        ids, (words, starts, ends) = self._handle.encode(data, special, records=True)
        return [Token(*fields) for fields in zip(ids, words, starts, ends)]

    # Decode.
    def decode(self, ids, skip_special=True):
        """Text of `ids`; special tokens are left out unless skip_special is
        False. Bytes that are not UTF-8 (a cut character) become U+FFFD."""
        if isinstance(ids, (str, bytes)):
            raise TypeError("decode: ids must be a sequence of ints")
        try:
            values = [operator.index(i) for i in ids]
        except TypeError:
            raise TypeError("decode: ids must be a sequence of ints") from None
        size = self.vocab_size
        for i in values:
            if not 0 <= i < size:
                raise InvalidArgumentError(f"decode: id {i} is outside the vocabulary "
                                           f"(size {size})", call="decode")
        if len(values) > 2**32 - 1:
            raise InvalidArgumentError("decode: too many ids", call="decode")
        return self._handle.decode(values, skip_special).decode("utf-8", errors="replace")

    # Vocabulary.
    @property
    def vocab_size(self):
        return self._handle.vocab_size()

    def id_to_token(self, id):
        """The vocabulary entry of `id`, in the type's own form (byte-level
        symbols, "</w>" word ends, "##" continuations, pieces)."""
        index = operator.index(id)
        if not _INT32[0] <= index <= _INT32[1]:
            raise InvalidArgumentError(f"id_to_token: id {index} is outside the vocabulary",
                                       call="nuvraTokenizerGetVocab")
        return self._handle.vocab_entry(index).decode("utf-8", errors="replace")

    def token_to_id(self, token):
        """The id of a vocabulary entry, or None. The C interface has no such
        call: the first use reads the whole vocabulary (the last id wins)."""
        key = _text_bytes(token, "token_to_id")
        if self._token_ids is None:
            self._token_ids = {self._handle.vocab_entry(i): i for i in range(self.vocab_size)}
        return self._token_ids.get(key)

    def _worker_handles(self, count):
        with self._workers_lock:
            while len(self._workers) < count:
                self._workers.append(_Handle(self._lib, self.type, self._flags, self._files))
            return self._workers[:count]
