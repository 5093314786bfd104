-- The line database of ctrlprog: one table for the rows of every station's production record.
-- Run once as the database's owner:   psql -d ctrlprog_line -f line-db.sql
-- then give each station a login in ctrlprog_station and each report reader one in
-- ctrlprog_report (see the README, "A line of stations").

CREATE TABLE IF NOT EXISTS ctrlprog_rows (
  station  text        NOT NULL,
  row_no   bigint      NOT NULL CHECK (row_no > 0),
  time     timestamptz NOT NULL,
  port     text        NOT NULL,
  file     text        NOT NULL,
  frame    text        NOT NULL CHECK (frame ~ '^[0-9A-F]{2}( [0-9A-F]{2}){25}$'),
  result   text        NOT NULL CHECK (result IN ('PASS', 'FAIL', 'UNCONFIRMED', 'LOST', 'RESTORED')),
  cycle_ms integer,
  received timestamptz NOT NULL DEFAULT now(),
  PRIMARY KEY (station, row_no)
);
CREATE INDEX IF NOT EXISTS ctrlprog_rows_time ON ctrlprog_rows (time);

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
-- needs to read); reports only read.
REVOKE ALL ON ctrlprog_rows FROM PUBLIC;
GRANT INSERT ON ctrlprog_rows TO ctrlprog_station;
GRANT SELECT (station, row_no) ON ctrlprog_rows TO ctrlprog_station;
GRANT SELECT ON ctrlprog_rows TO ctrlprog_report;
