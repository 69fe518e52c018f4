# Sweeps on a local Dask cluster of two worker processes: the frame is the
# local sweep's, failed points included, however the points are chunked,
# and a chunk lost with its worker is computed again.
import json
import os
import signal
import threading
import time

import numpy as np
import pandas as pd
import xarray as xr
import pytest
from distributed import Client, LocalCluster, wait

import kaskad
import kaskad.distributed
from conftest import run_cli

BUBBLE = dict(N="3;30", wg="0:0.1:0.005", t="430;433;436;440", dtr="1;2")  # 336 points, failures among them
GASLIFT = dict(N="1:12:1", t="440:460:5", ts="1800:3600:600")              # 240 points


@pytest.fixture(scope="module")
def client():
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0") as cluster, \
            Client(cluster) as client:
        yield client


@pytest.mark.parametrize("model,fields,options,chunks", [
    ("bubble", BUBBLE, {}, None),
    ("bubble", BUBBLE, {"outlet": True, "criterion": True}, 7),
    ("gaslift", GASLIFT, {"criterion": True}, 240),
    ("gaslift", GASLIFT, {"outlet": True}, 1000),
], ids=["bubble_default_chunks", "bubble_outlet_criterion_seven_chunks", "gaslift_a_chunk_per_point",
        "gaslift_more_chunks_than_points"])
def test_the_cluster_sweep_is_the_local_sweep(client, model, fields, options, chunks):
    local = kaskad.sweep(model, **options, **fields)
    remote = kaskad.distributed.sweep(client, model, chunks=chunks, **options, **fields)
    pd.testing.assert_frame_equal(remote, local)
    assert kaskad.to_csv(remote) == kaskad.to_csv(local)


STUDY = {"kaskad-study": 1, "model": "bubble", "decimal-separator": ".",
         "fields": {"N": "3;30", "y10": "3", "y50": "2.5", "wg": "0:0.1:0.005", "t": "430;436", "dtr": "2", "d": "3",
                    "ts": "3600"}}


@pytest.mark.parametrize("options", [
    dict(best=5, chunks=5, **BUBBLE),
    dict(outlet=True, best=40, only_meeting=True, chunks=3, **BUBBLE),
    dict(criterion=True, shard=(2, 3), chunks=4, **BUBBLE),
    dict(fields="columns", outlet=True, **BUBBLE),
    dict(study="STUDY", outlet=True, t="433;440"),
], ids=["best_of_five_chunks", "best_meeting_outlets", "shard", "fields_as_columns", "study_with_a_field_changed"])
def test_the_cluster_sweep_takes_the_local_sweeps_arguments(client, tmp_path, options):
    study = tmp_path / "s.kaskad-study.json"
    study.write_text(json.dumps(STUDY), encoding="utf-8")
    options = {name: str(study) if value == "STUDY" else value for name, value in options.items()}
    chunks = options.pop("chunks", None)
    local = kaskad.sweep("bubble", **options)
    pd.testing.assert_frame_equal(kaskad.distributed.sweep(client, "bubble", chunks=chunks, **options), local)


def test_the_cluster_sweep_refuses_best_or_shard_with_a_study_on_disk(client, tmp_path):
    for option in (dict(best=3), dict(shard=(1, 2))):
        with pytest.raises(kaskad.UsageError, match="a study written to disk holds them all"):
            kaskad.distributed.sweep(client, "bubble", to=tmp_path / "s.zarr", **option, **BUBBLE)
    assert not os.listdir(tmp_path)


