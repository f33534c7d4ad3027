#!/usr/bin/env node
// Encode and decode speed of the byte-level peers beside ours, in one run on
// one corpus: @dqbd/tiktoken ("gpt2" encoding, WASM) and HF tokenizers
// (native, built from the shared gpt2 vocab.json and merges.txt), against
// our type 9 with the same files, as bench/bpe_bench measures it.
//
//   node tools/peers/bpe_peers.js [--corpus FILE] [--bench PATH] [--rounds N] [--seconds S]
//                                 [--chunk-lines L]
//
// FILE defaults to the English corpus; PATH to build/bench/bpe_bench
// (configure with -DNUVRA_BUILD_BENCH=ON). All
// sides work line by line (LF-separated, CR kept), or with L > 1 on pieces
// of L lines (line feeds kept inside), on one thread; rates are
// corpus bytes (encode) or decoded bytes (decode) per second of process CPU
// time, as Google Benchmark reports them. The machine may be shared: every
// figure is taken in each of N rounds (default 5) of S seconds (default 0.5),
// and the ratios are compared round by round.
'use strict';

process.env.RAYON_NUM_THREADS = '1';
process.env.TOKENIZERS_PARALLELISM = 'false';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const tokenizers = require('./node_modules/tokenizers');
const { get_encoding: getEncoding } = require('./node_modules/@dqbd/tiktoken');

const repo = path.resolve(__dirname, '..', '..');
const dataDir = process.env.NUVRA_DATA_DIR || path.resolve(repo, '..', 'shared', 'data');
const MB = 1024 * 1024;  // Google Benchmark's M in bytes_per_second

function option(name, fallback) {
  const args = process.argv.slice(2);
  const at = args.indexOf(name);
  return at >= 0 ? args[at + 1] : fallback;
}

function findBench() {
  const given = option('--bench');
  const candidates = given
    ? [given]
    : ['build'].map((dir) => path.join(repo, dir, 'bench', 'bpe_bench'));
  const found = candidates.find((candidate) => fs.existsSync(candidate));
  if (!found) throw new Error(`bpe_bench not found in ${candidates.join(', ')}`);
  return found;
}

function cpuSeconds() {
  const usage = process.cpuUsage();
  return (usage.user + usage.system) / 1e6;
}

// Passes of `pass` (one pass over the corpus) per CPU second, over at
// least `seconds` of CPU time.
async function passesPerSecond(pass, seconds) {
  let passes = 0;
  const start = cpuSeconds();
  let elapsed = 0;
  do {
    await pass();
    ++passes;
    elapsed = cpuSeconds() - start;
  } while (elapsed < seconds);
  return passes / elapsed;
}

function readMerges(file) {
  return fs.readFileSync(file, 'utf8').split('\n')
    .filter((line, index) => line.length > 0 && !(index === 0 && line.startsWith('#')))
    .map((line) => {
      const cut = line.indexOf(' ');
      return [line.slice(0, cut), line.slice(cut + 1)];
    });
}

function buildHfPeer() {
  const dir = path.join(dataDir, 'gpt2');
  const byteLevel = { type: 'ByteLevel', add_prefix_space: false, trim_offsets: false, use_regex: true };
  return tokenizers.Tokenizer.fromString(JSON.stringify({
    version: '1.0', truncation: null, padding: null, added_tokens: [], normalizer: null,
    pre_tokenizer: byteLevel, post_processor: null, decoder: byteLevel,
    model: {
      type: 'BPE', dropout: null, unk_token: null, continuing_subword_prefix: null,
      end_of_word_suffix: null, fuse_unk: false, byte_fallback: false, ignore_merges: false,
      vocab: JSON.parse(fs.readFileSync(path.join(dir, 'vocab.json'), 'utf8')),
      merges: readMerges(path.join(dir, 'merges.txt')),
    },
  }));
}

