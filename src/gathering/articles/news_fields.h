// The article channel's base settings and the fields of one gathering item,
// as NewsCollection's readers fill them from the cached rows of
// QX_NewsConfig and QX_NewsItem (read by column position).
#pragma once

#include <cstdint>
#include <string>

namespace ostrel::articles {

// QX_NewsConfig, columns 1 to 5.
struct NewsSettings {
  int16_t stopGather = 0;   // 1 closed, 0 open, 9 test mode
  int16_t RepeatDeal = 0;   // a known title: 0 skip, 1 update, 2 add again
  int32_t MaxPicSize = 0;   // KB; 0 = no limit
  std::string AllowPicExt;  // "|"-separated
  int32_t setInterval = 0;  // ms between two articles of a run
};

// QX_NewsItem, columns 4 to 14, 16 to 24 and 26.
struct NewsItemFields {
  int32_t ClassID = 0;
  int32_t SpecialID = 0;
  int16_t StopItem = 0;
  std::string Encoding;
  int16_t IsDown = 0;
  int16_t AutoClass = 0;
  int16_t PathForm = 0;
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
  std::string RetuneClass;  // kept as it was when the column is Null
  int16_t IsNextPage = 0;
  std::string strReplace;  // kept as it was when the column is Null
};

}  // namespace ostrel::articles
