-- The host database: site configuration, class tree, special topics,
-- download servers and the content tables the gathering fills.
-- Text matched in WHERE clauses without regard to case (title, ClassName,
-- SoftName) is COLLATE NOCASE. Title and name indexes are not unique: a
-- channel may be set to add duplicates on purpose.

-- Site configuration: one row, read by position. Columns 1, 6, 30, 34 and 39 are used; the
-- others only hold their places.
CREATE TABLE IF NOT EXISTS QX_Config (
  id             INTEGER PRIMARY KEY,
  SiteName       TEXT DEFAULT '',
  Reserved02     TEXT,
  Reserved03     TEXT,
  Reserved04     TEXT,
  Reserved05     TEXT,
  InstallDir     TEXT DEFAULT '/',
  Reserved07     TEXT,
  Reserved08     TEXT,
  Reserved09     TEXT,
  Reserved10     TEXT,
  Reserved11     TEXT,
  Reserved12     TEXT,
  Reserved13     TEXT,
  Reserved14     TEXT,
  Reserved15     TEXT,
  Reserved16     TEXT,
  Reserved17     TEXT,
  Reserved18     TEXT,
  Reserved19     TEXT,
  Reserved20     TEXT,
  Reserved21     TEXT,
  Reserved22     TEXT,
  Reserved23     TEXT,
  Reserved24     TEXT,
  Reserved25     TEXT,
  Reserved26     TEXT,
  Reserved27     TEXT,
  Reserved28     TEXT,
  Reserved29     TEXT,
  FSO_ScriptName TEXT DEFAULT 'Scripting.FileSystemObject',
  Reserved31     TEXT,
  Reserved32     TEXT,
  Reserved33     TEXT,
  VersionID      INTEGER DEFAULT 0,
  Reserved35     TEXT,
  Reserved36     TEXT,
  Reserved37     TEXT,
  Reserved38     TEXT,
  PreviewSetting TEXT DEFAULT '4,0,0,120,90,0,12,#FF0000,Arial,0,0,0.5,0,88,31,4'
);