// Our encode and decode rates, one run of the benchmark.
function ourFigures(corpus, seconds, chunkLines) {
  const name = path.basename(corpus);
  const filter = `(encode|decode)/type[079]/${name.replace(/\./g, '\\.')}$`;
  const out = execFileSync(findBench(), [
    `--benchmark_filter=${filter}`, '--benchmark_format=json', `--benchmark_min_time=${seconds}`,
  ], {
    maxBuffer: 1 << 26,
    env: { ...process.env, NUVRA_BENCH_CORPUS: corpus, NUVRA_BENCH_CHUNK_LINES: `${chunkLines}` },
  });
  const report = JSON.parse(out.toString('utf8'));
  const rate = (kind, type) => report.benchmarks
    .find((b) => b.name.startsWith(`${kind}/type${type}/`)).bytes_per_second / MB;
  return {
    encode: rate('encode', 9), encode0: rate('encode', 0), encode7: rate('encode', 7),
    decode: rate('decode', 9), context: report.context,
  };
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

async function main() {
  const corpus = option('--corpus', path.join(dataDir, 'text', 'botchan.txt'));
  const seconds = Number(option('--seconds', '0.5'));
  const rounds = Number(option('--rounds', '5'));
  const chunkLines = Number(option('--chunk-lines', '1'));
  const allLines = fs.readFileSync(corpus, 'utf8').split('\n');
  const lines = [];
  for (let i = 0; i < allLines.length; i += chunkLines) {
    lines.push(allLines.slice(i, i + chunkLines).join('\n'));
  }
  const corpusBytes = fs.statSync(corpus).size;

  const tiktoken = getEncoding('gpt2');
  const tiktokenIds = lines.map((line) => tiktoken.encode(line, [], []));
  const textDecoder = new TextDecoder();
  const decodedBytes = tiktokenIds.reduce((sum, ids) => sum + tiktoken.decode(ids).length, 0);
  const hf = buildHfPeer();
  const hfIds = [];
  for (const line of lines) hfIds.push((await hf.encode(line)).getIds());

  // Every figure once per round, the rounds one after the other, so that a
  // round's figures share the machine's load of that moment.
  const figures = {
    ours_encode: { kind: 'encode', label: 'nuvra type 9 (gpt2 files)' },
    ours_encode0: { kind: 'encode', label: 'nuvra type 0 (built-in)' },
    ours_encode7: { kind: 'encode', label: 'nuvra type 7 (roberta files)' },
    tiktoken_encode: { kind: 'encode', label: '@dqbd/tiktoken gpt2', bytes: corpusBytes,
      pass: () => { for (const line of lines) tiktoken.encode(line, [], []); } },
    hf_encode: { kind: 'encode', label: 'tokenizers, one call per line', bytes: corpusBytes,
      pass: async () => { for (const line of lines) await hf.encode(line); } },
    hf_batch: { kind: 'encode', label: 'tokenizers, encodeBatch', bytes: corpusBytes,
      pass: () => hf.encodeBatch(lines) },
    ours_decode: { kind: 'decode', label: 'nuvra type 9' },
    tiktoken_decode: { kind: 'decode', label: '@dqbd/tiktoken gpt2', bytes: decodedBytes,
      pass: () => { for (const ids of tiktokenIds) textDecoder.decode(tiktoken.decode(ids)); } },
    hf_decode: { kind: 'decode', label: 'tokenizers, one call per line', bytes: decodedBytes,
      pass: async () => { for (const ids of hfIds) await hf.decode(ids, false); } },
  };
  for (const figure of Object.values(figures)) figure.rates = [];
  let context = {};
  for (let round = 0; round < rounds; ++round) {
    const ours = ourFigures(corpus, seconds, chunkLines);
    context = ours.context;
    figures.ours_encode.rates.push(ours.encode);
    figures.ours_encode0.rates.push(ours.encode0);
    figures.ours_encode7.rates.push(ours.encode7);
    figures.ours_decode.rates.push(ours.decode);
    for (const figure of Object.values(figures)) {
      if (!figure.pass) continue;
      if (round === 0) await figure.pass();  // warm-up
      figure.rates.push(figure.bytes * await passesPerSecond(figure.pass, seconds) / MB);
    }
  }
  tiktoken.free();

  console.log(`corpus ${path.basename(corpus)} (${corpusBytes} bytes, ${lines.length} calls of ` +
    `${chunkLines} line(s)), ` +
    `${rounds} rounds; MB/s best and median, ours / peer as the median of the rounds' ratios`);
  for (const kind of ['encode', 'decode']) {
    console.log(kind);
    const ours = figures[`ours_${kind}`];
    for (const figure of Object.values(figures).filter((f) => f.kind === kind)) {
      let line = `  ${figure.label.padEnd(32)} ${Math.max(...figure.rates).toFixed(2).padStart(8)}` +
        ` ${median(figure.rates).toFixed(2).padStart(8)} MB/s`;
      if (figure.label.startsWith('nuvra') && figure !== ours) {
        const ratios = figure.rates.map((rate, i) => rate / ours.rates[i]);
        line += `   / type 9 = ${median(ratios).toFixed(2)}`;
      } else if (figure !== ours) {
        const ratios = figure.rates.map((rate, i) => ours.rates[i] / rate);
        line += `   ours / peer = ${median(ratios).toFixed(2)}`;
      }
      console.log(line);
    }
  }
  console.log(`first Create in a fresh process: type 0 ` +
    `${Number(context.type0_first_create_ms).toFixed(2)} ms, type 1 ` +
    `${Number(context.type1_first_create_ms).toFixed(2)} ms; each further handle adds ` +
    `${context.type0_private_kib_per_handle} / ${context.type1_private_kib_per_handle} KiB ` +
    'private memory (type 0 / type 1)');
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
