// Files, folders and XML documents of the VBProcess toolbox, written as free
// functions; VBProcess forwards to them one to one. The gathering engines
// save pictures and downloads in date folders under the site's web folders
// (BuildDatePath names them, CreatedPathEx creates them) under random file
// names, delete their link-list files, and map virtual paths with
// CheckMapPath.
//
// Paths keep their Windows form. A path without a drive colon is a virtual
// path of the site and is mapped with the request's Server.MapPath; the
// members that map take the host objects of the calling toolbox (the ones
// its initialiser took), so a toolbox used outside a page finds no Server
// (error 91) and turns that into its stated result like any other failure.
//
// Only the errors the toolbox lets through reach the caller:
// GetFileExtName of "", FolderExists on a drive that does not exist, and
// everything inside CreateXMLDocument. Every other member turns a failure
// into its stated result (text as far as it got, False or 0).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "component/host_access.h"
#include "platform/fs/find_file.h"
#include "platform/vb/variant.h"
#include "platform/xml/dom_document.h"

namespace ostrel::processing {

// ---- Paths and names --------------------------------------------------------

// The physical folder of strPath, ending in "\" unless LastBacklash is
// False. "//" and "\\" collapse; "" is the current page's folder ("."); a
// path with ":" is physical and only gets "\" separators, any other is
// mapped. A failing step is skipped (a refused mapping leaves the text).
std::string CheckMapPath(const component::HostObjects& host, std::string_view strPath,
                         bool LastBacklash = true);

// The date folder of today in one of the forms 1-9 ("2005-11/", "200511/",
// "2005/11/9/", "20051109/" ...), always ending in "/"; "" for 0 and any
// other form (no date folder).
std::string BuildDatePath(int16_t DirForm);

// A new file name: year, month, day, hour, minute and second of now without
// padding, a random number from 100 to 999, "." and sExt. The generator is
// re-seeded from the clock on every call, and no name is given twice within
// one second of the clock.
std::string GetRndFileName(std::string_view sExt);

// GetRndFileName for a file about to be written in folder (a physical path,
// with or without the final "\"): the number is drawn again while a file or
// folder of that name exists there, so a saved picture never replaces an
// earlier one. Raises 52 (Bad file name) when sExt would not make a plain
// file name (a separator, a wildcard, a control character: the extension
// may come from a remote address) and 58 (File already exists) when every
// number of this second is taken. The name alone is returned.
std::string GetRndFileNameIn(std::string_view folder, std::string_view sExt);

// The text after the last "." ("a.b.GIF" -> "GIF"); a name without "." is
// its own result and a name ending in "." gives "". Raises 9 (Subscript out
// of range) for "".
std::string GetFileExtName(std::string_view sName);

// The trimmed path with "\" appended; "" stays "".
std::string CheckPath(std::string_view sPath);

// ---- Folders ------------------------------------------------------------------

// True when an entry matches sPath among files and folders, hidden and
// system ones included: an existing file counts too. False for "" and for a
// path without a drive. A drive that does not exist raises 52.
bool FolderExists(std::string_view sPath);

// Creates every missing level of the folder sPath ("/" or "\" separators;
// mapped when it has no ":"). Under the web root only the levels below the
// root are created; elsewhere the walk starts at the drive. True when the
// folder exists or was made (or the path is shorter than 3 characters);
// on a failure it tries once more the platform's way (vbCreatPathEx) and
// gives False whatever that does. A path with a ".." level is refused.
bool CreatedPathEx(const component::HostObjects& host, std::string_view sPath);

// The same walk with the platform's directory listing and folder creation.
// Rewrites sPath: separators become "\" and a virtual path becomes the
// physical one. False for a blank path and on any failure.
bool vbCreatPathEx(const component::HostObjects& host, std::string& sPath);

// ---- Files --------------------------------------------------------------------

// Deletes the files / folders (with their content) matching the path,
// wildcards allowed in the last part; blnForce deletes read-only ones too.
// False when nothing matched or anything failed.
bool DeleteFiles(std::string_view sFilePath, bool blnForce = true);
bool DeleteFolders(std::string_view sDirPath, bool blnForce = true);

// Moves a folder / file; never replaces: False when the destination exists
// (both entries stay as they were), when the move fails, or on any error.
bool MoveFolders(std::string_view souDirPath, std::string_view newDirPath);
bool MoveFiles(std::string_view souFilePath, std::string_view newFilePath);

// The size of the first file matching the trimmed path as a signed 32-bit
// number (sizes from 2 GiB to 4 GiB come out negative); 0 when nothing
// matches, on any error, and for 4 GiB and more.
int32_t FindFileSize(std::string_view strFindFileName);

// The find record of the first entry matching path, all zero when none
// does (the module routine the size and time members share).
fs::FindData GetFileInfo(const vb::Variant& path);

// ---- XML documents ------------------------------------------------------------

// A new DOM document of the newest installed version (4.0, 3.0, 2.6, then
// the version-independent one); nothing when none is installed.
std::shared_ptr<xml::DomDocument> CreateXML2DOM();
// The same with the free-threaded documents.
std::shared_ptr<xml::DomDocument> CreateXMLDOM();

// Parses sXML and saves it to FilePath (mapped when it has no ":"). False
// when sXML does not parse (nothing is written). Errors reach the caller:
// no DOM installed (91), a refused mapping, a save that fails.
bool CreateXMLDocument(const component::HostObjects& host, std::string_view sXML,
                       std::string_view FilePath);

}  // namespace ostrel::processing
