// The handheld stand-in against palm-pdb, an independent implementation of
// the Palm database format: a file palm-pdb writes must read identically,
// and files the stand-in rewrites must parse in palm-pdb with every byte we
// did not change intact.
//
//   node palm_pdb_interop.mjs PDB_TOOL
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import assert from 'node:assert/strict';
import {RawPdbDatabase, RawPdbRecord, RawPrcDatabase, RawPrcRecord} from 'palm-pdb';
import {SBuffer} from 'serio';

const tool = process.argv[2];
const dir = mkdtempSync(join(tmpdir(), 'oq-interop-'));
let failures = 0;

function check(name, body) {
  try {
    body();
    console.log(`ok - ${name}`);
  } catch (error) {
    failures++;
    console.log(`not ok - ${name}\n${error.message}`);
  }
}

function record(bytes, {category = 0, secret = false, dirty = false, uniqueId}) {
  const r = new RawPdbRecord();
  r.data = Buffer.from(bytes);
  r.entry.attributes.category = category;
  r.entry.attributes.secret = secret;
  r.entry.attributes.dirty = dirty;
  r.entry.uniqueId = uniqueId;
  return r;
}

function buffer(bytes) {
  const b = new SBuffer();
  b.value = Buffer.from(bytes);
  return b;
}

const hex = (bytes) => (bytes.length ? Buffer.from(bytes).toString('hex') : '-');

// A database written by palm-pdb.
const db = new RawPdbDatabase();
db.header.name = 'Interop';
db.header.type = 'DATA';
db.header.creator = 'rkOQ';
db.header.version = 3;
db.header.uniqueIdSeed = 0x500;
db.appInfo = buffer([1, 2, 3, 4, 5]);
db.sortInfo = buffer([0xaa, 0xbb]);
db.records.push(record([0x10, 0x20, 0x30], {category: 1, uniqueId: 0x400}));
db.records.push(record([0x41, 0x42], {secret: true, dirty: true, uniqueId: 0x401}));
db.records.push(record([], {category: 15, uniqueId: 0x402}));
const pdbPath = join(dir, 'Interop.pdb');
writeFileSync(pdbPath, db.serialize());

const prefs = new RawPrcDatabase();
prefs.header.name = 'Saved Preferences';
prefs.header.type = 'sprf';
prefs.header.creator = 'psys';
const other = new RawPrcRecord();
other.entry.type = 'abcd';
other.entry.resourceId = 7;
other.data = Buffer.from([0x00, 0x01, 0x99]);
prefs.records.push(other);
const prefsPath = join(dir, 'Saved Preferences.prc');
writeFileSync(prefsPath, prefs.serialize());

check('a database palm-pdb wrote reads identically', () => {
  const dump = execFileSync(tool, ['dump', pdbPath]).toString();
  assert.equal(
    dump,
    [
      'name Interop',
      'attributes 0 version 3',
      `type DATA creator rkOQ seed ${0x500}`,
      'appinfo 0102030405',
      'sortinfo aabb',
      `record ${0x01} ${0x400} 102030`,
      `record ${0x50} ${0x401} 4142`,
      `record ${0x0f} ${0x402} -`,
      '',
    ].join('\n')
  );
});

check('a resource database palm-pdb wrote reads identically', () => {
  const dump = execFileSync(tool, ['dump', prefsPath]).toString();
  assert.match(dump, /^name Saved Preferences\nattributes 1 /);
  assert.match(dump, /\nresource abcd 7 000199\n$/);
});

execFileSync(tool, ['modify', dir]);

check('palm-pdb parses a database the stand-in rewrote', () => {
  const back = RawPdbDatabase.from(readFileSync(pdbPath));
  assert.equal(back.header.name, 'Interop');
  assert.equal(back.header.version, 3);
  assert.equal(hex(back.appInfo.value), '0102030405');
  assert.equal(hex(back.sortInfo.value), 'aabb');
  assert.equal(back.records.length, 4);
  assert.equal(back.records[0].data.toString('latin1'), 'replaced\0');
  assert.equal(back.records[0].entry.uniqueId, 0x400, 'the replaced record keeps its id');
  assert.equal(back.records[0].entry.attributes.category, 1);
  assert.equal(hex(back.records[1].data), '4142', 'records not written stay as they were');
  assert.equal(back.records[1].entry.attributes.secret, true);
  assert.equal(back.records[3].entry.uniqueId, 0x501, 'an appended record takes its id from the seed');
  assert.equal(back.records[3].entry.attributes.category, 3);
  assert.equal(back.header.uniqueIdSeed, 0x501);
});

check('palm-pdb parses the preferences the stand-in wrote', () => {
  const back = RawPrcDatabase.from(readFileSync(prefsPath));
  assert.equal(back.records.length, 2);
  assert.equal(hex(back.records[0].data), '000199', 'other preferences untouched');
  assert.equal(back.records[1].entry.type, 'rkOQ');
  assert.equal(back.records[1].entry.resourceId, 0);
  assert.equal(hex(back.records[1].data), '0130cafe0001', 'big-endian version, then the bytes');
});

rmSync(dir, {recursive: true, force: true});
console.log(`${4 - failures} passed, ${failures} failed`);
process.exit(failures ? 1 : 0);
