-- The measurement task prototype: every new measurement task is a copy of
-- it, and its one [Sequence] row holds the default sequence settings.
CREATE TABLE [Sequence] (
  [NumCount] INTEGER,
  [Name] VARCHAR(255),
  [StartTime] TIMESTAMP,
  [StopTime] TIMESTAMP,
  [StartNum] INTEGER,
  [StopNum] INTEGER,
  [ModeMask] TINYINT,
  [SampleInterval] TINYINT,
  [AirPres] REAL,
  [RollingAvg] INTEGER,
  [TubeLength] REAL,
  [ChamberTime] TINYINT,
  [TubeTime] TINYINT,
  [ActiveFilter] TINYINT,
  [LockedFilter] TINYINT,
  [ActiveBank1] TINYINT,
  [ActiveBank2] TINYINT,
  [ActiveBank3] TINYINT,
  [ActiveBank4] TINYINT,
  [ActiveBank5] TINYINT,
  [MeasTimeMode] TINYINT,
  [MeasTime1] TINYINT,
  [MeasTime2] TINYINT,
  [MeasTime3] TINYINT,
  [MeasTime4] TINYINT,
  [MeasTime5] TINYINT,
  [MeasTime6] TINYINT,
  [Compensation] TINYINT,
  [Reserved] INTEGER
);
CREATE INDEX [SequenceByNumber] ON [Sequence] ([NumCount]);
-- A start time of 1997-01-01 reads as "now"; the air pressure (kPa) is the
-- standard atmosphere.
INSERT INTO [Sequence] VALUES (1, 'Sequence 1', '1997-01-01 00:00:00', '1997-01-01 00:00:00', 0, 0,
  0, 1, 101.325, 10, 0.0, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

CREATE TABLE [Alarm] (
  [SequenceNum] INTEGER,
  [Filter] TINYINT,
  [Limit] REAL,
  [RollingAvg] INTEGER,
  [OptMask] TINYINT
);
CREATE INDEX [AlarmOfSequence] ON [Alarm] ([SequenceNum]);
