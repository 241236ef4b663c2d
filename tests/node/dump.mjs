// Prints what mdb-reader reads from a database, as one JSON document, with
// every value in an exact, type-tagged form so a test can compare it value by
// value:  node dump.mjs FILE [--table NAME] [--password PW] [--summary]
//   numbers that are Single/Double: "f:"/"d:" + little-endian IEEE bytes in hex
//   Text/Memo: "u:" + UTF-16LE bytes in hex;  Binary/OLE: "b:" + bytes in hex
//   Date/Time: milliseconds since 1970 (mdb-reader rounds to the millisecond)
//   Large Number: its decimal digits as text (JSON numbers lose them past 2^53)
//   Currency, Decimal, GUID, Date/Time Extended: the reader's own text
//   ("YYYY.MM.DD HH:MM:SS.nnnnnnnnn" for Date/Time Extended);  others as JSON values
// --summary prints row counts and a digest of each table instead of rows.
// --fingerprint prints, per column, a 32-bit fingerprint of its values in row
// order (for tables too big to print): token = the value's form above as text
// ("null" for Null), h = FNV-1a over the token's UTF-16 units,
// fingerprint = fingerprint * 31 + h, all modulo 2^32.
import { readFileSync } from "node:fs";
import { createHash } from "node:crypto";
import MDBReader from "mdb-reader";

// mdb-reader takes a Date/Time Extended value's year from the local time of
// day but its month and day from UTC; in UTC they agree.
process.env.TZ = "UTC";

const args = process.argv.slice(2);
const file = args[0];
let onlyTable = null;
let password;
let summary = false;
let fingerprint = false;
for (let i = 1; i < args.length; ++i) {
  if (args[i] === "--table") onlyTable = args[++i];
  else if (args[i] === "--password") password = args[++i];
  else if (args[i] === "--summary") summary = true;
  else if (args[i] === "--fingerprint") fingerprint = true;
}

function encode(value, type) {
  if (value === null || value === undefined) return null;
  switch (type) {
    case "float": {
      const b = Buffer.alloc(4);
      b.writeFloatLE(value);
      return "f:" + b.toString("hex");
    }
    case "double": {
      const b = Buffer.alloc(8);
      b.writeDoubleLE(value);
      return "d:" + b.toString("hex");
    }
    case "text":
    case "memo":
      return "u:" + Buffer.from(value, "utf16le").toString("hex");
    case "binary":
    case "ole":
      return "b:" + Buffer.from(value).toString("hex");
    case "datetime":
      return value.getTime();
    case "bigint":
      return value.toString();
    default:
      return value;
  }
}

const reader = new MDBReader(readFileSync(file), { password });
const out = {
  password: reader.getPassword(),
  userTables: reader.getTableNames(),
  systemTables: reader.getTableNames({ normalTables: false, systemTables: true }),
  tables: {},
};
for (const name of onlyTable ? [onlyTable] : [...out.userTables, ...out.systemTables]) {
  const table = reader.getTable(name);
  const columns = table.getColumns();
  const entry = {
    rowCount: table.rowCount,
    columns: columns.map((c) => ({
      name: c.name, type: c.type, size: c.size, precision: c.precision ?? null, scale: c.scale ?? null,
      nullable: c.nullable, autoLong: c.autoLong,
    })),
  };
  if (fingerprint) {
    const prints = columns.map(() => 0);
    let rowsRead = 0;
    // Page through the table so a million rows never sit in memory at once.
    for (let offset = 0; ; offset += 50000) {
      const chunk = table.getData({ rowOffset: offset, rowLimit: 50000 });
      for (const r of chunk) {
        columns.forEach((c, i) => {
          const v = encode(r[c.name], c.type);
          const token = v === null ? "null" : String(v);
          let h = 0x811c9dc5;
          for (let k = 0; k < token.length; ++k) h = Math.imul(h ^ token.charCodeAt(k), 16777619) >>> 0;
          prints[i] = (Math.imul(prints[i], 31) + h) >>> 0;
        });
      }
      rowsRead += chunk.length;
      if (chunk.length < 50000) break;
    }
    entry.rowsRead = rowsRead;
    entry.fingerprints = prints;
    out.tables[name] = entry;
    continue;
  }
  const rows = table.getData().map((r) => columns.map((c) => encode(r[c.name], c.type)));
  if (summary) {
    entry.rowsRead = rows.length;
    entry.digest = createHash("sha256").update(JSON.stringify(rows)).digest("hex");
  } else {
    entry.rows = rows;
  }
  out.tables[name] = entry;
}
process.stdout.write(JSON.stringify(out) + "\n");