def test_ctrl_c_raises_interrupted_with_the_leading_chunks_and_leaves_the_client_usable(client):
    fields = dict(N=24, t="400:1399:1", ts="1000:1999:1", outlet=True)   # a million points in 200 chunks
    sent = []

    def ctrl_c():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    def once_a_chunk_is_in(done, total):
        # The signal comes while the driver waits for the next chunk, not in this callback.
        if not sent and 0 < done < total:
            sent.append(None)
            threading.Timer(0.05, ctrl_c).start()

    with pytest.raises(kaskad.Interrupted) as raised:
        kaskad.distributed.sweep(client, "bubble", chunks=200, progress=once_a_chunk_is_in, **fields)
    assert time.monotonic() - sent[1] < 0.5
    frame, points = raised.value.frame, raised.value.points
    leading = np.cumsum([end - begin for begin, end in (kaskad.shard_range(10**6, k, 200) for k in range(1, 201))])
    assert points in leading[:-1] and len(frame) == points
    order = np.arange(points)
    assert (frame["t_in"].to_numpy() == 400 + order // 1000).all() and (frame["ts"].to_numpy() == 1000 + order % 1000).all()
    last = kaskad.bubble(N=24, t=int(frame["t_in"].iloc[-1]), ts=int(frame["ts"].iloc[-1]))
    assert [frame[q].iloc[-1] for q in kaskad.QUANTITIES] == list(last.reactors[-1][1:])
    pd.testing.assert_frame_equal(kaskad.distributed.sweep(client, "gaslift", outlet=True, chunks=4, **GASLIFT),
                                  kaskad.sweep("gaslift", outlet=True, **GASLIFT))


def test_chunks_are_the_shards_of_the_command_line():
    count = kaskad.distributed.chunk_count(336, 2)
    assert count == 8
    ranges = [kaskad.shard_range(336, k, count) for k in range(1, count + 1)]
    assert ranges[0][0] == 0 and ranges[-1][1] == 336
    assert all(a[1] == b[0] for a, b in zip(ranges, ranges[1:]))
    assert kaskad.distributed.chunk_count(400_000, 2) == 8
    assert kaskad.distributed.chunk_count(1_000_000, 2) == 20
    assert kaskad.distributed.chunk_count(3, 8) == 3


def test_a_chunk_lost_with_its_worker_is_computed_again(client):
    local = kaskad.sweep("bubble", outlet=True, **BUBBLE)
    fields = dict(outlet=True, **BUBBLE)
    plan, texts = kaskad._sweep_plan("bubble", BUBBLE, ".")
    # Compute the chunks, then kill the worker holding the first: gathering
    # must compute it again on a worker that lives.
    futures = [client.submit(kaskad.distributed._chunk_arrays, k, "bubble", texts, ".", (True, False, False), 4, 1,
                             key=f"test-lost-chunk-{k}") for k in range(1, 5)]
    wait(futures)
    holder = list(client.who_has(futures[0])[futures[0].key])[0]
    pid = client.run(os.getpid, workers=[holder])[holder]
    os.kill(pid, signal.SIGKILL)
    parts = client.gather(futures)
    description = kaskad._description("bubble", plan.swept_fields, texts, ".")
    pd.testing.assert_frame_equal(kaskad._frame.sweep_frame(parts, description), local)
    assert len(kaskad.distributed.sweep(client, "bubble", **fields)) == len(local)


def test_a_sweep_written_to_files_is_the_command_lines_csv(client, tmp_path):
    written = kaskad.distributed.sweep(client, "bubble", criterion=True, chunks=5, to=tmp_path, **BUBBLE)
    assert written.points == 336 and [os.path.basename(p) for p in written.paths] == [
        f"part-0000{k}.csv" for k in range(1, 6)]
    cli = run_cli("sweep", "bubble", "--N", "3;30", "--y10", "3", "--y50", "2.5", "--wg", "0:0.1:0.005", "--t",
                  "430;433;436;440", "--dtr", "1;2", "--d", "3", "--ts", "3600", "--criterion", "--format", "csv")
    pieces = [open(path, encoding="utf-8").read() for path in written.paths]
    assert pieces[0] + "".join(piece[piece.index("\n") + 1:] for piece in pieces[1:]) == cli
    assert sorted(os.listdir(tmp_path)) == ["kaskad-study.json"] + [os.path.basename(p) for p in written.paths]
    pd.testing.assert_frame_equal(kaskad.read_csv(tmp_path / "part-*.csv"), kaskad.sweep("bubble", criterion=True,
                                                                                        **BUBBLE))


def test_a_folder_of_another_study_is_refused_and_the_same_study_resumes(client, tmp_path):
    kaskad.distributed.sweep(client, "bubble", N=3, wg="0.01:0.06:0.01", outlet=True, to=tmp_path, chunks=6)
    with pytest.raises(kaskad.UsageError, match=r"wg=0.01..0.06 \(6 values\) there, wg=0.1..0.3 \(3 values\) here"):
        kaskad.distributed.sweep(client, "bubble", N=3, wg="0.1:0.3:0.1", outlet=True, to=tmp_path, chunks=3)
    os.remove(tmp_path / "part-00004.csv")
    (tmp_path / "part-00002.csv.0123abcd.tmp").write_text("left by a killed worker")
    again = kaskad.distributed.sweep(client, "bubble", N=3, wg="0.01:0.06:0.01", outlet=True, to=tmp_path)
    assert (again.chunks, again.computed) == (6, 1)
    assert not [name for name in os.listdir(tmp_path) if name.endswith(".tmp")]
    assert list(kaskad.read_csv(tmp_path / "part-*.csv")["wg_text"].astype(str)) == [
        "0.01", "0.02", "0.03", "0.04", "0.05", "0.06"]


def test_a_zarr_study_on_the_cluster_is_the_local_study(client, tmp_path):
    options = dict(outlet=True, criterion=True, **BUBBLE)
    remote = kaskad.distributed.sweep(client, "bubble", to=tmp_path / "remote.zarr", chunks=7, **options)
    local = kaskad.sweep("bubble", to=tmp_path / "local.zarr", chunks=7, **options)
    assert (remote.points, remote.chunks, remote.computed) == (local.points, local.chunks, local.computed)
    opened = kaskad.open_study(remote.path)
    assert kaskad.to_csv(opened) == kaskad.to_csv(kaskad.open_study(local.path))
    plain = xr.open_zarr(remote.path)
    assert plain["y2"].dtype == np.float32 and plain["P"].dtype == np.float64
    assert plain["y2"].equals(opened["y2"])
    assert kaskad.distributed.sweep(client, "bubble", to=tmp_path / "remote.zarr", **options).computed == 0


def test_the_cluster_sweep_takes_progress_and_as_xarray(client):
    seen = []
    ds = kaskad.distributed.sweep(client, "gaslift", outlet=True, chunks=4, as_xarray=True,
                                  progress=lambda done, total: seen.append((done, total)), **GASLIFT)
    assert seen[-1] == (240, 240) and [done for done, _ in seen] == sorted(done for done, _ in seen)
    assert ds.identical(kaskad.sweep("gaslift", outlet=True, as_xarray=True, **GASLIFT))


def test_futures_on_request(client):
    pending = kaskad.distributed.sweep(client, "gaslift", outlet=True, compute=False, chunks=3, **GASLIFT)
    assert len(pending.futures) == 3
    pd.testing.assert_frame_equal(pending.result(), kaskad.sweep("gaslift", outlet=True, **GASLIFT))


def _failing_run(wg):
    return kaskad.bubble(N=3, wg=wg, raise_on_error=True)


def test_runs_and_errors_travel_between_processes(client):
    runs = client.gather(client.map(lambda wg: kaskad.bubble(N=3, wg=wg), [0.04, 0.05]))
    assert [run.text("y1", 3) for run in runs] == [kaskad.bubble(N=3, wg=wg).text("y1", 3) for wg in (0.04, 0.05)]
    with pytest.raises(kaskad.EZeroDivide) as raised:
        client.submit(_failing_run, 0).result()
    assert raised.value.run.error.reactor == 1


@pytest.mark.parametrize("options,chunks", [
    (dict(samples=120, quantities=("y1",), indices=True, keep_samples=True), 3),
    (dict(samples=60, method="mc", rare=True), None),
], ids=["indices_and_samples_in_three_chunks", "rare_event_default_chunks"])
def test_the_cluster_study_is_the_local_study(client, options, chunks):
    fields = dict(N=3, wg="normal(0.02,0.03)", t="433±1")   # failed runs (wg < 0) among the samples
    local = kaskad.uncertainty("bubble", **options, **fields)
    remote = kaskad.distributed.uncertainty(client, "bubble", chunks=chunks, **options, **fields)
    assert (remote.evaluations, remote.failed_runs, remote.probability_meets, remote.probability_meets_ci95) == \
        (local.evaluations, local.failed_runs, local.probability_meets, local.probability_meets_ci95)
    pd.testing.assert_frame_equal(remote.summary, local.summary)
    assert (remote.margins.tobytes(), remote.rare) == (local.margins.tobytes(), local.rare)
    for name in ("indices", "samples"):
        if getattr(local, name) is None:
            assert getattr(remote, name) is None
        else:
            pd.testing.assert_frame_equal(getattr(remote, name), getattr(local, name))


def test_a_frame_too_large_for_the_driver_is_refused_before_any_chunk_runs(client, monkeypatch):
    monkeypatch.setattr(kaskad, "available_memory", lambda: 10**6)
    with pytest.raises(MemoryError, match=r'kaskad.sweep\(\.\.\., to="FILE.csv"\)'):
        kaskad.distributed.sweep(client, "bubble", wg="0.001:1:0.001")
    assert not [key for key in client.who_has() if str(key).startswith("kaskad-sweep")]
