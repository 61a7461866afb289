-- The gathering database: the gathering items and settings of the three
-- channels. Tables read by position keep their column order; change one only
-- by rebuilding it (ALTER TABLE ADD COLUMN appends at the end).
-- Keys the database assigns are AUTOINCREMENT, so an id is never reused.
-- Dates are stored as text "YYYY-MM-DD HH:MM:SS" (local time). No column is
-- NOT NULL: clones copy Nulls, and several rule columns may be Null.

-- Article gathering items. Loaded whole and read by position, so the column order is fixed.
CREATE TABLE IF NOT EXISTS QX_NewsItem (
  ItemID        INTEGER PRIMARY KEY AUTOINCREMENT,
  ItemName      TEXT DEFAULT '',
  SiteUrl       TEXT DEFAULT '',
  ChannelID     INTEGER DEFAULT 0,
  ClassID       INTEGER DEFAULT 0,
  SpecialID     INTEGER DEFAULT 0,
  StopItem      INTEGER DEFAULT 0,
  Encoding      TEXT DEFAULT 'GB2312',
  IsDown        INTEGER DEFAULT 0,
  AutoClass     INTEGER DEFAULT 0,
  PathForm      INTEGER DEFAULT 1,
  IsNowTime     INTEGER DEFAULT 0,
  AllHits       INTEGER DEFAULT 0,
  star          INTEGER DEFAULT 3,
  RemoveCode    TEXT DEFAULT '1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0',
  lastime       DATETIME DEFAULT (datetime('now','localtime')),
  RemoteListUrl TEXT DEFAULT '',
  PaginalList   TEXT DEFAULT '',
  IsPagination  INTEGER DEFAULT 0,
  startid       INTEGER DEFAULT 1,
  lastid        INTEGER DEFAULT 2,
  FindListCode  TEXT DEFAULT '0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0',
  FindInfoCode  TEXT DEFAULT '0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0',
  RetuneClass   TEXT,
  IsNextPage    INTEGER DEFAULT 0,
  NamedDemourl  TEXT DEFAULT '',
  strReplace    TEXT
);
CREATE INDEX IF NOT EXISTS ix_NewsItem_Channel ON QX_NewsItem (ChannelID, lastime);

-- Article gathering settings: one row, id 1, read by position.
CREATE TABLE IF NOT EXISTS QX_NewsConfig (
  id          INTEGER PRIMARY KEY,
  stopGather  INTEGER DEFAULT 0,
  RepeatDeal  INTEGER DEFAULT 0,
  MaxPicSize  INTEGER DEFAULT 0,
  AllowPicExt TEXT DEFAULT '',
  setInterval INTEGER DEFAULT 0
);

-- Software gathering items, read by position.
CREATE TABLE IF NOT EXISTS QX_SoftItem (
  ItemID        INTEGER PRIMARY KEY AUTOINCREMENT,
  ItemName      TEXT DEFAULT '',
  SiteUrl       TEXT DEFAULT '',
  ChannelID     INTEGER DEFAULT 0,
  ClassID       INTEGER DEFAULT 0,
  SpecialID     INTEGER DEFAULT 0,
  StopItem      INTEGER DEFAULT 0,
  Encoding      TEXT DEFAULT 'GB2312',
  IsDown        INTEGER DEFAULT 0,
  downid        INTEGER DEFAULT 0,
  MaxAddress    INTEGER DEFAULT 1,
  AutoClass     INTEGER DEFAULT 0,
  PathForm      INTEGER DEFAULT 1,
  SaveFilePath  TEXT DEFAULT '/soft/UploadFile/',
  AutoRename    INTEGER DEFAULT 0,
  IsNowTime     INTEGER DEFAULT 0,
  AllHits       INTEGER DEFAULT 0,
  star          INTEGER DEFAULT 3,
  RemoveCode    TEXT DEFAULT '1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0',
  lastime       DATETIME DEFAULT (datetime('now','localtime')),
  RemoteListUrl TEXT DEFAULT '',
  PaginalList   TEXT DEFAULT '',
  IsPagination  INTEGER DEFAULT 0,
  startid       INTEGER DEFAULT 1,
  lastid        INTEGER DEFAULT 2,
  FindListCode  TEXT DEFAULT '0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0',
  FindInfoCode  TEXT DEFAULT '0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0',
  downpage      INTEGER DEFAULT 0,
  RetuneClass   TEXT,
  RemoveFile    TEXT,
  strLeachName  TEXT,
  NamedDemourl  TEXT DEFAULT '',
  strReplace    TEXT
);
CREATE INDEX IF NOT EXISTS ix_SoftItem_Channel ON QX_SoftItem (ChannelID, lastime);

