"""Finds libnuvra_tokenizer and declares the prototypes of its 29 functions."""

import ctypes
import ctypes.util
import os
import sys

_NAMES = ("libnuvra_tokenizer.so.0", "libnuvra_tokenizer.so")


def _candidates():
    explicit = os.environ.get("NUVRA_TOKENIZER_LIBRARY")
    if explicit:
        yield explicit
        return
    # The dynamic loader's own search first, then the prefixes a
    # `cmake --install` commonly targets, which the loader may not know.
    yield from _NAMES
    found = ctypes.util.find_library("nuvra_tokenizer")
    if found:
        yield found
    for prefix in (sys.prefix, "/usr/local", os.path.expanduser("~/.local")):
        for libdir in ("lib", "lib64", "lib/x86_64-linux-gnu"):
            for name in _NAMES:
                yield os.path.join(prefix, libdir, name)


def load():
    errors = []
    for candidate in _candidates():
        try:
            return _declare(ctypes.CDLL(candidate))
        except OSError as error:
            errors.append(str(error))
    raise ImportError("cannot load libnuvra_tokenizer; install it or set "
                      "NUVRA_TOKENIZER_LIBRARY to its path (" + "; ".join(errors[:3]) + ")")


def _declare(lib):
    i32, u32 = ctypes.c_int32, ctypes.c_uint32
    handle = ctypes.c_void_p
    p_i32, p_u32 = ctypes.POINTER(i32), ctypes.POINTER(u32)
    prototypes = {
        "Create": (ctypes.POINTER(handle), i32, i32),
        "Encode": (handle, ctypes.c_char_p),
        "EncodeWithSpecialTokens": (handle, ctypes.c_char_p),
        "Decode": (handle, p_i32, u32),
        "DecodeWithSpecialTokens": (handle, p_i32, u32),
        "GetTokenCount": (handle, p_u32),
        "GetTokens": (handle, p_i32, u32),
        "GetWordIDs": (handle, p_i32, u32),
        "GetCharStarts": (handle, p_i32, u32),
        "GetCharEnds": (handle, p_i32, u32),
        "GetTextLength": (handle, p_u32),
        "GetText": (handle, ctypes.c_char_p, u32),
        "GetVocabSize": (handle, p_u32),
        "GetVocab": (handle, i32, ctypes.POINTER(ctypes.c_char_p)),
        "Utf8ToUtf32": (p_u32, p_u32, ctypes.c_char_p, u32),
        "Utf32ToUtf8": (ctypes.c_char_p, p_u32, u32),
    }
    for kind in ("Model", "Dictionary", "Vocab", "Merge", "AddedTokens", "TokenizerConfig"):
        prototypes[f"Open{kind}FileA"] = (handle, ctypes.c_char_p)
        prototypes[f"Open{kind}FileW"] = (handle, ctypes.c_wchar_p)
    for name, argtypes in prototypes.items():
        function = getattr(lib, "nuvraTokenizer" + name)
        function.argtypes = argtypes
        function.restype = i32
    lib.nuvraTokenizerDestroy.argtypes = (handle,)
    lib.nuvraTokenizerDestroy.restype = None
    return lib
