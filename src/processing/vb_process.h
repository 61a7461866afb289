// VBProcess: the shared toolbox that every gathering object and the upload
// clean-up own one of. It reaches the page through the request's host
// objects and the host database through the request's shared connection.
// This file holds the frame: public fields, the simple accessors, the
// Application-variable cache and the SQL entry; the other members live in
// the files named after their concern and forward to free functions where
// they need no state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "component/host_access.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"
#include "platform/vb/vb_error.h"
#include "processing/escaping.h"
#include "processing/files_folders.h"
#include "processing/remote_fetch.h"
#include "processing/remote_saving.h"
#include "processing/tag_filter.h"
#include "processing/text_cutting.h"
#include "processing/url_fixing.h"
#include "processing/value_checks.h"
#include "processing/watermark_hook.h"

namespace ostrel::processing {

class VBProcess : public com::Dispatch {
 public:
  VBProcess();
  ~VBProcess() override;

  const com::TypeInfo& Type() const override;

  // Public fields, readable and writable by any holder.
  std::string PathFileName;  // web paths of the saved files, joined by "|"
  bool PictureExist = false;
  std::string PreviewSetting;
  vb::Variant CacheName{"myzemble"};
  vb::Variant CacheData;
  int16_t VersionID = 0;
  std::string SiteName;
  std::string FSO_ScriptName;
  std::string InstallDir;

  std::string Version() const { return "1.1.1282"; }
  void SetAddImageMark(bool on) { add_image_mark_ = on; }
  // Kilobytes; kept in bytes. A byte count beyond 32 bits raises 6 and keeps
  // the old value.
  void SetMaxSize(int32_t kilobytes);
  void SetAllowExt(std::string extensions) { allow_ext_ = std::move(extensions); }
  bool PictureEx() const { return PictureExist; }
  const std::string& AllFileName() const { return PathFileName; }
  void SetCachesName(std::string name) { CacheName = vb::Variant(std::move(name)); }
  void SetConnectstr(std::string connection_string) { connectstr_ = std::move(connection_string); }
  void SetSqlDataBase(int16_t kind) { sql_database_ = kind; }

  // Runs one statement on the request's host connection, opening it first
  // when it is not open. Nothing (nullptr) when the statement fails.
  std::shared_ptr<ado::Recordset> Execute(const vb::Variant& sCommand);

  // Site configuration (site_config.cpp). ReadConfig loads the first row of
  // QX_Config through the cache, from the database at most once a day, and
  // copies five of its columns into the public fields; ReloadConfig stores
  // fresh rows under the selected cache item. LoadSelectClass gives the
  // option list of a channel's class tree, cached per channel; a failing
  // query reaches the caller.
  void ReadConfig();
  void ReloadConfig();
  std::string LoadSelectClass(vb::Variant& ChannelID);

  // The Application-variable cache: Name selects an item and reads it,
  // ObjIsEmpty says whether it must be reloaded, Value stores or reads it.
  void SetName(const vb::Variant& name);
  bool ObjIsEmpty() const;
  void SetValue(const vb::Variant& value);
  vb::Variant Value() const;
  void DelCahe(const vb::Variant& name);

  // Value checks and text formats (pure: see value_checks.h, escaping.h).
  bool ChkBoolean(const std::string& s) const { return processing::ChkBoolean(s); }
  vb::Currency CheckNumeric(const std::string& s) const { return processing::CheckNumeric(s); }
  int32_t ChkNumeric(const std::string& s) const { return processing::ChkNumeric(s); }
  bool CheckNull(const std::string& s) const { return processing::CheckNull(s); }
  std::string CheckStr(const std::string& s) const { return processing::CheckStr(s); }
  std::string CheckNostr(const std::string& s) const { return processing::CheckNostr(s); }
  std::string CheckNullStr(const vb::Variant& s) const { return processing::CheckNullStr(s); }
  vb::DateTime Formatime(const std::string& s) const { return processing::Formatime(s); }
  vb::Currency FormatSize(const std::string& s) const { return processing::FormatSize(s); }
  std::string FormatFileSize(double size) const { return processing::FormatFileSize(size); }
  std::string URLDecode(const std::string& s) const { return processing::URLDecode(s); }
  int32_t GetRndHits() const { return processing::GetRndHits(); }
  int32_t GetRndStar() const { return processing::GetRndStar(); }
  std::string JAPEncode(const vb::Variant& s) const { return processing::JAPEncode(s); }
  std::string JAPUncode(const vb::Variant& s) const { return processing::JAPUncode(s); }
  std::string FormatStr(const std::string& s) const { return processing::FormatStr(s); }
  std::string HtmlRndFileName() const { return processing::HtmlRndFileName(); }
  vb::Variant FormatDate(vb::Variant& date, vb::Variant& para) const {
    return processing::FormatDate(date, para);
  }
  std::string ChkFormStr(const std::string& s) const { return processing::ChkFormStr(s); }
  std::string ReadAlpha(const std::string& s) const { return processing::ReadAlpha(s); }

