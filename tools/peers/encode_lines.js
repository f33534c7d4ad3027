// The library as the peer scripts see it: tools/encode_lines, found in a
// build directory, run on a file, its output read back as ids.
'use strict';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');

const repo = path.resolve(__dirname, '..', '..');

// `given` is the program or a build directory holding tools/encode_lines;
// without it, the first of `buildDirs` (in the repository) that holds one.
function findEncodeLines(given, buildDirs) {
  const candidates = given
    ? [given, path.join(given, 'tools', 'encode_lines')]
    : buildDirs.map((dir) => path.join(repo, dir, 'tools', 'encode_lines'));
  for (const candidate of candidates) {
    if (fs.existsSync(candidate) && fs.statSync(candidate).isFile()) return candidate;
  }
  throw new Error(`encode_lines not found in ${candidates.join(', ')}; build it first`);
}

// The ids of each line the tool prints.
function encodeLines(tool, args) {
  const out = execFileSync(tool, args, { maxBuffer: 1 << 30 }).toString('utf8').split('\n');
  out.pop();  // after the last line feed
  return out.map((line) => (line.length ? line.split(' ').map(Number) : []));
}

module.exports = { findEncodeLines, encodeLines };
