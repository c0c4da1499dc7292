// Counts the entities of a DXF file by type as dxf-parser reads them, one
// "TYPE count" line per type in name order; exits 1 when it cannot parse.
// Usage: node count_entities.js FILE (with dxf-parser installed beside it
// or in NODE_PATH).
'use strict';
const fs = require('fs');
const loaded = require('dxf-parser');
const DxfParser = loaded.default || loaded.DxfParser || loaded;

const text = fs.readFileSync(process.argv[2], 'utf8');
let dxf;
try {
  dxf = new DxfParser().parseSync(text);
} catch (error) {
  console.error(`dxf-parser cannot read ${process.argv[2]}: ${error.message}`);
  process.exit(1);
}
if (!dxf) {
  console.error(`dxf-parser read nothing from ${process.argv[2]}`);
  process.exit(1);
}
const counts = {};
for (const entity of dxf.entities) counts[entity.type] = (counts[entity.type] || 0) + 1;
for (const type of Object.keys(counts).sort()) console.log(`${type} ${counts[type]}`);