-- Software gathering settings: one row, id 1, read by position.
CREATE TABLE IF NOT EXISTS QX_SoftConfig (
  id           INTEGER PRIMARY KEY,
  UseDownload  INTEGER DEFAULT 0,
  RepeatDeal   INTEGER DEFAULT 0,
  isProgress   INTEGER DEFAULT 0,
  TrueAddress  INTEGER DEFAULT 0,
  setInterval  INTEGER DEFAULT 0,
  MaxDownSize  INTEGER DEFAULT 0,
  AllowDownExt TEXT DEFAULT '',
  FilePrefix   TEXT DEFAULT '0',
  FileSuffix   TEXT DEFAULT '0',
  isZipFile    INTEGER DEFAULT 0,
  ZipMode      INTEGER DEFAULT 0,
  ZipTimeout   INTEGER DEFAULT 1000,
  MaxZipsize   INTEGER DEFAULT 0,
  AllowFileExt TEXT DEFAULT '',
  WinRarPath   TEXT DEFAULT '',
  DownFilePath TEXT DEFAULT '',
  ReadmePath   TEXT DEFAULT '',
  ReadmeFile   TEXT DEFAULT '',
  RarNoteFile  TEXT DEFAULT ''
);

-- Flash gathering items, read by position.
CREATE TABLE IF NOT EXISTS QX_FlashItem (
  ItemID        INTEGER PRIMARY KEY AUTOINCREMENT,
  ItemName      TEXT DEFAULT '',
  SiteUrl       TEXT DEFAULT '',
  ChannelID     INTEGER DEFAULT 0,
  ClassID       INTEGER DEFAULT 0,
  SpecialID     INTEGER DEFAULT 0,
  StopItem      INTEGER DEFAULT 0,
  Encoding      TEXT DEFAULT 'GB2312',
  IsDown        INTEGER DEFAULT 0,
  showmode      INTEGER DEFAULT 1,
  AutoClass     INTEGER DEFAULT 0,
  PathForm      INTEGER DEFAULT 1,
  SaveFilePath  TEXT DEFAULT 'UploadFile/',
  AutoRename    INTEGER DEFAULT 0,
  IsNowTime     INTEGER DEFAULT 0,
  AllHits       INTEGER DEFAULT 0,
  star          INTEGER DEFAULT 3,
  RemoveCode    TEXT DEFAULT '1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0',
  lastime       DATETIME DEFAULT (datetime('now','localtime')),
  RemoteListUrl TEXT DEFAULT '',
  PaginalList   TEXT DEFAULT '',
  IsPagination  INTEGER DEFAULT 0,
  startid       INTEGER DEFAULT 1,
  lastid        INTEGER DEFAULT 2,
  FindListCode  TEXT DEFAULT '0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0',
  FindInfoCode  TEXT DEFAULT '0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0$$$0',
  downpage      INTEGER DEFAULT 0,
  RetuneClass   TEXT,
  NamedDemourl  TEXT DEFAULT '',
  strReplace    TEXT
);
CREATE INDEX IF NOT EXISTS ix_FlashItem_Channel ON QX_FlashItem (ChannelID, lastime);

-- Flash gathering settings: one row, id 1, read by position (no TrueAddress column, so
-- setInterval sits one place earlier than in QX_SoftConfig).
CREATE TABLE IF NOT EXISTS QX_FlashConfig (
  id           INTEGER PRIMARY KEY,
  UseDownload  INTEGER DEFAULT 0,
  RepeatDeal   INTEGER DEFAULT 0,
  isProgress   INTEGER DEFAULT 0,
  setInterval  INTEGER DEFAULT 0,
  MaxDownSize  INTEGER DEFAULT 0,
  AllowDownExt TEXT DEFAULT '',
  FilePrefix   TEXT DEFAULT '0',
  FileSuffix   TEXT DEFAULT '0'
);
