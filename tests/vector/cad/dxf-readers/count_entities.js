// Counts the entities of a DXF file by type as dxf-parser reads them, one
// "TYPE count" line per type in name order; exits 1 when it cannot parse
// the file or warns about it (an unknown group code, say).
// Usage: node count_entities.js FILE (with dxf-parser installed beside it
// or in NODE_PATH).
'use strict';
const fs = require('fs');
const util = require('util');
const loaded = require('dxf-parser');
const DxfParser = loaded.default || loaded.DxfParser || loaded;

const text = fs.readFileSync(process.argv[2], 'utf8');
const warnings = [];
for (const level of ['warn', 'error', 'log', 'info']) {
  console[level] = (...args) => warnings.push(util.format(...args));
}
let dxf;
try {
  dxf = new DxfParser().parseSync(text);
} catch (error) {
  warnings.push(`cannot read: ${error.message}`);
}
if (warnings.length) {
  process.stderr.write(`dxf-parser on ${process.argv[2]}:\n  ${warnings.join('\n  ')}\n`);
  process.exit(1);
}
if (!dxf) {
  process.stderr.write(`dxf-parser read nothing from ${process.argv[2]}\n`);
  process.exit(1);
}
const counts = {};
for (const entity of dxf.entities) counts[entity.type] = (counts[entity.type] || 0) + 1;
for (const type of Object.keys(counts).sort()) process.stdout.write(`${type} ${counts[type]}\n`);
