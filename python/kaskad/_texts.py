"""Field texts from the arguments of kaskad's functions: texts as given,
numbers as their shortest texts, everything else refused with a plain message."""

import numbers
from collections.abc import Mapping, Set

import numpy as np


def checked_text(text, what):
    """A str that Kaskad can take: one without a lone surrogate, which no UTF-8 encodes."""
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:
        raise ValueError(f"{what} {text!r} holds a lone surrogate, which is no character") from None
    return text


def _number_text(value):
    """The shortest text that reads back to the same number of its own width:
    Python's repr for a float, numpy's shortest form for np.float32 and the
    other numpy widths (np.float32(0.05) -> "0.05", not "0.0500000007")."""
    if not np.isfinite(value):
        raise ValueError(f"{value!r} has no field text: a field holds a finite number")
    if isinstance(value, np.floating) and not isinstance(value, float):
        return str(value)
    return repr(float(value))


def field_text(value, decimal_separator="."):
    """The field text of a str, int or float argument.

    A str is the field text itself. An int is its decimal digits. A float is
    the shortest text that reads back to the same number (0.05 -> "0.05",
    1e-07 -> "1e-07", 3.0 -> "3"), written with the decimal separator; the
    field then reads it as it reads any typed text.
    """
    if isinstance(value, str):
        return checked_text(value, "the field text")
    if isinstance(value, (bool, np.bool_)):
        raise TypeError("a field takes a text or a number, not a bool")
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real):
        text = _number_text(value)
        if text.endswith(".0"):
            text = text[:-2]
        return text.replace(".", decimal_separator)
    raise TypeError(f"a field takes a text or a number, not {type(value).__name__}")


def sweep_items(value):
    """The values of a swept field given as a sequence or a one-dimensional
    array; bytes, mappings and sets, which iterate as something else, are refused."""
    if isinstance(value, (bytes, bytearray, memoryview)):
        raise TypeError(f"a swept field takes a text, a number or a sequence of them, not {type(value).__name__}: "
                        "decode bytes to a str first")
    if isinstance(value, (Mapping, Set)):
        raise TypeError(f"a swept field takes a text, a number or a sequence of them, not {type(value).__name__}")
    if isinstance(value, np.ndarray) and value.ndim != 1:
        raise ValueError(f"a swept field's array is one-dimensional, not of shape {value.shape}")
    try:
        items = list(value)
    except TypeError:
        raise TypeError(f"a swept field takes a text, a number or a sequence, not {type(value).__name__}") from None
    if not items:
        raise ValueError("a swept field's sequence holds no value")
    return items


def sweep_text(value, decimal_separator="."):
    """The option text of a swept field: a text (a range "FROM:TO:STEP" or a
    list "A;B;C" included), a number, or a sequence of texts and numbers,
    which becomes a list."""
    if isinstance(value, (str, numbers.Number)):
        return field_text(value, decimal_separator)
    texts = [field_text(item, decimal_separator) for item in sweep_items(value)]
    if len(texts) == 1 and ":" not in texts[0] and ";" not in texts[0]:
        return texts[0]
    return ";".join(texts)


def separator_text(decimal_separator):
    """The decimal separator argument, checked for its type; its character is checked by Kaskad."""
    if not isinstance(decimal_separator, str):
        raise TypeError(f"decimal_separator takes a one-character str, not {type(decimal_separator).__name__}")
    return checked_text(decimal_separator, "the decimal separator")


#: The most threads kaskad-cli's --jobs takes.
MAX_JOBS = 1024


def jobs_count(jobs):
    """The threads of `jobs`: None or -1 for every core (None to Kaskad), else 1..MAX_JOBS."""
    if jobs is None or (isinstance(jobs, numbers.Integral) and not isinstance(jobs, (bool, np.bool_)) and jobs == -1):
        return None
    if isinstance(jobs, (bool, np.bool_)) or not isinstance(jobs, numbers.Integral):
        raise TypeError(f"jobs takes a whole number from 1 to {MAX_JOBS}, -1 or None (every core), "
                        f"not {type(jobs).__name__}")
    if not 1 <= jobs <= MAX_JOBS:
        raise ValueError(f"jobs takes a whole number from 1 to {MAX_JOBS}, -1 or None (every core), not {jobs}")
    return int(jobs)


def flag(value, name):
    """A yes-or-no argument: True or False (numpy's bools too), nothing else."""
    if isinstance(value, (bool, np.bool_)):
        return bool(value)
    raise TypeError(f"{name} takes True or False, not {value!r}")


def whole_number(value, name):
    """A whole-number argument: an int (numpy's too), not a bool or a float."""
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} takes a whole number, not {type(value).__name__}")
    return int(value)


def whole_number_in(value, name, least, most):
    """A whole-number argument from `least` to `most`: the limits kaskad-cli
    puts on its option, or the width Kaskad stores it at. UsageError outside them."""
    value = whole_number(value, name)
    if not least <= value <= most:
        from ._kaskad import UsageError
        raise UsageError(f"{name}: must be from {least} to {most}, not {value}")
    return value


def text_argument(value, name):
    """A str argument, checked as every text Kaskad takes."""
    if not isinstance(value, str):
        raise TypeError(f"{name} takes a str, not {type(value).__name__}")
    return checked_text(value, name)
