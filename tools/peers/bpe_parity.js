#!/usr/bin/env node
// Byte-level BPE parity against the HF tokenizers peer built from the
// published vocabulary and merge files: byte-level pre-tokenizer, no prefix
// space, no added tokens.
//
// Type 9 is compared with the peer's own GPT-2 pattern. Types 0 and 7 use
// the same pattern with \d (ASCII digits only) in its sixth alternative; the
// peer's regex engine reads \d as every decimal digit, so those two get a
// peer whose split pattern spells the class as [0-9]. On lines whose numbers
// are ASCII digits the plain GPT-2 peer must give the same ids, and is
// checked to.
//
// Expectations (default): reads tests/bpe/parity/lines.txt, where "\u{HEX}"
// stands for one code point, and writes tests/bpe/parity/<model>.jsonl, one
// {"text", "ids"} object per kept line; the ids are the peer's, without our
// start and end records.
//
// Corpus: --corpus FILE [--lib PATH] compares our library with the peers on
// every LF-separated line of FILE (CR kept), then on the kept lines joined
// into one text. PATH is the encode_lines tool or a build directory holding
// tools/encode_lines (default: build).
//
// Lines on which the peer's regex engine cannot agree with our patterns are
// left out and listed: its white space has U+0085 and lacks U+FEFF, and its
// Unicode tables are newer than our 14.0 ones.
'use strict';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const tokenizers = require('./node_modules/tokenizers');
const { findEncodeLines, encodeLines } = require('./encode_lines');

const repo = path.resolve(__dirname, '..', '..');
const dataDir = process.env.NUVRA_DATA_DIR || path.resolve(repo, '..', 'shared', 'data');
const parityDir = path.join(repo, 'tests', 'bpe', 'parity');

const ASCII_DIGIT_PATTERN =
  "'s|'t|'re|'ve|'m|'ll|'d| ?\\p{L}+| ?\\p{N}+| ?[^\\s\\p{L}0-9]+|\\s+(?!\\S)|\\s+";

const MODELS = [
  { name: 'gpt2', type: 9, dir: 'gpt2', asciiDigit: false, framing: [[], []] },
  { name: 'whisper', type: 0, dir: 'whisper-multilingual', asciiDigit: true, framing: [[50258], [50257]] },
  { name: 'roberta', type: 7, dir: 'roberta', asciiDigit: true, framing: [[0], [2]] },
];

function hasOtherNumbers(text) {
  return /(?![0-9])\p{N}/u.test(text);
}

function readMerges(file) {
  const pairs = [];
  fs.readFileSync(file, 'utf8').split('\n').forEach((line, index) => {
    if (line.length === 0 || (index === 0 && line.startsWith('#'))) return;
    const cut = line.indexOf(' ');
    pairs.push([line.slice(0, cut), line.slice(cut + 1)]);
  });
  return pairs;
}

function buildPeer(model, asciiDigit) {
  const dir = path.join(dataDir, model.dir);
  const byteLevel = (useRegex) =>
    ({ type: 'ByteLevel', add_prefix_space: false, trim_offsets: false, use_regex: useRegex });
  const preTokenizer = asciiDigit
    ? {
      type: 'Sequence',
      pretokenizers: [
        { type: 'Split', pattern: { Regex: ASCII_DIGIT_PATTERN }, behavior: 'Isolated', invert: false },
        byteLevel(false),
      ],
    }
    : byteLevel(true);
  const config = {
    version: '1.0', truncation: null, padding: null, added_tokens: [], normalizer: null,
    pre_tokenizer: preTokenizer, post_processor: null, decoder: byteLevel(true),
    model: {
      type: 'BPE', dropout: null, unk_token: null, continuing_subword_prefix: null,
      end_of_word_suffix: null, fuse_unk: false, byte_fallback: false, ignore_merges: false,
      vocab: JSON.parse(fs.readFileSync(path.join(dir, 'vocab.json'), 'utf8')),
      merges: readMerges(path.join(dir, 'merges.txt')),
    },
  };
  return tokenizers.Tokenizer.fromString(JSON.stringify(config));
}

