"""Studies as folders of CSV parts: the manifest that names the study, its
parts and their rows, each part written whole with its own header, the
folder resumed or refused, and the inputs of read_csv checked against it."""

import glob
import json
import os
import uuid

from . import _kaskad
from ._study import WrittenStudy, check_free_place, check_same_study

#: The manifest's name in a study's folder.
MANIFEST = "kaskad-study.json"


def part_path(directory, index, count):
    """The file of chunk `index` of `count`: part-00001.csv, ...; names sort in chunk order."""
    return os.path.join(directory, f"part-{index:0{max(5, len(str(count)))}d}.csv")


def _manifest_path(directory):
    return os.path.join(directory, MANIFEST)


def read_manifest(directory):
    """The manifest of a study's folder; None where there is none."""
    try:
        with open(_manifest_path(directory), encoding="utf-8") as file:
            return json.load(file)
    except FileNotFoundError:
        return None


def _write_manifest(directory, manifest):
    """Replaces the manifest whole."""
    temporary = f"{_manifest_path(directory)}.{uuid.uuid4().hex}.tmp"
    with open(temporary, "w", encoding="utf-8") as file:
        json.dump(manifest, file, ensure_ascii=False, indent=1)
    os.replace(temporary, _manifest_path(directory))


def _counted_rows(path):
    """The rows of a part: its lines but the header."""
    lines = 0
    with open(path, "rb") as file:
        for block in iter(lambda: file.read(1 << 20), b""):
            lines += block.count(b"\n")
    return lines - 1


def write_part(index, path, model, option_texts, decimal_separator, options, jobs, count, progress=None):
    """Writes chunk `index` of `count` (1-based) as kaskad-cli's CSV with its
    header, whole or not at all: a temporary file renamed into place.
    Returns its row count."""
    plan = _kaskad.SweepPlan(model, option_texts, decimal_separator)
    begin, end = _kaskad.shard_range(plan.point_count, index, count)
    part = part_path(path, index, count)
    temporary = f"{part}.{uuid.uuid4().hex}.tmp"
    try:
        _kaskad.write_sweep_csv(plan, begin, end, *options, jobs, True, temporary)
        rows = _counted_rows(temporary)
        os.replace(temporary, part)
    except BaseException:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise
    return rows


def _remove_temporaries(directory):
    """Removes the parts a killed task left half-written."""
    for leftover in glob.glob(os.path.join(glob.escape(directory), "part-*.csv.*.tmp")):
        os.remove(leftover)


class CsvFolderStudy:
    """A sweep's study in a folder of CSV parts, made or checked on the
    driver: its parts and those still to compute."""

    def __init__(self, path, definition, plan, option_texts, chunks_wanted):
        self.path = os.path.abspath(os.fspath(path))
        self.plan = plan
        self.function = write_part
        manifest = read_manifest(self.path)
        if manifest is None:
            check_free_place(self.path, "a folder of CSV parts")
            count = max(1, min(plan.point_count, chunks_wanted or 1))
            manifest = {"kaskad-study": 1, "definition": definition, "complete": False,
                        "parts": [{"name": os.path.basename(part_path(self.path, k, count)),
                                   "points": list(_kaskad.shard_range(plan.point_count, k, count)), "rows": None}
                                  for k in range(1, count + 1)]}
            os.makedirs(self.path, exist_ok=True)
            _write_manifest(self.path, manifest)
        else:
            check_same_study(self.path, manifest["definition"], definition)
        self.manifest = manifest
        self.count = len(manifest["parts"])
        _remove_temporaries(self.path)
        self.pending = [k for k in range(1, self.count + 1) if not os.path.exists(self._part(k))]
        self.arguments = {"path": self.path, "model": definition["model"], "option_texts": list(option_texts),
                          "decimal_separator": definition["decimal_separator"],
                          "options": (definition["outlet"], definition["criterion"], definition["only_meeting"]),
                          "count": self.count}

    def _part(self, index):
        return os.path.join(self.path, self.manifest["parts"][index - 1]["name"])

    def points_of(self, index):
        begin, end = self.manifest["parts"][index - 1]["points"]
        return end - begin

    def finish(self, results):
        """Records the rows of each part and whether every part is there."""
        _remove_temporaries(self.path)
        for index, part in enumerate(self.manifest["parts"], start=1):
            if index in results:
                part["rows"] = results[index]
            elif part["rows"] is None and os.path.exists(self._part(index)):
                part["rows"] = _counted_rows(self._part(index))
        self.manifest["complete"] = all(os.path.exists(self._part(k)) for k in range(1, self.count + 1))
        _write_manifest(self.path, self.manifest)
        paths = [self._part(k) for k in range(1, self.count + 1)]
        return WrittenStudy(self.path, self.plan.point_count, self.count, len(results), paths)


def _checked_parts(directory, manifest, paths=None):
    """The parts of a study's folder in order, refused unless every one is
    there; `paths`, when given, must be parts of the study."""
    parts = [os.path.join(directory, part["name"]) for part in manifest["parts"]]
    present = sum(os.path.exists(part) for part in parts)
    if present < len(parts):
        raise ValueError(f"{directory} holds {present} of its {len(parts)} parts: run the same study again to "
                         "complete it, or read the parts it has one by one")
    strangers = sorted(set(map(os.path.abspath, paths or [])) - set(map(os.path.abspath, parts)))
    if strangers:
        raise ValueError(f"{strangers[0]} is no part of the study in {directory}")
    return parts


def csv_sources(given):
    """The files (or the file-like object) read_csv takes: a path, a study's
    folder, a glob pattern, a list of paths, or an object with read(). A
    folder or a glob over a study's folder must hold every part of it."""
    if hasattr(given, "read"):
        return [given]
    if isinstance(given, (list, tuple)):
        return [os.fspath(path) for path in given]
    path = os.fspath(given)
    if os.path.isdir(path):
        manifest = read_manifest(path)
        if manifest is None:
            raise ValueError(f"{path} is a folder without a Kaskad study's {MANIFEST}: give its files")
        return _checked_parts(path, manifest)
    if not glob.has_magic(path):
        return [path]
    paths = sorted(glob.glob(path))
    folders = {os.path.dirname(os.path.abspath(p)) for p in paths} or {os.path.dirname(os.path.abspath(path))}
    for folder in folders:
        manifest = read_manifest(folder)
        if manifest is not None:
            _checked_parts(folder, manifest, [p for p in paths if os.path.dirname(os.path.abspath(p)) == folder])
    if not paths:
        raise FileNotFoundError(f"no file matches {path}")
    return paths
