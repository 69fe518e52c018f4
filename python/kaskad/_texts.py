"""Field texts from the arguments of kaskad's functions: texts as given, numbers as their shortest texts."""

import numbers


def field_text(value, decimal_separator="."):
    """The field text of a str, int or float argument.

    A str is the field text itself. An int is its decimal digits. A float is
    the shortest text that reads back to the same double (Python's repr:
    0.05 -> "0.05", 1e-07 -> "1e-07", 3.0 -> "3"), written with the decimal
    separator; the field then reads it as it reads any typed text.
    """
    if isinstance(value, str):
        return value
    if isinstance(value, bool):
        raise TypeError("a field takes a text or a number, not a bool")
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real):
        number = float(value)
        if number != number or number in (float("inf"), float("-inf")):
            raise ValueError(f"{number!r} has no field text: a field holds a finite number")
        text = repr(number)
        if text.endswith(".0"):
            text = text[:-2]
        return text.replace(".", decimal_separator)
    raise TypeError(f"a field takes a text or a number, not {type(value).__name__}")


def sweep_text(value, decimal_separator="."):
    """The option text of a swept field: a text (a range "FROM:TO:STEP" or a
    list "A;B;C" included), a number, or a sequence of texts and numbers,
    which becomes a list."""
    if isinstance(value, (str, numbers.Number)):
        return field_text(value, decimal_separator)
    try:
        items = list(value)
    except TypeError:
        raise TypeError(f"a swept field takes a text, a number or a sequence, not {type(value).__name__}") from None
    if not items:
        raise ValueError("a swept field's sequence holds no value")
    texts = [field_text(item, decimal_separator) for item in items]
    if len(texts) == 1 and ":" not in texts[0] and ";" not in texts[0]:
        return texts[0]
    return ";".join(texts)
