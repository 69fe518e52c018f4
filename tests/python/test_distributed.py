# Sweeps on a local Dask cluster of two worker processes: the frame is the
# local sweep's, failed points included, however the points are chunked,
# and a chunk lost with its worker is computed again.
import os
import signal

import pandas as pd
import pytest
from distributed import Client, LocalCluster, wait

import kaskad
import kaskad.distributed

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
    _, texts = kaskad._sweep_plan("bubble", BUBBLE, ".")
    # Compute the chunks, then kill the worker holding the first: gathering
    # must compute it again on a worker that lives.
    futures = [client.submit(kaskad.distributed._chunk_arrays, "bubble", texts, ".", (True, False, False), k, 4, 1,
                             key=f"test-lost-chunk-{k}") for k in range(1, 5)]
    wait(futures)
    holder = list(client.who_has(futures[0])[futures[0].key])[0]
    pid = client.run(os.getpid, workers=[holder])[holder]
    os.kill(pid, signal.SIGKILL)
    parts = client.gather(futures)
    pd.testing.assert_frame_equal(kaskad._frame.sweep_frame(parts), local)
    assert len(kaskad.distributed.sweep(client, "bubble", **fields)) == len(local)