-- The class tree of every channel. Parentstr lists the ancestors' ClassIDs ("0" for a top
-- class); ShowCount is raised with ShowCount+1, so it must never be NULL.
CREATE TABLE IF NOT EXISTS QX_Classify (
  ClassID     INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID   INTEGER DEFAULT 0,
  ClassName   TEXT COLLATE NOCASE DEFAULT '',
  depth       INTEGER DEFAULT 0,
  TurnLink    INTEGER DEFAULT 0,
  child       INTEGER DEFAULT 0,
  rootid      INTEGER DEFAULT 0,
  orders      INTEGER DEFAULT 0,
  parentid    INTEGER DEFAULT 0,
  Parentstr   TEXT DEFAULT '0',
  ClassDir    TEXT DEFAULT '',
  HtmlFileDir TEXT DEFAULT '',
  ShowCount   INTEGER DEFAULT 0,
  isUpdate    INTEGER DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ix_Classify_Channel ON QX_Classify (ChannelID, ClassName);

-- Special topics of a channel.
CREATE TABLE IF NOT EXISTS QX_Special (
  SpecialID   INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID   INTEGER DEFAULT 0,
  SpecialName TEXT DEFAULT '',
  orders      INTEGER DEFAULT 0
);

-- Download servers; a top-level server's rootid is its own downid.
CREATE TABLE IF NOT EXISTS QX_DownServer (
  downid       INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID    INTEGER DEFAULT 0,
  DownloadName TEXT DEFAULT '',
  depth        INTEGER DEFAULT 0,
  rootid       INTEGER DEFAULT 0
);

-- Gathered articles.
CREATE TABLE IF NOT EXISTS QX_Article (
  ArticleID    INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID    INTEGER DEFAULT 0,
  SpecialID    INTEGER DEFAULT 0,
  ClassID      INTEGER DEFAULT 0,
  title        TEXT COLLATE NOCASE DEFAULT '',
  ColorMode    INTEGER DEFAULT 0,
  FontMode     INTEGER DEFAULT 0,
  content      TEXT DEFAULT '',
  Related      TEXT DEFAULT '',
  Author       TEXT DEFAULT '',
  ComeFrom     TEXT DEFAULT '',
  star         INTEGER DEFAULT 0,
  isTop        INTEGER DEFAULT 0,
  AllHits      INTEGER DEFAULT 0,
  DayHits      INTEGER DEFAULT 0,
  WeekHits     INTEGER DEFAULT 0,
  MonthHits    INTEGER DEFAULT 0,
  HitsTime     DATETIME DEFAULT (datetime('now','localtime')),
  WriteTime    DATETIME DEFAULT (datetime('now','localtime')),
  HtmlFileDate TEXT DEFAULT '',
  username     TEXT DEFAULT '',
  isBest       INTEGER DEFAULT 0,
  BriefTopic   INTEGER DEFAULT 0,
  ImageUrl     TEXT DEFAULT '',
  UploadImage  TEXT DEFAULT '',
  UserGroup    INTEGER DEFAULT 0,
  PointNum     INTEGER DEFAULT 0,
  isUpdate     INTEGER DEFAULT 1,
  isAccept     INTEGER DEFAULT 1,
  ForbidEssay  INTEGER DEFAULT 0,
  AlphaIndex   TEXT DEFAULT ''
);
CREATE INDEX IF NOT EXISTS ix_Article_title ON QX_Article (title);

-- Gathered software entries.
CREATE TABLE IF NOT EXISTS QX_SoftList (
  softid       INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID    INTEGER DEFAULT 0,
  SpecialID    INTEGER DEFAULT 0,
  ClassID      INTEGER DEFAULT 0,
  SoftName     TEXT COLLATE NOCASE DEFAULT '',
  SoftVer      TEXT DEFAULT '',
  ColorMode    INTEGER DEFAULT 0,
  FontMode     INTEGER DEFAULT 0,
  content      TEXT DEFAULT '',
  Related      TEXT DEFAULT '',
  Languages    TEXT DEFAULT '',
  SoftType     TEXT DEFAULT '',
  RunSystem    TEXT DEFAULT '',
  impower      TEXT DEFAULT '',
  SoftSize     INTEGER DEFAULT 0,
  star         INTEGER DEFAULT 0,
  Homepage     TEXT DEFAULT '',
  Contact      TEXT DEFAULT '',
  Author       TEXT DEFAULT '',
  Regsite      TEXT DEFAULT '',
  showreg      INTEGER DEFAULT 0,
  username     TEXT DEFAULT '',
  PointNum     INTEGER DEFAULT 0,
  SoftPrice    NUMERIC DEFAULT 0,
  SoftTime     DATETIME DEFAULT (datetime('now','localtime')),
  isTop        INTEGER DEFAULT 0,
  AllHits      INTEGER DEFAULT 0,
  DayHits      INTEGER DEFAULT 0,
  WeekHits     INTEGER DEFAULT 0,
  MonthHits    INTEGER DEFAULT 0,
  HitsTime     DATETIME DEFAULT (datetime('now','localtime')),
  HtmlFileDate TEXT DEFAULT '',
  SoftImage    TEXT DEFAULT '',
  Decode       TEXT DEFAULT '',
  isBest       INTEGER DEFAULT 0,
  UserGroup    INTEGER DEFAULT 0,
  ErrCode      INTEGER DEFAULT 0,
  DownAddress  TEXT DEFAULT '',
  isUpdate     INTEGER DEFAULT 1,
  isAccept     INTEGER DEFAULT 1,
  ForbidEssay  INTEGER DEFAULT 0,
  AlphaIndex   TEXT DEFAULT ''
);
CREATE INDEX IF NOT EXISTS ix_SoftList_name ON QX_SoftList (ChannelID, SoftName);

-- Links between software entries and download servers.
CREATE TABLE IF NOT EXISTS QX_DownAddress (
  id           INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID    INTEGER DEFAULT 0,
  softid       INTEGER DEFAULT 0,
  downid       INTEGER DEFAULT 0,
  DownFileName TEXT DEFAULT ''
);
CREATE INDEX IF NOT EXISTS ix_DownAddress_soft ON QX_DownAddress (ChannelID, softid);

-- Gathered Flash entries.
CREATE TABLE IF NOT EXISTS QX_FlashList (
  FlashID      INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID    INTEGER DEFAULT 0,
  ClassID      INTEGER DEFAULT 0,
  SpecialID    INTEGER DEFAULT 0,
  title        TEXT COLLATE NOCASE DEFAULT '',
  ColorMode    INTEGER DEFAULT 0,
  FontMode     INTEGER DEFAULT 0,
  Introduce    TEXT DEFAULT '',
  Related      TEXT DEFAULT '',
  Describe     TEXT DEFAULT '',
  filesize     NUMERIC DEFAULT 0,
  Author       TEXT DEFAULT '',
  ComeFrom     TEXT DEFAULT '',
  star         INTEGER DEFAULT 0,
  miniature    TEXT DEFAULT '',
  UserGroup    INTEGER DEFAULT 0,
  PointNum     INTEGER DEFAULT 0,
  UserName     TEXT DEFAULT '',
  addTime      DATETIME DEFAULT (datetime('now','localtime')),
  HtmlFileDate TEXT DEFAULT '',
  AllHits      INTEGER DEFAULT 0,
  DayHits      INTEGER DEFAULT 0,
  WeekHits     INTEGER DEFAULT 0,
  MonthHits    INTEGER DEFAULT 0,
  HitsTime     DATETIME DEFAULT (datetime('now','localtime')),
  grade        INTEGER DEFAULT 0,
  showmode     INTEGER DEFAULT 0,
  ErrCode      INTEGER DEFAULT 0,
  isTop        INTEGER DEFAULT 0,
  IsBest       INTEGER DEFAULT 0,
  downid       INTEGER DEFAULT 0,
  showurl      TEXT DEFAULT '',
  DownAddress  TEXT DEFAULT '',
  isUpdate     INTEGER DEFAULT 1,
  isAccept     INTEGER DEFAULT 1,
  ForbidEssay  INTEGER DEFAULT 0,
  AlphaIndex   TEXT DEFAULT ''
);
CREATE INDEX IF NOT EXISTS ix_FlashList_title ON QX_FlashList (ChannelID, title);

-- Shop products; only their pictures matter here (the upload clean-up keeps them).
CREATE TABLE IF NOT EXISTS QX_ShopList (
  ProductID    INTEGER PRIMARY KEY AUTOINCREMENT,
  ChannelID    INTEGER DEFAULT 0,
  ProductImage TEXT DEFAULT ''
);

-- Advertisements; only their pictures matter here (the upload clean-up keeps them).
CREATE TABLE IF NOT EXISTS QX_Adlist (
  AdID   INTEGER PRIMARY KEY AUTOINCREMENT,
  Picurl TEXT DEFAULT ''
);
