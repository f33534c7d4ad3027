#!/usr/bin/env node
// WordPiece (type 8) parity and speed against the HF tokenizers peer set up as
// BERT: bertNormalizer (clean text, CJK spacing, accent stripping and
// lower-casing when uncased), bertPreTokenizer, WordPiece with "[UNK]" and a
// limit of 100 characters, "[CLS]" ... "[SEP]" around.
//
// Expectations (default): encodes every line of tests/wordpiece/parity/lines.txt
// with the peer and writes tests/wordpiece/parity/<model>.txt, one line
// "<line number>\t<ids>" per line where the peer and our tool agree. Lines
// where they differ are listed with the reason and left out.
//
// Corpus: --corpus FILE... compares every LF-separated line of each FILE and
// reports the agreement and each kind of difference with an example.
//
// Speed: --bench FILE [--seconds S] times the peer (single thread) and our
// tool on FILE with the uncased vocabulary: the whole file in one encode
// call, line by line (one call per line), and for the peer also all lines in
// one batch call; prints MB/s of FILE and the ratios.
//
// --tool PATH: our encode_lines program or a build directory holding
// tools/encode_lines (default: build).
'use strict';

// One thread for the peer, before its thread pool exists.
process.env.RAYON_NUM_THREADS = '1';
process.env.TOKENIZERS_PARALLELISM = 'false';

const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const tokenizers = require('./node_modules/tokenizers');
const { findEncodeLines, encodeLines } = require('./encode_lines');

const repo = path.resolve(__dirname, '..', '..');
const dataDir = process.env.NUVRA_DATA_DIR || path.resolve(repo, '..', 'shared', 'data');
const parityDir = path.join(repo, 'tests', 'wordpiece', 'parity');

const MODELS = [
  { name: 'uncased', vocab: 'bert/bert-base-uncased-vocab.txt', lowercase: true },
  { name: 'cased', vocab: 'bert/bert-base-cased-vocab.txt', lowercase: false },
];

// The configuration file that turns lower-casing off for the cased model.
const CASED_CONFIG = '{"do_lower_case": false, "tokenize_chinese_chars": true}\n';

function parseArgs(argv) {
  const args = { corpus: [], bench: null, seconds: 3, tool: null };
  for (let i = 0; i < argv.length; ++i) {
    const a = argv[i];
    if (a === '--corpus') {
      while (i + 1 < argv.length && !argv[i + 1].startsWith('--')) args.corpus.push(argv[++i]);
    } else if (a === '--bench') {
      args.bench = argv[++i];
    } else if (a === '--seconds') {
      args.seconds = Number(argv[++i]);
    } else if (a === '--tool') {
      args.tool = argv[++i];
    } else {
      throw new Error(`unknown argument ${a}`);
    }
  }
  return args;
}

// Lines as our tool cuts them with --split terminator: a final LF ends the
// last line.
function splitLines(content) {
  const lines = content.split('\n');
  if (lines.length > 0 && lines[lines.length - 1] === '') lines.pop();
  return lines;
}

async function buildPeer(model) {
  const vocabFile = path.join(dataDir, model.vocab);
  const wordPiece = await tokenizers.WordPiece.fromFile(vocabFile, {
    unkToken: '[UNK]', continuingSubwordPrefix: '##', maxInputCharsPerWord: 100,
  });
  const tok = new tokenizers.Tokenizer(wordPiece);
  tok.setNormalizer(tokenizers.bertNormalizer({
    cleanText: true, handleChineseChars: true,
    stripAccents: model.lowercase, lowercase: model.lowercase,
  }));
  tok.setPreTokenizer(tokenizers.bertPreTokenizer());
  tok.setPostProcessor(tokenizers.bertProcessing(
    ['[SEP]', tok.tokenToId('[SEP]')], ['[CLS]', tok.tokenToId('[CLS]')]));
  return tok;
}

async function peerIds(tok, lines) {
  const out = [];
  for (const line of lines) out.push((await tok.encode(line)).getIds());
  return out;
}

