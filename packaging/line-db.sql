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

-- Sums kept with the rows, so a report over a year reads a year of quarter hours, not of rows:
-- per station, port and quarter hour (UTC) the counts a report shows; per scanned board its
-- PASS rows; the PASS rows of each board that passed more than once; and per journal and day
-- when it wrote. Triggers keep them in
-- the transaction that adds (or removes) the rows, from the rows it really added: a row sent
-- twice, which ON CONFLICT DO NOTHING keeps out, is not in the statement's new rows and counts
-- once. They run as the table's owner, so a station that may only add rows keeps them too.
-- A station does this itself to a table it made; a table an administrator made without them
-- is upgraded by running this file as its owner, which fills them once from the rows there.
-- The summing begins.
CREATE TABLE IF NOT EXISTS ctrlprog_quarters (
  start       timestamptz NOT NULL CHECK (date_bin('15 minutes', start, 'epoch') = start),
  station     text        NOT NULL,
  port        text        NOT NULL,
  passes      bigint      NOT NULL,
  fails       bigint      NOT NULL,
  unconfirmed bigint      NOT NULL,
  lost        bigint      NOT NULL,
  unnamed     bigint      NOT NULL,  -- results of boards without a serial
  named       bigint      NOT NULL,  -- first attempts of scanned boards
  first_pass  bigint      NOT NULL,  -- scanned boards that passed at their first attempt
  PRIMARY KEY (start, station, port)
);
CREATE TABLE IF NOT EXISTS ctrlprog_passes (
  serial text   PRIMARY KEY,
  passes bigint NOT NULL
);
CREATE TABLE IF NOT EXISTS ctrlprog_repasses (
  journal     text        NOT NULL,
  journal_row bigint      NOT NULL,
  serial      text        NOT NULL,
  time        timestamptz NOT NULL,
  PRIMARY KEY (journal, journal_row)
);
CREATE INDEX IF NOT EXISTS ctrlprog_repasses_serial ON ctrlprog_repasses (serial);
-- When each journal wrote, per UTC day: its first and last row's time.
CREATE TABLE IF NOT EXISTS ctrlprog_journal_days (
  start   timestamptz NOT NULL CHECK (date_bin('1 day', start, 'epoch') = start),
  station text        NOT NULL,
  journal text        NOT NULL,
  first   timestamptz NOT NULL,
  last    timestamptz NOT NULL,
  PRIMARY KEY (start, station, journal)
);
-- The quarter hours added up by the UTC hour: what a report reads for a place whose clocks are
-- a whole number of hours off UTC, a quarter of the rows. Names compare by their bytes, as the
-- report orders them.
CREATE TABLE IF NOT EXISTS ctrlprog_hours (
  start       timestamptz    NOT NULL CHECK (date_bin('1 hour', start, 'epoch') = start),
  station     text COLLATE "C" NOT NULL,
  port        text COLLATE "C" NOT NULL,
  passes      bigint         NOT NULL,
  fails       bigint         NOT NULL,
  unconfirmed bigint         NOT NULL,
  lost        bigint         NOT NULL,
  unnamed     bigint         NOT NULL,
  named       bigint         NOT NULL,
  first_pass  bigint         NOT NULL,
  PRIMARY KEY (station, start, port)
);
CREATE INDEX IF NOT EXISTS ctrlprog_hours_start ON ctrlprog_hours (start);
REVOKE ALL ON ctrlprog_hours FROM PUBLIC;
-- Where the trigger function in place does not keep the hour sums (this file of a version before
-- them, run again, put it back), rows added since are missing from them: they are filled anew
-- below, and reports read the quarter hours until then.
DO $$
BEGIN
  IF NOT coalesce((SELECT position('INSERT INTO ctrlprog_hours' IN prosrc) > 0 FROM pg_proc
                   WHERE oid = to_regprocedure('ctrlprog_keep_sums()')), false) THEN
    COMMENT ON TABLE ctrlprog_hours IS NULL;
  END IF;
  IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'ctrlprog_report') THEN
    GRANT SELECT ON ctrlprog_hours TO ctrlprog_report;
  END IF;
END
$$;

