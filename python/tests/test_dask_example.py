import json
import os
import subprocess
import sys
from pathlib import Path

from nuvra_tokenizer import Tokenizer

EXAMPLE = Path(__file__).resolve().parents[1] / "examples/dask_tokenize.py"


def test_two_worker_cluster_equals_one_process(data, tmp_path):
    lines = (data / "text/botchan.txt").read_bytes().splitlines(keepends=True)
    shards = tmp_path / "shards"
    shards.mkdir()
    for i in range(3):
        (shards / f"part{i}.txt").write_bytes(b"".join(lines[i * 300:(i + 1) * 300]))
    env = dict(os.environ, PYTHONPATH=str(EXAMPLE.parents[1]))
    subprocess.run([sys.executable, str(EXAMPLE), str(shards), str(tmp_path / "out"),
                    "--workers", "2", "--format", "u16"], check=True, env=env, timeout=300)
    index = json.loads((tmp_path / "out/index.json").read_text())
    with Tokenizer() as t:
        for record in index["shards"]:
            text = (shards / record["shard"]).read_bytes()
            expected = [i for line in text.splitlines() for i in t.encode(line)]
            got = (tmp_path / "out" / record["output"]).read_bytes()
            assert [int.from_bytes(got[k:k + 2], "little") for k in range(0, len(got), 2)] \
                == expected
            assert record["tokens"] == len(expected) and record["bytes"] == len(text)
