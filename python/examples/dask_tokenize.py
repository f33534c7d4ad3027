#!/usr/bin/env python3
"""Tokenizes a directory of text shards on a Dask cluster.

Each shard (a text file, one encode per line) becomes one binary token file of
little-endian uint16 or uint32 ids, and index.json lists shard, bytes and
tokens. Without --scheduler a LocalCluster on this machine does the work:

    python3 dask_tokenize.py shards/ tokens/ --workers 2
    python3 dask_tokenize.py shards/ tokens/ --scheduler tcp://10.0.0.5:8786 \\
        --type bpe-files --vocab vocab.json --merges merges.txt --format u32

On a real cluster every worker needs nuvra_tokenizer installed (the library
and `pip install ./python`) and the shard and resource paths visible under
the same names, for example on a shared file system.
"""

import argparse
import json
import os
import sys
from array import array
from pathlib import Path

RESOURCES = ("vocab", "merges", "added_tokens", "config", "model", "dictionary")


def tokenize_shard(shard, output, type, resources, special, typecode):
    """Runs on a worker: encodes every line of `shard` into `output`."""
    from nuvra_tokenizer import Tokenizer

    data = Path(shard).read_bytes()
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    tokens = array(typecode)
    limit = 2 ** (8 * tokens.itemsize)
    with Tokenizer(type, **resources) as tokenizer:
        for number, line in enumerate(lines, 1):
            ids = tokenizer.encode(line[:-1] if line.endswith(b"\r") else line, special=special)
            if ids and max(ids) >= limit:
                raise ValueError(f"{shard}:{number}: id {max(ids)} does not fit in "
                                 f"{8 * tokens.itemsize} bits; use --format u32")
            tokens.extend(ids)
    if sys.byteorder != "little":
        tokens.byteswap()
    with open(output, "wb") as out:
        tokens.tofile(out)
    return {"shard": os.path.basename(shard), "output": os.path.basename(output),
            "bytes": len(data), "tokens": len(tokens)}


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("input", help="directory of text shards")
    parser.add_argument("output", help="directory for the token files and index.json")
    parser.add_argument("--pattern", default="*.txt", help="shard file names (default *.txt)")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--workers", type=int, default=2,
                        help="worker processes of the LocalCluster (default 2)")
    parser.add_argument("--type", default="0", help="tokenizer type, by number or name")
    for name in RESOURCES:
        parser.add_argument("--" + name.replace("_", "-"), help=f"{name} file")
    parser.add_argument("--special", action="store_true",
                        help="recognise special-token texts")
    parser.add_argument("--format", choices=("u16", "u32"), default="u32")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_args(argv)
    from dask.distributed import Client, LocalCluster, progress

    shards = sorted(Path(args.input).glob(args.pattern))
    if not shards:
        sys.exit(f"dask_tokenize: no {args.pattern} shards in {args.input}")
    out_dir = Path(args.output)
    out_dir.mkdir(parents=True, exist_ok=True)
    type = int(args.type) if args.type.isdigit() else args.type
    # Paths go to the workers as given; they must resolve there too.
    resources = {name: os.path.abspath(getattr(args, name))
                 for name in RESOURCES if getattr(args, name)}
    typecode = "H" if args.format == "u16" else "I"

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                               host="127.0.0.1", dashboard_address=None)
        client = Client(cluster)
    with client:
        futures = [client.submit(tokenize_shard, str(shard.resolve()),
                                 str((out_dir / (shard.stem + ".bin")).resolve()), type,
                                 resources, args.special, typecode, pure=False)
                   for shard in shards]
        progress(futures)
        records = client.gather(futures)
        if not args.scheduler:
            client.close()
            cluster.close()
    index = {"format": args.format, "type": args.type, "shards": records}
    (out_dir / "index.json").write_text(json.dumps(index, indent=1) + "\n")
    total = sum(r["tokens"] for r in records)
    print(f"\n{len(records)} shards, {sum(r['bytes'] for r in records)} bytes, {total} tokens "
          f"-> {out_dir / 'index.json'}", file=sys.stderr)


if __name__ == "__main__":
    main()
