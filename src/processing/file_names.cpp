// The name-making members of files_folders.h: date folders, random file
// names, extensions and the trailing "\".
#include <algorithm>
#include <bitset>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fs/fs_error.h"
#include "platform/fs/path_map.h"
#include "platform/vb/datetime.h"
#include "platform/vb/random.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/files_folders.h"

namespace ostrel::processing {
namespace {

constexpr int32_t kFirstNumber = 100;
constexpr int32_t kNumbers = 900;  // 100 to 999

std::string Padded(int32_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Year, month, day, hour, minute and second of now, without padding.
std::string Stamp(vb::DateTime now) {
  std::string s;
  for (int32_t part : {vb::Year(now), vb::Month(now), vb::Day(now), vb::Hour(now), vb::Minute(now),
                       vb::Second(now)}) {
    s += std::to_string(part);
  }
  return s;
}

// The numbers handed out under the current stamp. The stamp is one second
// of the clock, so a name is never given twice in the process, whatever the
// generator draws; a new second starts an empty set.
struct Issued {
  std::mutex mu;
  std::string stamp;
  std::bitset<kNumbers> used;
};

Issued& IssuedNumbers() {
  static Issued issued;
  return issued;
}

int32_t Draw() { return static_cast<int32_t>(std::floor(kNumbers * vb::Rnd())) + kFirstNumber; }

// Draws the number for a name under stamp: the first draw when it is free,
// otherwise a new draw among the free numbers. `taken` says whether a
// number is in use elsewhere (an existing file). -1 when every number is in
// use. Marks the number issued.
//
// `taken` may cost a file look-up, so after a clash the numbers not yet
// issued are drawn from one by one, each dropped when taken, rather than
// all looked up first: the result is still an even draw among the free
// numbers, and a busy second (hundreds of pictures) asks the disk once or
// twice per name instead of hundreds of times.
template <class Taken>
int32_t DrawFree(const std::string& stamp, Taken taken) {
  Issued& issued = IssuedNumbers();
  std::lock_guard lock(issued.mu);
  if (issued.stamp != stamp) {
    issued.stamp = stamp;
    issued.used.reset();
  }
  int32_t n = Draw();
  if (issued.used[n - kFirstNumber] || taken(n)) {
    std::vector<int32_t> left;
    left.reserve(kNumbers);
    for (int32_t k = kFirstNumber; k < kFirstNumber + kNumbers; ++k) {
      if (k != n && !issued.used[k - kFirstNumber]) left.push_back(k);
    }
    n = -1;
    while (!left.empty()) {
      size_t at = static_cast<size_t>(std::floor(left.size() * static_cast<double>(vb::Rnd())));
      at = std::min(at, left.size() - 1);
      if (!taken(left[at])) {
        n = left[at];
        break;
      }
      left[at] = left.back();
      left.pop_back();
    }
    if (n < 0) return -1;
  }
  issued.used[n - kFirstNumber] = true;
  return n;
}

std::string NameFor(const std::string& stamp, int32_t n, std::string_view ext) {
  return stamp + std::to_string(n) + "." + std::string(ext);
}

}  // namespace

std::string BuildDatePath(int16_t DirForm) {
  vb::DateTime today = vb::Now();
  const std::string y = std::to_string(vb::Year(today));
  const std::string m = std::to_string(vb::Month(today));
  const std::string d = std::to_string(vb::Day(today));
  const std::string mm = Padded(vb::Month(today));
  const std::string dd = Padded(vb::Day(today));
  switch (DirForm) {
    case 1:
    case 9:
      return y + "-" + m + "/";
    case 2:
      return y + "_" + m + "/";
    case 3:
    case 8:
      return y + mm + "/";
    case 4:
      return y + "/";
    case 5:
      return y + "/" + m + "/";
    case 6:
      return y + "/" + m + "/" + d + "/";
    case 7:
      return y + mm + dd + "/";
    default:
      return "";
  }
}

std::string GetRndFileName(std::string_view sExt) {
  vb::Randomize();
  std::string stamp = Stamp(vb::Now());
  int32_t n = DrawFree(stamp, [](int32_t) { return false; });
  // More than 900 names in one second: the set is exhausted and a number
  // repeats, as the name has no room for more.
  if (n < 0) n = Draw();
  return NameFor(stamp, n, sExt);
}

std::string GetRndFileNameIn(std::string_view folder, std::string_view sExt) {
  vb::Randomize();
  std::string stamp = Stamp(vb::Now());
  if (!fs::IsValidFileName(NameFor(stamp, kFirstNumber, sExt))) {
    fs::RaiseFileError(fs::kErrBadFileName);
  }
  const std::string prefix = CheckPath(folder);
  int32_t n = DrawFree(stamp, [&](int32_t k) {
    return !fs::GetFileInfo(prefix + NameFor(stamp, k, sExt)).file_name.empty();
  });
  if (n < 0) vb::Raise(vb::kErrFileExists);
  return NameFor(stamp, n, sExt);
}

std::string GetFileExtName(std::string_view sName) {
  std::vector<std::string> parts = vb::Split(sName, ".");
  if (parts.empty()) vb::Raise(vb::kErrSubscript);
  return parts.back();
}

std::string CheckPath(std::string_view sPath) {
  std::string path = vb::Trim(sPath);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

}  // namespace ostrel::processing
