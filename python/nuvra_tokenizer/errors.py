"""One exception class per failure status of the C interface."""

SUCCESS = 0
INVALID_ARGUMENT = -1
ERROR_FILE_API = -2
MEMORY_INSUFFICIENT = -5
INVALID_STATE = -7
UNKNOWN = -128


class NuvraTokenizerError(Exception):
    """A call failed; `status`, `call` and `path` (or None) say which and how."""

    status = None

    def __init__(self, message, call=None, path=None):
        super().__init__(message)
        self.call = call
        self.path = path


class InvalidArgumentError(NuvraTokenizerError, ValueError):
    status = INVALID_ARGUMENT


class FileApiError(NuvraTokenizerError, OSError):
    status = ERROR_FILE_API


class MemoryInsufficientError(NuvraTokenizerError, MemoryError):
    status = MEMORY_INSUFFICIENT


class InvalidStateError(NuvraTokenizerError):
    status = INVALID_STATE


class UnknownError(NuvraTokenizerError):
    status = UNKNOWN


_BY_STATUS = {cls.status: cls for cls in (InvalidArgumentError, FileApiError,
                                           MemoryInsufficientError, InvalidStateError,
                                           UnknownError)}


def raise_for_status(status, call, path=None, detail=None):
    if status == SUCCESS:
        return
    cls = _BY_STATUS.get(status, UnknownError)
    message = f"{call} failed with status {status} ({cls.__name__})"
    if path is not None:
        message += f" on {path!r}"
    if detail:
        message += f": {detail}"
    raise cls(message, call=call, path=path)
