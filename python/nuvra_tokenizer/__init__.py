"""Text to token ids and back with libnuvra_tokenizer, through ctypes."""

from .errors import (FileApiError, InvalidArgumentError, InvalidStateError,
                     MemoryInsufficientError, NuvraTokenizerError, UnknownError)
from .tokenizer import TYPES, Token, Tokenizer

__all__ = ["Tokenizer", "Token", "TYPES", "NuvraTokenizerError", "InvalidArgumentError",
           "FileApiError", "MemoryInsufficientError", "InvalidStateError", "UnknownError"]
__version__ = "0.1.0"
