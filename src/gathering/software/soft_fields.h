// The software channel's base settings and the fields of one gathering
// item, as SoftCollection's readers fill them from the cached rows of
// QX_SoftConfig and QX_SoftItem (read by column position).
#pragma once

#include <cstdint>
#include <string>

namespace ostrel::software {

// QX_SoftConfig, columns 1 to 19.
struct SoftSettings {
  int16_t UseDownload = 0;   // 0 off, 1 on, 9 test mode (nothing stored)
  int16_t RepeatDeal = 0;    // a known name: 0 skip, 1 update, 2 add again
  int16_t isProgress = 0;    // 0 none, 1 speed, 2 bar, 3 both
  int16_t TrueAddress = 0;   // resolve the real download address
  int32_t setInterval = 0;   // ms between two entries of a run
  int32_t MaxDownSize = 0;   // KB; 0 = no limit
  std::string AllowDownExt;  // "|"-separated
  std::string FilePrefix;    // "0" = none
  std::string FileSuffix;    // "0" = none
  int16_t isZipFile = 0;     // 0 whenever ZipSwitch is off
  int16_t ZipMode = 0;       // 0 rar, 1 zip
  int32_t ZipTimeout = 0;    // ms after a re-pack
  int32_t MaxZipsize = 0;    // KB; 0 = no limit
  std::string AllowFileExt;  // "|"-separated
  std::string WinRarPath;
  std::string DownFilePath;
  std::string ReadmePath;
  std::string ReadmeFile;  // names joined by "|"
  std::string RarNoteFile;
};

// QX_SoftItem, columns 4 to 18, 20 to 30 and 32.
struct SoftItemFields {
  int32_t ClassID = 0;
  int32_t SpecialID = 0;
  int16_t StopItem = 0;
  std::string Encoding;
  int16_t IsDown = 0;
  int32_t downid = 0;  // the download server's rootid; 0 none
  int16_t MaxAddress = 0;
  int16_t AutoClass = 0;
  int16_t PathForm = 0;
  std::string SaveFilePath;
  int16_t AutoRename = 0;
  int16_t IsNowTime = 0;
  int32_t AllHits = 0;
  int16_t star = 0;
  std::string RemoveCode;
  std::string RemoteListUrl;
  std::string PaginalList;
  int16_t IsPagination = 0;
  int32_t startid = 0;
  int32_t lastid = 0;
  std::string FindListCode;
  std::string FindInfoCode;
  int16_t downpage = 0;
  std::string RetuneClass;   // kept as it was when the column is Null
  std::string RemoveFile;    // kept as it was when the column is Null
  std::string strLeachName;  // kept when Null; "" whenever ZipSwitch is off
  std::string strReplace;    // kept as it was when the column is Null
};

}  // namespace ostrel::software