// The model's peer, and for types 0 and 7 the plain GPT-2 peer beside it.
function buildPeers(model) {
  return { main: buildPeer(model, model.asciiDigit), plain: model.asciiDigit ? buildPeer(model, false) : null };
}

// Unicode 14.0 general categories from the system Python, whose tables are 14.0.
function categories14(codepoints) {
  const script = 'import json,sys,unicodedata\n' +
    'assert unicodedata.unidata_version == "14.0.0", unicodedata.unidata_version\n' +
    'print(json.dumps([unicodedata.category(chr(c)) for c in json.load(sys.stdin)]))';
  const out = execFileSync('python3', ['-c', script], { input: JSON.stringify(codepoints) });
  const result = new Map();
  JSON.parse(out).forEach((category, i) => result.set(codepoints[i], category));
  return result;
}

// Reason why the peer's patterns cannot agree with ours on `text`, or null.
function makeRegexFilter(texts) {
  const distinct = new Set();
  for (const text of texts) for (const ch of text) distinct.add(ch.codePointAt(0));
  const old = categories14([...distinct]);
  const differs = new Set();
  for (const [cp, category] of old) {
    const ch = String.fromCodePoint(cp);
    const letter = /\p{L}/u.test(ch) !== category.startsWith('L');
    const number = /\p{N}/u.test(ch) !== category.startsWith('N');
    if (letter || number) differs.add(cp);
  }
  return (text) => {
    if (text.includes('\u0085')) return 'U+0085 is white space to the peer only';
    if (text.includes('\uFEFF')) return 'U+FEFF is white space to us only';
    for (const ch of text) {
      const cp = ch.codePointAt(0);
      if (differs.has(cp)) {
        return `U+${cp.toString(16).toUpperCase().padStart(4, '0')} is classified after Unicode 14.0`;
      }
    }
    return null;
  };
}

function unescapeLine(line) {
  return line.replace(/\\u\{([0-9A-Fa-f]{1,6})\}/g, (_, hex) => String.fromCodePoint(parseInt(hex, 16)));
}

async function peerIds(peer, text) {
  return (await peer.encode(text)).getIds();
}

// Ids of the model's peer; for types 0 and 7 on a line whose numbers are
// all ASCII digits, the plain GPT-2 peer must agree (else an Error).
async function expectedIds(model, peers, text) {
  const ids = await peerIds(peers.main, text);
  if (peers.plain && !hasOtherNumbers(text)) {
    const plain = await peerIds(peers.plain, text);
    if (plain.join(' ') !== ids.join(' ')) {
      throw new Error(`${model.name}: the two peers disagree on ${JSON.stringify(text)}`);
    }
  }
  return ids;
}

function listByReason(entries, indent) {
  const byReason = new Map();
  for (const [line, reason] of entries) {
    if (!byReason.has(reason)) byReason.set(reason, []);
    byReason.get(reason).push(line);
  }
  for (const [reason, lines] of byReason) {
    console.log(`${indent}${reason}: ${lines.length} line(s): ${lines.join(' ')}`);
  }
}

async function writeExpectations() {
  const source = path.join(parityDir, 'lines.txt');
  const lines = fs.readFileSync(source, 'utf8').split('\n');
  if (lines[lines.length - 1] === '') lines.pop();
  const texts = lines.map(unescapeLine);
  const regexReason = makeRegexFilter(texts);
  console.log('left out for every model:');
  texts.forEach((text, i) => {
    const reason = regexReason(text);
    if (reason) console.log(`  line ${i + 1}: ${reason}: ${lines[i]}`);
  });
  for (const model of MODELS) {
    const peers = buildPeers(model);
    const out = [];
    let plainChecked = 0;
    for (const text of texts) {
      if (regexReason(text)) continue;
      out.push(JSON.stringify({ text, ids: await expectedIds(model, peers, text) }));
      if (peers.plain && !hasOtherNumbers(text)) ++plainChecked;
    }
    fs.writeFileSync(path.join(parityDir, `${model.name}.jsonl`), out.join('\n') + '\n');
    console.log(`${model.name} (type ${model.type}): ${out.length} of ${texts.length} lines written` +
      (peers.plain ? `; on ${plainChecked} of them the plain GPT-2 peer agrees` : ''));
  }
}

