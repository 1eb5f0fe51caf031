// Lists every storage and stream of a compound file with the npm package cfb, in the same form
// as olefile_dump.py.
'use strict';
const fs = require('fs');
const CFB = require('cfb');

function fnv(buf) {
  let h = 0x811c9dc5;
  for (const b of buf) h = Math.imul(h ^ b, 0x01000193) >>> 0;
  return h;
}
const printable = (s) => s.replace(/[\x00-\x1f]/g, (c) => '\\x' + c.charCodeAt(0).toString(16).padStart(2, '0'));

const cfb = CFB.read(fs.readFileSync(process.argv[2]), { type: 'buffer' });
const lines = [];
cfb.FileIndex.forEach((entry, i) => {
  if (entry.type === 5) return;
  const path = cfb.FullPaths[i].replace(/^[^/]*\//, '');
  if (entry.type === 1) {
    lines.push(printable(path) + '\tD');
  } else if (entry.type === 2) {
    const data = entry.content ? Buffer.from(entry.content).subarray(0, entry.size) : Buffer.alloc(0);
    lines.push(printable(path) + '\tS\t' + data.length + '\t' + fnv(data).toString(16).padStart(8, '0'));
  }
});
lines.sort();
process.stdout.write(lines.map((l) => l + '\n').join(''));