function withTempDir(fn) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'wordpiece_parity_'));
  try {
    return fn(dir);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

function toolArgs(model, dir) {
  const args = ['--type', '8', '--split', 'terminator', '--vocab', path.join(dataDir, model.vocab)];
  if (!model.lowercase) {
    const config = path.join(dir, 'cased_config.json');
    fs.writeFileSync(config, CASED_CONFIG);
    args.push('--config', config);
  }
  return args;
}

function ourIds(tool, model, lines) {
  return withTempDir((dir) => {
    const input = path.join(dir, 'lines.txt');
    fs.writeFileSync(input, lines.map((l) => l + '\n').join(''));
    return encodeLines(tool, [...toolArgs(model, dir), input]);
  });
}

// ---- Why the two can differ on a line ---------------------------------------

const OUR_CJK_PUNCTUATION = new Set([
  0x3001, 0x3002, 0x3003, ...range(0x3008, 0x3011), ...range(0x3014, 0x301f), 0x3030, 0x303d,
  0xff01, 0xff02, 0xff03, ...range(0xff05, 0xff0a), 0xff0c, 0xff0d, 0xff0e, 0xff1a, 0xff1b,
  0xff1f, 0xff3b, 0xff3c, 0xff3d, 0xff3f, 0xff5b, 0xff5d, ...range(0xff5f, 0xff64),
]);

function range(lo, hi) {
  const r = [];
  for (let c = lo; c <= hi; ++c) r.push(c);
  return r;
}

function isOurChinese(c) {
  return (c >= 0x4e00 && c <= 0x9fff) || (c >= 0x3400 && c <= 0x4dbf) ||
    (c >= 0xf900 && c <= 0xfaff);
}

function isPeerChinese(c) {
  return isOurChinese(c) || (c >= 0x20000 && c <= 0x2a6df) || (c >= 0x2a700 && c <= 0x2b73f) ||
    (c >= 0x2b740 && c <= 0x2b81f) || (c >= 0x2b820 && c <= 0x2ceaf) ||
    (c >= 0x2f800 && c <= 0x2fa1f);
}

// Each kind: a test on one character (or the position of a word in the line),
// and the rule of ours that causes it.
const KINDS = [
  {
    name: 'control/format character or U+FFFD',
    rule: 'no text cleaning: the peer deletes them, we keep them inside the word',
    char: (ch) => ch === '\uFFFD' || (/[\p{Cc}\p{Cf}\p{Co}\p{Cn}]/u.test(ch) && !/[\t\n\r]/.test(ch)),
  },
  {
    name: 'non-ASCII white space',
    rule: 'only ASCII white space separates words (U+00A0, U+3000, U+2009 are word characters)',
    char: (ch) => /[\p{White_Space}]/u.test(ch) && ch.codePointAt(0) > 0x7f,
  },
  {
    name: 'Unicode punctuation outside the fixed list',
    rule: 'punctuation is ASCII marks plus a fixed CJK list; U+2019, U+201C, U+2014 ... stay in words',
    char: (ch) => /\p{P}/u.test(ch) && ch.codePointAt(0) > 0x7f && !OUR_CJK_PUNCTUATION.has(ch.codePointAt(0)),
  },
  {
    name: 'ideograph above U+FFFF',
    rule: 'only U+4E00-9FFF, U+3400-4DBF and U+F900-FAFF count as CJK ideographs',
    char: (ch) => isPeerChinese(ch.codePointAt(0)) && !isOurChinese(ch.codePointAt(0)),
  },
  {
    name: 'capital letter outside A-Z (uncased)',
    rule: 'lower-casing maps only A-Z, before accent stripping: \u00C9 becomes E, not e',
    uncasedOnly: true,
    char: (ch) => ch.codePointAt(0) > 0x7f && ch.toLowerCase() !== ch,
  },
  {
    name: 'word over 100 bytes but not over 100 characters',
    rule: 'the word length limit counts bytes, not characters',
    line: (text) => {
      const words = /[^\s\p{P}\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff]+/gu;
      for (let m; (m = words.exec(text)) !== null;) {
        if (Buffer.byteLength(m[0]) > 100 && [...m[0]].length <= 100) return m.index;
      }
      return -1;
    },
  },
];

// The kind whose first trace stands earliest in the line: the ids usually
// part where the first such character is.
function classify(text, model) {
  let found = null;
  const consider = (kind, at, sample) => {
    if (found === null || at < found.at) found = { kind, at, sample };
  };
  for (const kind of KINDS) {
    if (kind.uncasedOnly && !model.lowercase) continue;
    if (kind.line) {
      const at = kind.line(text);
      if (at >= 0) consider(kind, at, null);
      continue;
    }
    let at = 0;
    for (const ch of text) {
      if (kind.char(ch)) {
        consider(kind, at, ch);
        break;
      }
      at += ch.length;
    }
  }
  return found || { kind: { name: 'other', rule: 'not attributed' }, sample: null };
}

function hex(ch) {
  return 'U+' + ch.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
}

function firstDifference(a, b) {
  let i = 0;
  while (i < a.length && i < b.length && a[i] === b[i]) ++i;
  return i;
}

// ---- Modes -----------------------------------------------------------------

async function writeExpectations(tool) {
  const lines = splitLines(fs.readFileSync(path.join(parityDir, 'lines.txt'), 'utf8'));
  for (const model of MODELS) {
    const tok = await buildPeer(model);
    const theirs = await peerIds(tok, lines);
    const ours = ourIds(tool, model, lines);
    const kept = [];
    lines.forEach((line, i) => {
      if (theirs[i].join(' ') === ours[i].join(' ')) {
        kept.push(`${i}\t${theirs[i].join(' ')}\n`);
        return;
      }
      const { kind, sample } = classify(line, model);
      console.log(`${model.name}: line ${i + 1} left out (${kind.name}${sample ? ' ' + hex(sample) : ''}): ${line}`);
    });
    fs.writeFileSync(path.join(parityDir, `${model.name}.txt`), kept.join(''));
    console.log(`${model.name}: ${kept.length} of ${lines.length} lines agree`);
  }
}

async function compareCorpora(tool, files) {
  for (const file of files) {
    const lines = splitLines(fs.readFileSync(file, 'utf8'));
    for (const model of MODELS) {
      const tok = await buildPeer(model);
      const vocab = splitLines(fs.readFileSync(path.join(dataDir, model.vocab), 'utf8'));
      const theirs = await peerIds(tok, lines);
      const ours = ourIds(tool, model, lines);
      let same = 0;
      let tokens = 0;
      let sameTokens = 0;
      const kinds = new Map();
      lines.forEach((line, i) => {
        const a = ours[i];
        const b = theirs[i];
        tokens += b.length;
        if (a.join(' ') === b.join(' ')) {
          ++same;
          sameTokens += b.length;
          return;
        }
        const { kind, sample } = classify(line, model);
        if (!kinds.has(kind.name)) kinds.set(kind.name, { kind, count: 0, example: null });
        const entry = kinds.get(kind.name);
        ++entry.count;
        if (!entry.example) {
          const d = firstDifference(a, b);
          const show = (ids) => ids.slice(d, d + 4).map((id) => vocab[id]).join(' ');
          entry.example = `line ${i + 1}${sample ? ` (${hex(sample)})` : ''}: ` +
            `${JSON.stringify(line.length > 90 ? line.slice(0, 90) + '...' : line)}\n` +
            `      ours: ${show(a)} | peer: ${show(b)}`;
        }
      });
      const pct = (x, n) => (n === 0 ? '100.00' : ((100 * x) / n).toFixed(2));
      console.log(`${path.basename(file)} ${model.name}: ${same}/${lines.length} lines identical ` +
        `(${pct(same, lines.length)}%), tokens in identical lines ${pct(sameTokens, tokens)}%`);
      for (const { kind, count, example } of kinds.values()) {
        console.log(`  ${count} lines: ${kind.name} -- ${kind.rule}`);
        console.log(`    e.g. ${example}`);
      }
    }
  }
}

async function bench(tool, file, budget) {
  const content = fs.readFileSync(file, 'utf8');
  const lines = splitLines(content);
  const mb = Buffer.byteLength(content) / 1e6;
  const model = MODELS[0];
  const tok = await buildPeer(model);
  const best = async (pass) => {
    let bestTime = Infinity;
    const stop = Date.now() + budget * 1000;
    for (let round = 0; round < 2 || Date.now() < stop; ++round) {
      const start = process.hrtime.bigint();
      await pass();
      bestTime = Math.min(bestTime, Number(process.hrtime.bigint() - start) / 1e9);
    }
    return bestTime;
  };
  const peerWhole = mb / (await best(() => tok.encode(content)));
  const peerLines = mb / (await best(async () => {
    for (const line of lines) await tok.encode(line);
  }));
  // All lines in one batch call: no per-call overhead, still one thread.
  const peerBatch = mb / (await best(() => tok.encodeBatch(lines)));
  const ours = withTempDir((dir) => execFileSync(
    tool, [...toolArgs(model, dir), '--bench', String(budget), file]).toString());
  const field = (name) => Number(new RegExp(`${name}=([0-9.]+)`).exec(ours)[1]);
  const ourWhole = field('encode_whole_mb_s');
  const ourLines = field('encode_lines_mb_s');
  console.log(`${path.basename(file)} (${model.name}, ${(mb).toFixed(2)} MB, one thread)`);
  console.log(`  whole file in one call: ours ${ourWhole.toFixed(2)} MB/s, peer ${peerWhole.toFixed(2)} MB/s, ratio ${(ourWhole / peerWhole).toFixed(1)}x`);
  console.log(`  line by line:           ours ${ourLines.toFixed(2)} MB/s, peer ${peerLines.toFixed(2)} MB/s, ratio ${(ourLines / peerLines).toFixed(1)}x`);
  console.log(`  lines as one batch:     ours ${ourLines.toFixed(2)} MB/s, peer ${peerBatch.toFixed(2)} MB/s, ratio ${(ourLines / peerBatch).toFixed(1)}x`);
  console.log(`  decode: ours ${field('decode_mb_s').toFixed(2)} MB/s`);
}

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const tool = findEncodeLines(args.tool, ['build']);
  if (args.bench) return bench(tool, args.bench, args.seconds);
  if (args.corpus.length > 0) return compareCorpora(tool, args.corpus);
  return writeExpectations(tool);
}

main().catch((e) => {
  console.error(e.stack || String(e));
  process.exit(1);
});
