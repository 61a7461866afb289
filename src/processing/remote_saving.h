// Remote saving: the VBProcess members that bring a gathered article's
// pictures home. Written as free functions over the toolbox whose picture
// settings they read (MaxSize, AllowExt, the watermark switch, the
// watermark settings); VBProcess forwards to them one to one. None raises.
//
// What a remote site sends never decides where or what is written: only
// picture and media files (gif, jpg, jpeg, png, bmp, swf, fla, psd; the
// toolbox's AllowExt may narrow the set, never widen it) are saved, under
// names the toolbox draws, inside the folder the engine gives, and a body
// larger than MaxSize (or than the fetch cap when MaxSize is 0) is dropped
// before any byte reaches the disk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::processing {

class VBProcess;

// How many pictures of one entry are fetched at the same time: a site
// answers a few requests of one visitor at once, and each picture
// otherwise costs a whole round trip.
inline constexpr size_t kPicturesAtOnce = 4;

// One picture to save: SaveRemoteFile's two arguments and its answer.
struct RemotePicture {
  std::string local;   // s_LocalFileName
  std::string remote;  // s_RemoteFileUrl
  bool saved = false;
};

// Fetches s_RemoteFileUrl (sent with itself as Referer) and writes its body
// to s_LocalFileName (virtual or physical), then hands the file to the
// watermark hook while the switch is on. True when the file was written.
// False, with nothing written, for: a status above 300, a body under 100
// bytes or over the size limit, a body that does not end within the fetch
// limits, a local name whose extension is not a picture or media one, a
// body that is not of the format the extension names by its leading bytes
// (a page or a script saved as a picture would be served as one), a local
// path with a ".." level, and an existing file (never replaced). The
// file appears whole or not at all (written beside and renamed).
bool SaveRemoteFile(const VBProcess& box, std::string_view s_LocalFileName,
                    std::string_view s_RemoteFileUrl);

// SaveRemoteFile for every picture, each saved flag set to its answer, with
// up to at_once fetches under way together (1: one after another). The
// files are written and watermarked on the calling thread in list order,
// so the result is what one SaveRemoteFile per picture in order leaves;
// every fetch runs through the same checks, limits and address rule.
void SaveRemoteFiles(const VBProcess& box, std::vector<RemotePicture>& pictures,
                     size_t at_once = kPicturesAtOnce);

// Saves every distinct absolute picture address of sHTML (an allowed
// extension on a host whose name ends in a listed top-level name or a
// number) into the folder strPath (ending in "/") under a new name, and
// points the content at the saved copies. Each saved file adds "|" and its
// path from the last "UploadPic" of strPath on to box.PathFileName; a
// picture that is not saved keeps its remote address. When the content
// holds no picture address PathFileName is cleared. A new name never
// repeats an existing file's.
// The pictures' new names are all drawn, in order, before any is fetched;
// then they are saved as SaveRemoteFiles saves them.
std::string RemoteToLocal(VBProcess& box, std::string_view sHTML, std::string_view strPath);
// The same, with the entry's other pictures (`along`, named before the
// content's) fetched together with the content's and their flags set.
std::string RemoteToLocal(VBProcess& box, std::string_view sHTML, std::string_view strPath,
                          std::vector<RemotePicture>& along, size_t at_once = kPicturesAtOnce);

}  // namespace ostrel::processing
