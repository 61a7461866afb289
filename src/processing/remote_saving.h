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

#include <string>
#include <string_view>

namespace ostrel::processing {

class VBProcess;

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

// Saves every distinct absolute picture address of sHTML (an allowed
// extension on a host whose name ends in a listed top-level name or a
// number) into the folder strPath (ending in "/") under a new name, and
// points the content at the saved copies. Each saved file adds "|" and its
// path from the last "UploadPic" of strPath on to box.PathFileName; a
// picture that is not saved keeps its remote address. When the content
// holds no picture address PathFileName is cleared. A new name never
// repeats an existing file's.
std::string RemoteToLocal(VBProcess& box, std::string_view sHTML, std::string_view strPath);

}  // namespace ostrel::processing