-- Adds the rows of `source` (a trigger's new or old rows) to the sums with `sign` 1, or takes
-- them away with -1. A board's count is upserted row by row in the order of serials, so two
-- stations adding the same board wait for each other, and the second sees the first's rows.
CREATE OR REPLACE FUNCTION ctrlprog_keep_sums() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
  source text;
  sign   integer;
  counted text[];
  again   text[];
BEGIN
  IF TG_OP = 'TRUNCATE' THEN
    TRUNCATE ctrlprog_quarters, ctrlprog_hours, ctrlprog_passes, ctrlprog_repasses,
      ctrlprog_journal_days;
    RETURN NULL;
  END IF;
  FOR source, sign IN
    SELECT t, s FROM (VALUES ('old_rows', -1), ('new_rows', 1)) AS v (t, s)
    WHERE (s < 0 AND TG_OP IN ('UPDATE', 'DELETE')) OR (s > 0 AND TG_OP IN ('UPDATE', 'INSERT'))
  LOOP
    EXECUTE format($q$
      INSERT INTO ctrlprog_quarters AS q
      SELECT date_bin('15 minutes', time, 'epoch'), station, port,
        %1$s * count(*) FILTER (WHERE result = 'PASS'),
        %1$s * count(*) FILTER (WHERE result = 'FAIL'),
        %1$s * count(*) FILTER (WHERE result = 'UNCONFIRMED'),
        %1$s * count(*) FILTER (WHERE result = 'LOST'),
        %1$s * count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NULL),
        %1$s * count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NOT NULL AND attempt = 1),
        %1$s * count(*) FILTER (WHERE result = 'PASS' AND serial IS NOT NULL AND attempt = 1)
      FROM %2$I WHERE result <> 'RESTORED' GROUP BY 1, 2, 3 ORDER BY 1, 2, 3
      ON CONFLICT (start, station, port) DO UPDATE SET
        passes = q.passes + excluded.passes, fails = q.fails + excluded.fails,
        unconfirmed = q.unconfirmed + excluded.unconfirmed, lost = q.lost + excluded.lost,
        unnamed = q.unnamed + excluded.unnamed, named = q.named + excluded.named,
        first_pass = q.first_pass + excluded.first_pass$q$, sign, source);
    EXECUTE format($q$
      INSERT INTO ctrlprog_hours AS h
      SELECT date_bin('1 hour', time, 'epoch'), station, port,
        %1$s * count(*) FILTER (WHERE result = 'PASS'),
        %1$s * count(*) FILTER (WHERE result = 'FAIL'),
        %1$s * count(*) FILTER (WHERE result = 'UNCONFIRMED'),
        %1$s * count(*) FILTER (WHERE result = 'LOST'),
        %1$s * count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NULL),
        %1$s * count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NOT NULL AND attempt = 1),
        %1$s * count(*) FILTER (WHERE result = 'PASS' AND serial IS NOT NULL AND attempt = 1)
      FROM %2$I WHERE result <> 'RESTORED' GROUP BY 1, 2, 3 ORDER BY 1, 2, 3
      ON CONFLICT (station, start, port) DO UPDATE SET
        passes = h.passes + excluded.passes, fails = h.fails + excluded.fails,
        unconfirmed = h.unconfirmed + excluded.unconfirmed, lost = h.lost + excluded.lost,
        unnamed = h.unnamed + excluded.unnamed, named = h.named + excluded.named,
        first_pass = h.first_pass + excluded.first_pass$q$, sign, source);
    EXECUTE format($q$
      WITH c AS (
        INSERT INTO ctrlprog_passes AS p
        SELECT serial, %1$s * count(*) FROM %2$I
        WHERE result = 'PASS' AND serial IS NOT NULL GROUP BY 1 ORDER BY 1
        ON CONFLICT (serial) DO UPDATE SET passes = p.passes + excluded.passes
        RETURNING serial, passes)
      SELECT array_agg(serial), array_agg(serial) FILTER (WHERE passes > 1) FROM c$q$,
      sign, source) INTO counted, again;
    IF sign > 0 THEN
      EXECUTE format($q$
        INSERT INTO ctrlprog_journal_days AS d
        SELECT date_bin('1 day', time, 'epoch'), station, journal, min(time), max(time)
        FROM %I GROUP BY 1, 2, 3 ORDER BY 1, 2, 3
        ON CONFLICT (start, station, journal) DO UPDATE SET
          first = least(d.first, excluded.first), last = greatest(d.last, excluded.last)$q$,
        source);
    END IF;
    -- The PASS rows of each board now passed more than once, read afresh (this statement sees
    -- what a station that added the same board before us committed); a board added only
    -- gains passes, so only one passed again needs it.
    IF again IS NOT NULL OR (sign < 0 AND counted IS NOT NULL) THEN
      DELETE FROM ctrlprog_repasses
      WHERE serial = ANY (CASE WHEN sign > 0 THEN again ELSE counted END);
      INSERT INTO ctrlprog_repasses
      SELECT journal, journal_row, serial, time FROM ctrlprog_rows
      WHERE serial = ANY (again) AND result = 'PASS';
    END IF;
  END LOOP;
  -- A day a journal lost rows in is read again from the rows it still has.
  IF TG_OP IN ('UPDATE', 'DELETE') THEN
    DELETE FROM ctrlprog_journal_days d USING old_rows o
    WHERE d.start = date_bin('1 day', o.time, 'epoch') AND d.station = o.station
      AND d.journal = o.journal;
    INSERT INTO ctrlprog_journal_days AS d
    SELECT k.start, r.station, r.journal, min(r.time), max(r.time)
    FROM (SELECT DISTINCT date_bin('1 day', time, 'epoch') AS start, station, journal
          FROM old_rows) AS k
    JOIN ctrlprog_rows r ON r.time >= k.start AND r.time < k.start + interval '1 day'
                        AND r.station = k.station AND r.journal = k.journal
    GROUP BY 1, 2, 3
    ON CONFLICT (start, station, journal) DO UPDATE SET
      first = least(d.first, excluded.first), last = greatest(d.last, excluded.last);
  END IF;
  RETURN NULL;
