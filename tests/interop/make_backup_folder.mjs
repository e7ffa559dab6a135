// Writes a backup folder as Palm Desktop keeps one, with palm-pdb, an
// implementation of the Palm database format independent of ours:
// programs with and without version and launcher-name resources, a library,
// a panel, an overlay, OrbitQuail's own program, the built-in applications'
// databases and Saved Preferences without an OrbitQuail preference.
//
//   node make_backup_folder.mjs DIR [upgraded|real]
// "upgraded": Star Chart is at version 2.1, Word Hunt is gone and Pocket
// Ledger is new, as after the user changed programs on the handheld.
// "real": adds programs shaped as real ones are: version resources under
// other ids, blank or unterminated ones, a name of all 32 bytes, two files
// of one database from different years, the null creator.
import {mkdirSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {
  DatebookDatabase,
  MemoDatabase,
  MemoRecord,
  RawPrcDatabase,
  RawPrcRecord,
  ToDoDatabase,
  DatabaseTimestamp,
} from 'palm-pdb';

const [dir, variant] = process.argv.slice(2);
const upgraded = variant === 'upgraded';
const real = variant === 'real';
mkdirSync(dir, {recursive: true});

const text = (value) => Buffer.from(value + '\0', 'latin1');

function resource(type, id, data) {
  const r = new RawPrcRecord();
  r.entry.type = type;
  r.entry.resourceId = id;
  r.data = Buffer.from(data);
  return r;
}

// `tvers`: more version resources, [id, bytes] each.
function program(file, {name, type = 'appl', creator, version = 1, tver, tain, tvers = [], modified}) {
  const db = new RawPrcDatabase();
  db.header.name = name;
  db.header.type = type;
  db.header.creator = creator;
  db.header.version = version;
  if (modified !== undefined) db.header.modificationDate = DatabaseTimestamp.of(new Date(modified));
  db.records.push(resource('code', 0, [0, 0, 0, 1]));
  if (tain !== undefined) db.records.push(resource('tAIN', 1000, text(tain)));
  for (const [id, bytes] of tvers) db.records.push(resource('tver', id, Buffer.from(bytes, 'latin1')));
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

if (real) {
  program('VersionOne.prc', {name: 'Version One', creator: 'VrOn', tvers: [[1, '3.2\0']]});
  program('VersionTwo.prc', {name: 'Version Two', creator: 'VrTw', tvers: [[5, '9.9\0'], [2, '4.0\0']]});
  program('BlankFirst.prc', {name: 'Blank First', creator: 'BlFr', tvers: [[1, '1.5\0']], tver: ''});
  program('AllBlank.prc', {name: 'All Blank', creator: 'AlBl', version: 6, tvers: [[1, '  \0']], tver: ' '});
  program('Trailing.prc', {name: 'Trailing Bytes', creator: 'TrBy', tvers: [[1000, '2.2\r\n(c) 2003 Nobody']]});
  // palm-pdb always ends a name inside the field, as a handheld need not.
  program('Name32.prc', {name: 'A program whose name is 32 byte', creator: 'Nm32', tver: '1.0'});
  const name32 = readFileSync(join(dir, 'Name32.prc'));
  name32[31] = 's'.charCodeAt(0);
  writeFileSync(join(dir, 'Name32.prc'), name32);
  program('PocketC 3.7.prc', {name: 'PocketC', creator: 'PktC', tver: '3.7', modified: '2001-05-01T00:00:00Z'});
  program('PocketC 7.1.prc', {name: 'PocketC', creator: 'PktC', tver: '7.1.4rt', modified: '2006-09-01T00:00:00Z'});
  program('NoCreator.prc', {name: 'No Creator', creator: '\0\0\0\0', tver: '1.0'});
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
