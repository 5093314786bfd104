-- The line database of ctrlprog: one table for the rows of every station's production record.
-- Run once as the database's owner:   psql -d ctrlprog_line -f line-db.sql
-- then give each station a login in ctrlprog_station and each report reader one in
-- ctrlprog_report (see the README, "A line of stations"). Running it again changes nothing.
--
-- Each row is keyed by its journal (a random 128-bit id that the program which appended the row
-- wrote in it) and its number in that journal, so rows of different journals never collide
-- whatever their stations are called, and a row sent twice is kept once.

-- The table begins.
CREATE TABLE IF NOT EXISTS ctrlprog_rows (
  journal     text        NOT NULL CHECK (journal ~ '^[0-9a-f]{32}$'),
  journal_row bigint      NOT NULL CHECK (journal_row > 0),
  station     text        NOT NULL CHECK (octet_length(station) BETWEEN 1 AND 200),
  time        timestamptz NOT NULL,
  port        text        NOT NULL,
  file        text        NOT NULL,
  frame       text        NOT NULL CHECK (frame ~ '^[0-9A-F]{2}( [0-9A-F]{2}){25}$'),
  result      text        NOT NULL CHECK (result IN ('PASS', 'FAIL', 'UNCONFIRMED', 'LOST', 'RESTORED')),
  cycle_ms    integer     CHECK (cycle_ms >= 0),
  received    timestamptz NOT NULL DEFAULT now(),
  serial      text        CHECK (octet_length(serial) BETWEEN 1 AND 64),
  attempt     integer     CHECK (attempt > 0),
  checked     text        CHECK (checked IN ('line', 'record')),
  PRIMARY KEY (journal, journal_row)
);
CREATE INDEX IF NOT EXISTS ctrlprog_rows_time ON ctrlprog_rows (time);
CREATE INDEX IF NOT EXISTS ctrlprog_rows_serial ON ctrlprog_rows (serial);
-- The table ends.

-- A table made before rows named their board gains the board's serial and attempt (empty in the
-- rows it holds), how its serial was checked (against the line or a station's record alone) and
-- the index that finds a board's attempts. A station does this itself to a
-- table it made; a table an administrator made is upgraded by running this file as its owner.
-- The upgrade begins.
ALTER TABLE ctrlprog_rows
  ADD COLUMN IF NOT EXISTS serial  text    CHECK (octet_length(serial) BETWEEN 1 AND 64),
  ADD COLUMN IF NOT EXISTS attempt integer CHECK (attempt > 0),
  ADD COLUMN IF NOT EXISTS checked text    CHECK (checked IN ('line', 'record'));
CREATE INDEX IF NOT EXISTS ctrlprog_rows_serial ON ctrlprog_rows (serial);
-- The upgrade ends.

-- A table of the first shape, keyed on (station, row_no), is upgraded in place: its rows keep
-- one journal per station (md5 of the station's name) and their row numbers there. Journals
-- forwarded before the upgrade are best not forwarded again: their rows would arrive once more
-- under their new key.
DO $$
BEGIN
  IF EXISTS (SELECT FROM pg_attribute WHERE attrelid = to_regclass('ctrlprog_rows')
                                        AND attname = 'row_no' AND NOT attisdropped)
     AND NOT EXISTS (SELECT FROM pg_attribute WHERE attrelid = to_regclass('ctrlprog_rows')
                                                AND attname = 'journal' AND NOT attisdropped) THEN
    ALTER TABLE ctrlprog_rows ADD COLUMN journal text, ADD COLUMN journal_row bigint;
    UPDATE ctrlprog_rows SET journal = md5(station), journal_row = row_no;
    ALTER TABLE ctrlprog_rows DROP CONSTRAINT ctrlprog_rows_pkey,
      ALTER COLUMN journal SET NOT NULL, ALTER COLUMN journal_row SET NOT NULL,
      ALTER COLUMN row_no DROP NOT NULL, ADD PRIMARY KEY (journal, journal_row);
  END IF;
END
$$;

DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'ctrlprog_station') THEN
    CREATE ROLE ctrlprog_station NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'ctrlprog_report') THEN
    CREATE ROLE ctrlprog_report NOLOGIN;
  END IF;
END
$$;

-- Stations may only add rows (a row sent twice is kept once, by its key, which ON CONFLICT
-- reads) and look up where a scanned board passed before; reports only read.
REVOKE ALL ON ctrlprog_rows FROM PUBLIC;
GRANT INSERT ON ctrlprog_rows TO ctrlprog_station;
GRANT SELECT (journal, journal_row, serial, attempt, result, station, port, time)
  ON ctrlprog_rows TO ctrlprog_station;
GRANT SELECT ON ctrlprog_rows TO ctrlprog_report;
