// Writes a backup folder as Palm Desktop keeps one, with palm-pdb, an
// implementation of the Palm database format independent of ours:
// programs with and without version and launcher-name resources, a library,
// a panel, an overlay, OrbitQuail's own program, the built-in applications'
// databases and Saved Preferences without an OrbitQuail preference.
//
//   node make_backup_folder.mjs DIR [upgraded]
// "upgraded": Star Chart is at version 2.1, Word Hunt is gone and Pocket
// Ledger is new, as after the user changed programs on the handheld.
import {mkdirSync, rmSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {
  DatebookDatabase,
  MemoDatabase,
  MemoRecord,
  RawPrcDatabase,
  RawPrcRecord,
  ToDoDatabase,
} from 'palm-pdb';

const [dir, variant] = process.argv.slice(2);
const upgraded = variant === 'upgraded';
mkdirSync(dir, {recursive: true});

const text = (value) => Buffer.from(value + '\0', 'latin1');

function resource(type, id, data) {
  const r = new RawPrcRecord();
  r.entry.type = type;
  r.entry.resourceId = id;
  r.data = Buffer.from(data);
  return r;
}

function program(file, {name, type = 'appl', creator, version = 1, tver, tain}) {
  const db = new RawPrcDatabase();
  db.header.name = name;
  db.header.type = type;
  db.header.creator = creator;
  db.header.version = version;
  db.records.push(resource('code', 0, [0, 0, 0, 1]));
  if (tain !== undefined) db.records.push(resource('tAIN', 1000, text(tain)));
  if (tver !== undefined) db.records.push(resource('tver', 1000, text(tver)));
  db.records.push(resource('code', 1, [0x4e, 0x75]));
  writeFileSync(join(dir, file), db.serialize());
}

program('StarChart.prc', {name: 'Star Chart', creator: 'StCh', tver: upgraded ? '2.1' : '2.0', tain: 'Star Chart'});
program('QuailNotes.prc', {name: 'QuailNotes', creator: 'qNte', tver: '1.0', tain: 'Q Notes'});
program('MathLib.prc', {name: 'MathLib', type: 'libr', creator: 'MthL', tver: '1.1'});
program('Tides.prc', {name: 'Tide Tables', creator: 'TdTb', tver: '0.9'});
program('TidesPro.prc', {name: 'Tide Tables Pro', creator: 'TdTb', tver: '1.0 pro'});
program('LongName.prc', {name: 'A program whose name fills 31 b', creator: 'LnNm', tver: 'v12.3.45-beta7'});
program('Clock.prc', {name: 'ClockPanel', type: 'panl', creator: 'ClkP', version: 4});
program('Overlay.prc', {name: 'Star Chart_enUS', type: 'ovly', creator: 'StCh', tver: '2.0'});
program('OrbitQuail.prc', {name: 'OrbitQuail', creator: 'rkOQ', tver: '1.30'});
if (upgraded) {
  rmSync(join(dir, 'WordHunt.prc'), {force: true});
  program('Ledger.prc', {name: 'Pocket Ledger', creator: 'PkLd', tver: '3.1', tain: 'Ledger'});
} else {
  program('WordHunt.prc', {name: 'Word Hunt', creator: 'WdHt', version: 3});
}

const memo = new MemoDatabase();
const note = new MemoRecord();
note.value = 'Buy bird seed';
memo.records.push(note);
writeFileSync(join(dir, 'MemoDB.pdb'), memo.serialize());
writeFileSync(join(dir, 'ToDoDB.pdb'), new ToDoDatabase().serialize());
writeFileSync(join(dir, 'DatebookDB.pdb'), new DatebookDatabase().serialize());

if (!upgraded) {
  const prefs = new RawPrcDatabase();
  prefs.header.name = 'Saved Preferences';
  prefs.header.type = 'sprf';
  prefs.header.creator = 'psys';
  prefs.records.push(resource('psys', 1, [0x00, 0x02, 0xca, 0xfe]));
  prefs.records.push(resource('StCh', 0, [0x00, 0x01, 0x01, 0x02, 0x03]));
  writeFileSync(join(dir, 'Saved Preferences.prc'), prefs.serialize());
}