END
$$;

-- Made, and the sums filled from the rows already there, once: with the triggers in place
-- the sums are kept, and running this again changes nothing.
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_trigger WHERE tgrelid = to_regclass('ctrlprog_rows')
                                          AND tgname = 'ctrlprog_rows_sums_insert') THEN
    LOCK TABLE ctrlprog_rows IN SHARE ROW EXCLUSIVE MODE;
    TRUNCATE ctrlprog_quarters, ctrlprog_hours, ctrlprog_passes, ctrlprog_repasses,
      ctrlprog_journal_days;
    COMMENT ON TABLE ctrlprog_hours IS NULL;  -- filled below, from the quarters
    INSERT INTO ctrlprog_quarters
    SELECT date_bin('15 minutes', time, 'epoch'), station, port,
      count(*) FILTER (WHERE result = 'PASS'), count(*) FILTER (WHERE result = 'FAIL'),
      count(*) FILTER (WHERE result = 'UNCONFIRMED'), count(*) FILTER (WHERE result = 'LOST'),
      count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NULL),
      count(*) FILTER (WHERE result IN ('PASS', 'FAIL', 'UNCONFIRMED') AND serial IS NOT NULL AND attempt = 1),
      count(*) FILTER (WHERE result = 'PASS' AND serial IS NOT NULL AND attempt = 1)
    FROM ctrlprog_rows WHERE result <> 'RESTORED' GROUP BY 1, 2, 3;
    INSERT INTO ctrlprog_passes
    SELECT serial, count(*) FROM ctrlprog_rows
    WHERE result = 'PASS' AND serial IS NOT NULL GROUP BY 1;
    INSERT INTO ctrlprog_repasses
    SELECT r.journal, r.journal_row, r.serial, r.time
    FROM ctrlprog_rows r JOIN ctrlprog_passes p ON p.serial = r.serial AND p.passes > 1
    WHERE r.result = 'PASS';
    INSERT INTO ctrlprog_journal_days
    SELECT date_bin('1 day', time, 'epoch'), station, journal, min(time), max(time)
    FROM ctrlprog_rows GROUP BY 1, 2, 3;
    DROP TRIGGER IF EXISTS ctrlprog_rows_sums_delete ON ctrlprog_rows;
    DROP TRIGGER IF EXISTS ctrlprog_rows_sums_update ON ctrlprog_rows;
    DROP TRIGGER IF EXISTS ctrlprog_rows_sums_truncate ON ctrlprog_rows;
    CREATE TRIGGER ctrlprog_rows_sums_insert AFTER INSERT ON ctrlprog_rows
      REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION ctrlprog_keep_sums();
    CREATE TRIGGER ctrlprog_rows_sums_delete AFTER DELETE ON ctrlprog_rows
      REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT EXECUTE FUNCTION ctrlprog_keep_sums();
    CREATE TRIGGER ctrlprog_rows_sums_update AFTER UPDATE ON ctrlprog_rows
      REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows
      FOR EACH STATEMENT EXECUTE FUNCTION ctrlprog_keep_sums();
    CREATE TRIGGER ctrlprog_rows_sums_truncate AFTER TRUNCATE ON ctrlprog_rows
      FOR EACH STATEMENT EXECUTE FUNCTION ctrlprog_keep_sums();
  END IF;
END
$$;
-- The hour sums, made after the others: filled once from the quarter hours, with the rows held
-- still, and marked filled in the same transaction.
DO $$
BEGIN
  IF obj_description(to_regclass('ctrlprog_hours'), 'pg_class')
       IS DISTINCT FROM 'filled from ctrlprog_quarters' THEN
    LOCK TABLE ctrlprog_rows IN SHARE ROW EXCLUSIVE MODE;
    TRUNCATE ctrlprog_hours;
    INSERT INTO ctrlprog_hours
    SELECT date_bin('1 hour', start, 'epoch'), station, port, sum(passes), sum(fails),
      sum(unconfirmed), sum(lost), sum(unnamed), sum(named), sum(first_pass)
    FROM ctrlprog_quarters GROUP BY 1, 2, 3;
    COMMENT ON TABLE ctrlprog_hours IS 'filled from ctrlprog_quarters';
  END IF;
END
$$;
-- The summing ends.

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
-- The sums are kept by their triggers alone, and read by reports.
REVOKE ALL ON ctrlprog_quarters, ctrlprog_hours, ctrlprog_passes, ctrlprog_repasses,
  ctrlprog_journal_days FROM PUBLIC;
GRANT SELECT ON ctrlprog_quarters, ctrlprog_hours, ctrlprog_repasses, ctrlprog_journal_days
  TO ctrlprog_report;
REVOKE ALL ON FUNCTION ctrlprog_keep_sums() FROM PUBLIC;
