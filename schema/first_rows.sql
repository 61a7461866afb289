-- The rows a new site starts with. Every insert leaves an existing row alone,
-- so running this again never changes settings an administrator has made.

-- Gathering settings, one row each (id 1): gathering open, duplicates
-- skipped, pictures up to 500 KB, one second between two run steps.
INSERT OR IGNORE INTO QX_NewsConfig (id, stopGather, RepeatDeal, MaxPicSize, AllowPicExt, setInterval)
  VALUES (1, 0, 0, 500, 'gif|jpg|jpeg|png|bmp', 1000);
INSERT OR IGNORE INTO QX_SoftConfig (id, UseDownload, RepeatDeal, isProgress, TrueAddress,
  setInterval, MaxDownSize, AllowDownExt, FilePrefix, FileSuffix, isZipFile, ZipMode, ZipTimeout,
  MaxZipsize, AllowFileExt, WinRarPath, DownFilePath, ReadmePath, ReadmeFile, RarNoteFile)
  VALUES (1, 0, 0, 0, 0, 1000, 0, 'zip|rar|exe', '0', '0', 0, 0, 1000, 0, 'zip|rar', '', '', '',
  '', '');
INSERT OR IGNORE INTO QX_FlashConfig (id, UseDownload, RepeatDeal, isProgress, setInterval,
  MaxDownSize, AllowDownExt, FilePrefix, FileSuffix)
  VALUES (1, 0, 0, 0, 1000, 0, 'swf|gif|jpg|png', '0', '0');

-- The site configuration. PreviewSetting holds the 16 comma-separated
-- watermark items; the first one, 4, switches watermarking off.
INSERT OR IGNORE INTO QX_Config (id, SiteName, InstallDir, FSO_ScriptName, VersionID,
  PreviewSetting)
  VALUES (1, '我的网站', '/', 'Scripting.FileSystemObject', 1,
  '4,0,1,120,90,0,12,#FF0000,宋体,0,images/mark.gif,0.5,0,88,31,4');

-- The article channel (1) with a small class tree:
--   新闻 (1)   top class with two children
--     国内 (2)
--     国际 (3)
--   技术 (4)   top class without children
-- rootid groups a top class with its children; orders sorts inside a group.
INSERT OR IGNORE INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, rootid,
  orders, parentid, Parentstr, ClassDir, HtmlFileDir, ShowCount, isUpdate)
  VALUES (1, 1, '新闻', 0, 0, 2, 1, 0, 0, '0', 'news', 'news', 0, 0),
         (2, 1, '国内', 1, 0, 0, 1, 1, 1, '1', 'china', 'news/china', 0, 0),
         (3, 1, '国际', 1, 0, 0, 1, 2, 1, '1', 'world', 'news/world', 0, 0),
         (4, 1, '技术', 0, 0, 0, 2, 0, 0, '0', 'tech', 'tech', 0, 0);

-- The software channel's (2) one download server (a top-level server is its
-- own root).
INSERT OR IGNORE INTO QX_DownServer (downid, ChannelID, DownloadName, depth, rootid)
  VALUES (1, 2, '本地下载', 0, 1);
