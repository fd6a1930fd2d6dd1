"""JSON Schema (draft 2020-12) for exactly the keywords docs/result-line.schema.json
and docs/progress-line.schema.json use, and the check of a line against them.

    validate(instance, schema)     raises ValueError naming the problems
    validate_result_line(obj)      the same against the result-line schema
    validate_progress_line(obj)    the same against the progress-line schema

A keyword this validator does not know is refused rather than ignored, so the
schema cannot grow a rule that nothing checks.
"""

import functools
import json
from pathlib import Path

RESULT_LINE_SCHEMA = Path(__file__).resolve().parents[2] / "docs" / "result-line.schema.json"
PROGRESS_LINE_SCHEMA = Path(__file__).resolve().parents[2] / "docs" / "progress-line.schema.json"

ANNOTATIONS = {"$schema", "title", "description"}


def json_type(value) -> str:
    if value is None:
        return "null"
    if isinstance(value, bool):  # before int: True is an int in Python
        return "boolean"
    if isinstance(value, int):
        return "integer"
    if isinstance(value, float):
        return "number"
    if isinstance(value, str):
        return "string"
    if isinstance(value, list):
        return "array"
    if isinstance(value, dict):
        return "object"
    raise ValueError("not a JSON value: %r" % (value,))


def json_equal(a, b) -> bool:
    """Equality as JSON sees it: false is not 0, 1.0 is 1."""
    kind_a, kind_b = json_type(a), json_type(b)
    numbers = {"integer", "number"}
    if kind_a != kind_b and not (kind_a in numbers and kind_b in numbers):
        return False
    if kind_a == "array":
        return len(a) == len(b) and all(json_equal(x, y) for x, y in zip(a, b))
    if kind_a == "object":
        return a.keys() == b.keys() and all(json_equal(a[key], b[key]) for key in a)
    return a == b


def problems(instance, schema, where="the value") -> list:
    """Every way the instance fails the schema; empty when it is valid."""
    unknown = set(schema) - ANNOTATIONS - set(KEYWORDS)
    if unknown:
        raise ValueError("schema keyword not supported: %s" % ", ".join(sorted(unknown)))
    found = []
    for keyword, check in KEYWORDS.items():
        if keyword in schema:
            found += check(instance, schema[keyword], schema, where)
    return found


def validate(instance, schema, where="the value"):
    found = problems(instance, schema, where)
    if found:
        raise ValueError("; ".join(found))


@functools.lru_cache(maxsize=None)
def result_line_schema():
    return json.loads(RESULT_LINE_SCHEMA.read_text(encoding="utf-8"))


def validate_result_line(obj):
    """Raises ValueError naming the problem when obj (the parsed line) has no documented shape."""
    validate(obj, result_line_schema(), "the result line")


@functools.lru_cache(maxsize=None)
def progress_line_schema():
    return json.loads(PROGRESS_LINE_SCHEMA.read_text(encoding="utf-8"))


def validate_progress_line(obj):
    validate(obj, progress_line_schema(), "the progress line")


def _type(instance, expected, schema, where):
    kind = json_type(instance)
    allowed = expected if isinstance(expected, list) else [expected]
    if kind in allowed or (kind == "integer" and "number" in allowed):
        return []
    return ["%s is %s, not %s" % (where, kind, " or ".join(allowed))]


def _const(instance, expected, schema, where):
    return [] if json_equal(instance, expected) else ["%s is %s, not %s" % (where, _show(instance), _show(expected))]


def _enum(instance, expected, schema, where):
    if any(json_equal(instance, value) for value in expected):
        return []
    return ["%s is %s, not one of %s" % (where, _show(instance), ", ".join(_show(value) for value in expected))]


def _min_length(instance, expected, schema, where):
    if json_type(instance) != "string" or len(instance) >= expected:
        return []
    return ["%s is shorter than %d characters" % (where, expected)]


def _max_length(instance, expected, schema, where):
    if json_type(instance) != "string" or len(instance) <= expected:
        return []
    return ["%s is longer than %d characters" % (where, expected)]


def _minimum(instance, expected, schema, where):
    if json_type(instance) not in ("integer", "number") or instance >= expected:
        return []
    return ["%s is below %s" % (where, expected)]


def _maximum(instance, expected, schema, where):
    if json_type(instance) not in ("integer", "number") or instance <= expected:
        return []
    return ["%s is above %s" % (where, expected)]


def _items(instance, expected, schema, where):
    if json_type(instance) != "array":
        return []
    found = []
    for index, item in enumerate(instance):
        found += problems(item, expected, "item %d of %s" % (index, where))
    return found


def _properties(instance, expected, schema, where):
    if json_type(instance) != "object":
        return []
    found = []
    for name, member_schema in expected.items():
        if name in instance:
            found += problems(instance[name], member_schema, 'member "%s"' % name)
    return found


def _required(instance, expected, schema, where):
    if json_type(instance) != "object":
        return []
    return ['member "%s" is missing' % name for name in expected if name not in instance]


def _additional_properties(instance, expected, schema, where):
    if json_type(instance) != "object":
        return []
    found = []
    for name in instance:
        if name in schema.get("properties", {}):
            continue
        if expected is False:
            found.append('member "%s" is not allowed' % name)
        elif expected is not True:
            found += problems(instance[name], expected, 'member "%s"' % name)
    return found


def _one_of(instance, branches, schema, where):
    results = [(branch.get("title", "branch %d" % number), problems(instance, branch, where))
               for number, branch in enumerate(branches, 1)]
    matched = [title for title, found in results if not found]
    if len(matched) == 1:
        return []
    if matched:
        return ["%s matches more than one shape: %s" % (where, ", ".join(matched))]
    fewest = min(len(found) for _, found in results)
    closest = [(title, "; ".join(found)) for title, found in results if len(found) == fewest]
    if len({text for _, text in closest}) == 1:
        return [closest[0][1]]
    return ["%s matches no shape; closest: %s" % (where, " or ".join("%s (%s)" % pair for pair in closest))]


def _show(value):
    return json.dumps(value, ensure_ascii=False)


KEYWORDS = {
    "type": _type,
    "const": _const,
    "enum": _enum,
    "minLength": _min_length,
    "maxLength": _max_length,
    "minimum": _minimum,
    "maximum": _maximum,
    "items": _items,
    "properties": _properties,
    "required": _required,
    "additionalProperties": _additional_properties,
    "oneOf": _one_of,
}
