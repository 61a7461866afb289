// The Flash channel's base settings and the fields of one gathering item,
// as FlashCollection's readers fill them from the cached rows of
// QX_FlashConfig and QX_FlashItem (read by column position).
#pragma once

#include <cstdint>
#include <string>

namespace ostrel::flash {

// QX_FlashConfig, columns 1 to 8.
struct FlashSettings {
  int16_t UseDownload = 0;   // 0 off, 1 on, 9 test mode (nothing stored)
  int16_t RepeatDeal = 0;    // a known title: 0 skip, 1 update, 2 add again
  int16_t isProgress = 0;    // 0 none, 1 speed, 2 bar, 3 both
  int32_t setInterval = 0;   // ms between two entries of a run
  int32_t MaxDownSize = 0;   // KB; 0 = no limit
  std::string AllowDownExt;  // "|"-separated
  std::string FilePrefix;    // "0" = none
  std::string FileSuffix;    // "0" = none
};

// QX_FlashItem, columns 4 to 17, 19 to 27 and 29.
struct FlashItemFields {
  int32_t ClassID = 0;
  int32_t SpecialID = 0;
  int16_t StopItem = 0;
  std::string Encoding;
  int16_t IsDown = 0;
  int16_t showmode = 0;  // 0 to 5, see ShowFlashMode
  int16_t AutoClass = 0;
  int32_t PathForm = 0;
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
  std::string RetuneClass;  // kept as it was when the column is Null
  std::string strReplace;   // kept as it was when the column is Null
};

}  // namespace ostrel::flash
