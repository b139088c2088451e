-- The system database: program settings, the task lists, and the stored
-- filter banks of every monitor.
CREATE TABLE [Global] (
  [OpenDB] VARCHAR(255),
  [ComPort] TINYINT,
  [FontHeight] INTEGER,
  [FontWeight] INTEGER,
  [FontOutPrecision] TINYINT,
  [FontClipPrecision] TINYINT,
  [FontQuality] TINYINT,
  [FontPitchAndFamily] TINYINT,
  [FontFaceName] VARCHAR(255),
  [FontItalic] TINYINT,
  [FontUnderline] TINYINT,
  [HumidityUnit] TINYINT,
  [PressureUnit] TINYINT,
  [TempUnit] TINYINT,
  [GasConcUnit] TINYINT,
  [LengthUnit] TINYINT,
  [NormTemp] REAL
);
-- COM1, a 10-point sans serif, ppm for gases and water vapour, hPa, degrees
-- Celsius, metres, 20 degrees Celsius.
INSERT INTO [Global] VALUES ('', 0, -13, 400, 0, 0, 0, 0, 'DejaVu Sans', 0, 0, 4, 3, 1, 4, 0, 20.0);

CREATE TABLE [DBList] ([DBName] VARCHAR(255), [DBDesc] VARCHAR(255), [DBSerial] VARCHAR(255));
CREATE TABLE [DBListCali] ([DBName] VARCHAR(255), [DBDesc] VARCHAR(255), [DBSerial] VARCHAR(255));

CREATE TABLE [Bank] (
  [ID] INTEGER,
  [Filter] SMALLINT,
  [Bank] SMALLINT,
  [GasName] VARCHAR(255),
  [MW] REAL,
  [ZeroDate] TIMESTAMP,
  [ConcOffset] REAL,
  [HumiDate] TIMESTAMP,
  [HumiGain] REAL,
  [SpanDate] TIMESTAMP,
  [TwoPoint] TINYINT,
  [SpanLow] REAL,
  [SpanHigh] REAL,
  [CrosDate] TIMESTAMP,
  [Cross1] REAL,
  [Cross2] REAL,
  [Cross3] REAL,
  [Cross4] REAL
);
CREATE INDEX [BankOfSet] ON [Bank] ([ID], [Filter], [Bank]);

CREATE TABLE [BankSet] (
  [ID] INTEGER,
  [SetType] TINYINT,
  [SerialNum] VARCHAR(255),
  [SaveDate] TIMESTAMP,
  [Desc] VARCHAR(255),
  [UANum1] VARCHAR(255),
  [UANum2] VARCHAR(255),
  [UANum3] VARCHAR(255),
  [UANum4] VARCHAR(255),
  [UANum5] VARCHAR(255)
);
CREATE INDEX [BankSetID] ON [BankSet] ([ID]);
CREATE INDEX [BankSetOfMonitor] ON [BankSet] ([SetType], [SerialNum]);