  // Remote fetching, text cutting and tag filtering (remote_fetch.h,
  // text_cutting.h, tag_filter.h).
  bool CheckHTTP(const std::string& url) const { return processing::CheckHTTP(url); }
  std::string GetRemoteData(const std::string& url, std::optional<std::string> Cset) const {
    return processing::GetRemoteData(url, Cset.value_or(""));
  }
  std::string FindMatch(const std::string& str, const std::string& start, const std::string& last,
                        std::optional<bool> Condition) const {
    return processing::FindMatch(str, start, last, Condition.value_or(false));
  }
  std::string CutFixed(const std::string& strHTML, const std::string& start,
                       const std::string& last, std::optional<bool> Condition) const {
    return processing::CutFixed(strHTML, start, last, Condition.value_or(false));
  }
  std::string ReplaceTrim(const std::string& strContent, std::optional<bool> blnRemark) const {
    return processing::ReplaceTrim(strContent, blnRemark.value_or(false));
  }
  std::string CheckMatch(const std::string& strContent, const std::string& start,
                         const std::string& last) const {
    return processing::CheckMatch(strContent, start, last);
  }
  std::string CheckHTML(const std::string& str) const { return processing::CheckHTML(str); }
  vb::Variant CutFixation(const std::string& str, const std::string& start, const std::string& last,
                          int16_t Condition) const {
    return processing::CutFixation(str, start, last, Condition);
  }
  std::string Html2Ubb(const std::string& strContent,
                       std::optional<std::string> sRemoveCode) const {
    return processing::Html2Ubb(strContent, sRemoveCode.value_or(""));
  }
  std::string ReplaceClass(const std::string& sClassName, const std::string& sClassList) const {
    return processing::ReplaceClass(sClassName, sClassList);
  }

  // URL fixing, remote saving and the watermark hook (url_fixing.h,
  // remote_saving.h, watermark_hook.h).
  std::string FormatRemoteUrl(const std::string& CurrentUrl, const std::string& url) const {
    return processing::FormatRemoteUrl(CurrentUrl, url);
  }
  std::string FormatContentUrl(const std::string& str, const std::string& url) {
    return processing::FormatContentUrl(str, url, allow_ext_, PictureExist);
  }
  bool SaveRemoteFile(const std::string& local, const std::string& remote) const {
    return processing::SaveRemoteFile(*this, local, remote);
  }
  std::string RemoteToLocal(const std::string& sHTML, const std::string& strPath) {
    return processing::RemoteToLocal(*this, sHTML, strPath);
  }
  std::string FormatUrl(const std::string& str) const { return processing::FormatUrl(str); }
  bool AddWatermark(const std::string& sFilePath) const {
    return processing::AddWatermark(host_, add_image_mark_, PreviewSetting, InstallDir, sFilePath);
  }

  // Files, folders and XML documents (files_folders.h).
  std::string CheckMapPath(const std::string& strPath, std::optional<bool> LastBacklash) const {
    return processing::CheckMapPath(host_, strPath, LastBacklash.value_or(true));
  }
  std::string BuildDatePath(int16_t DirForm) const { return processing::BuildDatePath(DirForm); }
  std::string GetRndFileName(const std::string& sExt) const {
    return processing::GetRndFileName(sExt);
  }
  std::string GetFileExtName(const std::string& sName) const {
    return processing::GetFileExtName(sName);
  }
  std::string CheckPath(const std::string& sPath) const { return processing::CheckPath(sPath); }
  bool FolderExists(const std::string& sPath) const { return processing::FolderExists(sPath); }
  bool CreatedPathEx(const std::string& sPath) const {
    return processing::CreatedPathEx(host_, sPath);
  }
  bool vbCreatPathEx(vb::Variant& sPath) const;
  bool DeleteFiles(const std::string& sFilePath, std::optional<bool> blnForce) const {
    return processing::DeleteFiles(sFilePath, blnForce.value_or(true));
  }
  bool DeleteFolders(const std::string& sDirPath, std::optional<bool> blnForce) const {
    return processing::DeleteFolders(sDirPath, blnForce.value_or(true));
  }
  bool MoveFolders(const std::string& from, const std::string& to) const {
    return processing::MoveFolders(from, to);
  }
  bool MoveFiles(const std::string& from, const std::string& to) const {
    return processing::MoveFiles(from, to);
  }
  // Late-bound callers get the documents as objects (Nothing when no DOM
  // version is installed).
  vb::ObjectRef CreateXML2DOMObject() const;
  vb::ObjectRef CreateXMLDOMObject() const;
  bool CreateXMLDocument(const std::string& sXML, const std::string& FilePath) const {
    return processing::CreateXMLDocument(host_, sXML, FilePath);
  }
  int32_t FindFileSize(const std::string& name) const { return processing::FindFileSize(name); }

  // Execute for late-bound callers: the recordset as an object, or Nothing.
  vb::ObjectRef ExecuteObject(vb::Variant& sCommand);

  // State read by the members of the other concerns.
  int32_t max_size_bytes() const { return max_size_; }
  const std::string& allow_ext() const { return allow_ext_; }
  bool add_image_mark() const { return add_image_mark_; }
  int16_t sql_database() const { return sql_database_; }
  const component::HostObjects& host() const { return host_; }

 private:
  std::string CacheKey(std::string_view item) const;
  [[noreturn]] static void RaiseNoCacheName();

  component::HostObjects host_;
  int32_t cache_lifetime_ = 28800;  // minutes
  std::string cache_key_name_;
  vb::Variant cache_entry_;
  int32_t max_size_ = 0;  // bytes; 0 = no upper limit
  std::string allow_ext_ = "gif|jpg|jpge|png|bmp|swf|fla|psd";
  std::string connectstr_;
  int16_t sql_database_ = 0;
  bool add_image_mark_ = true;
};

// Opens the request's host connection from connStr. A failure writes the
// connection message and ends the response; the connection is then nothing.
// In every case the request's HostConnected flag becomes True.
void OpenHostConnection(const std::string& connStr);

// A page object's terminator: closes the request's host connection when it
// is open, releases it and clears HostConnected, so the next object of the
// request does not take the released connection for an open one.
void CloseHostConnection();

// The error of a cache read or write before any item was named.
constexpr int32_t kErrNoCacheName = vb::kObjectErrorBase + 1;

}  // namespace ostrel::processing