function libraryIds(tool, model, corpus, whole = false) {
  const dir = path.join(dataDir, model.dir);
  const args = ['--type', String(model.type)];
  if (model.type !== 0) {
    args.push('--vocab', path.join(dir, 'vocab.json'), '--merges', path.join(dir, 'merges.txt'));
  }
  // Lines as split("\n") cuts them, so that they pair with `texts`.
  args.push(...(whole ? ['--whole'] : ['--split', 'separator']));
  args.push(corpus);
  return encodeLines(tool, args);
}

async function compareCorpus(corpus, lib) {
  const tool = findEncodeLines(lib, ['build']);
  const bytes = fs.readFileSync(corpus);
  const texts = bytes.toString('utf8').split('\n');
  const raw = [];
  for (let start = 0; start <= bytes.length;) {
    let end = bytes.indexOf(0x0a, start);
    if (end < 0) end = bytes.length;
    raw.push(bytes.subarray(start, end));
    start = end + 1;
  }
  const regexReason = makeRegexFilter(texts);
  const excluded = [];
  texts.forEach((text, i) => {
    const reason = Buffer.compare(Buffer.from(text, 'utf8'), raw[i]) !== 0
      ? 'not valid UTF-8'
      : regexReason(text);
    if (reason) excluded.push([i + 1, reason]);
  });
  const skip = new Set(excluded.map(([line]) => line - 1));
  const wholeText = texts.filter((_, i) => !skip.has(i)).join('\n');
  const wholeFile = path.join(fs.mkdtempSync(path.join(require('os').tmpdir(), 'bpe_parity_')), 'whole.txt');
  fs.writeFileSync(wholeFile, wholeText);
  console.log(`${path.basename(corpus)}: ${texts.length} lines, ${excluded.length} left out`);
  listByReason(excluded, '  left out: ');
  for (const model of MODELS) {
    const peers = buildPeers(model);
    const ours = libraryIds(tool, model, corpus);
    if (ours.length !== texts.length) {
      throw new Error(`${model.name}: ${ours.length} lines from the library, ${texts.length} in the corpus`);
    }
    const [head, tail] = model.framing;
    let same = 0;
    let plainChecked = 0;
    const differing = [];
    for (let i = 0; i < texts.length; ++i) {
      if (skip.has(i)) continue;
      const expected = [...head, ...(await expectedIds(model, peers, texts[i])), ...tail];
      if (peers.plain && !hasOtherNumbers(texts[i])) ++plainChecked;
      if (expected.join(' ') === ours[i].join(' ')) {
        ++same;
      } else {
        differing.push(`line ${i + 1}: peer ${expected.join(' ')}\n    ours ${ours[i].join(' ')}`);
      }
    }
    console.log(`  ${model.name} (type ${model.type}): ${same} of ${texts.length - skip.size} ` +
      'lines identical' +
      (peers.plain ? ` (${plainChecked} with ASCII-only numbers also checked against the plain GPT-2 peer)` : ''));
    for (const line of differing.slice(0, 20)) console.log(`    DIFFERS ${line}`);
    if (differing.length) process.exitCode = 1;

    // The kept lines again as one text, line feeds and all.
    const expected = [...head, ...(await peerIds(peers.main, wholeText)), ...tail];
    const [whole] = libraryIds(tool, model, wholeFile, true);
    const agree = expected.join(' ') === whole.join(' ');
    console.log(`  ${model.name} (type ${model.type}): kept lines as one text: ` +
      `${agree ? 'identical' : 'DIFFERS'} (${expected.length} ids)`);
    if (!agree) process.exitCode = 1;
  }
  fs.rmSync(path.dirname(wholeFile), { recursive: true, force: true });
}

async function main() {
  const args = process.argv.slice(2);
  const option = (name) => {
    const at = args.indexOf(name);
    return at >= 0 ? args[at + 1] : undefined;
  };
  const corpus = option('--corpus');
  if (corpus) {
    await compareCorpus(corpus, option('--lib'));
  } else {
    await writeExpectations();
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
