-- Tables every task database has besides its [Sequence]: the task's
-- [Global] row, the measurements and their events, and the windows that
-- were open when the task was last closed.
CREATE TABLE [Global] (
  [SerialNum] VARCHAR(255),
  [UANum1] VARCHAR(255),
  [UANum2] VARCHAR(255),
  [UANum3] VARCHAR(255),
  [UANum4] VARCHAR(255),
  [UANum5] VARCHAR(255),
  [GasName1] VARCHAR(255),
  [GasName2] VARCHAR(255),
  [GasName3] VARCHAR(255),
  [GasName4] VARCHAR(255),
  [GasName5] VARCHAR(255),
  [MW1] REAL,
  [MW2] REAL,
  [MW3] REAL,
  [MW4] REAL,
  [MW5] REAL
);
INSERT INTO [Global] VALUES ('', '', '', '', '', '', '', '', '', '', '', 1.0, 1.0, 1.0, 1.0, 1.0);

CREATE TABLE [Meas] (
  [MeasTime] TIMESTAMP,
  [MeasNo] INTEGER,
  [FilterValues1] REAL,
  [FilterValues2] REAL,
  [FilterValues3] REAL,
  [FilterValues4] REAL,
  [FilterValues5] REAL,
  [FilterValues6] REAL,
  [Temperature] REAL,
  [Pressure] REAL
);
-- Windows read intervals by time; the database observer numbers by MeasNo.
CREATE INDEX [MeasByTime] ON [Meas] ([MeasTime]);
CREATE INDEX [MeasByNumber] ON [Meas] ([MeasNo]);

CREATE TABLE [Event] (
  [EventTime] TIMESTAMP,
  [EventType] TINYINT,
  [EventText] VARCHAR(255),
  [FloatValue] REAL
);
-- One column only: the rowid behind it keeps the order "EventTime" an index walk.
CREATE INDEX [EventByTime] ON [Event] ([EventTime]);

CREATE TABLE [OpenWindows] (
  [ID] INTEGER,
  [WindowType] SMALLINT,
  [WindowStyle] INTEGER,
  [Top] SMALLINT,
  [Left] SMALLINT,
  [Right] SMALLINT,
  [Bottom] SMALLINT,
  [MeasKey] TINYINT,
  [MeasMode] TINYINT,
  [MeasAvg] INTEGER,
  [AutoScaleMode1] TINYINT,
  [AutoScaleMode2] TINYINT,
  [AutoScaleMax1] REAL,
  [AutoScaleMax2] REAL,
  [AutoScaleMin1] REAL,
  [AutoScaleMin2] REAL,
  [FirstMeasNum] INTEGER,
  [LastMeasNum] INTEGER,
  [FirstMeasTime] TIMESTAMP,
  [LastMeasTime] TIMESTAMP,
  [EventMask] INTEGER,
  [CursorFrom] INTEGER,
  [CursorTo] INTEGER
);

CREATE TABLE [OpenColumns] (
  [ID] INTEGER,
  [Pos] TINYINT,
  [Filter] TINYINT,
  [Unit] TINYINT,
  [PenStyle] TINYINT,
  [ColorNum] TINYINT,
  [UserColor] INTEGER
);
CREATE INDEX [ColumnsOfWindow] ON [OpenColumns] ([ID]);
