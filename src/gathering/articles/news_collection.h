// NewsCollection: the article channel's object. The channel's admin page
// creates one per request, sets its properties, calls ReadNewsConfig and
// then ShowCollection, and releases it at the end of the page. It holds the
// page's settings, the request's host objects, its own connection to the
// gathering database, one VBProcess, the base settings and the fields of the
// current gathering item.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "component/host_access.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/vb/variant.h"
#include "processing/vb_process.h"

namespace ostrel::articles {

class NewsCollection : public com::Dispatch {
 public:
  NewsCollection();
  ~NewsCollection() override;

  const com::TypeInfo& Type() const override;

  // Set-only properties of the page.
  void SetPageListNum(int16_t n) { PageListNum_ = n; }
  void SetScriptFileName(std::string s) { ScriptFileName_ = std::move(s); }
  void SetModuleName(std::string s) { ModuleName_ = std::move(s); }
  void SetChannelPath(std::string s) { ChannelPath_ = std::move(s); }
  void SetConnString(std::string s) { ConnString_ = std::move(s); }
  void SetDBConnstr(std::string s) { DBConnstr_ = std::move(s); }
  void SetSqlDataBase(int16_t n) { SqlDataBase_ = n; }
  void SetImageMark(bool on) { ImageMark_ = on; }

  // Opens the gathering connection from ConnString and the request's host
  // connection from DBConnstr; a failure writes its message and ends the
  // response. Either way the request's HostConnected becomes True.
  void OpenConnection();

  // The toolbox, made on first use.
  processing::VBProcess& Process();
  // The gathering connection (nullptr when it could not be opened).
  const std::shared_ptr<ado::Connection>& gather_connection() const { return conn_; }

 private:
  component::HostObjects host_;
  std::shared_ptr<processing::VBProcess> process_;
  std::shared_ptr<ado::Connection> conn_;
  std::string ConnString_;
  std::string ScriptFileName_ = "Admin_ArticleGather.asp";
  int32_t ChannelID_ = 1;
  std::string ChannelPath_ = "/article/";
  std::string ModuleName_ = "文章";
  int16_t PageListNum_ = 30;
  std::string DBConnstr_;
  int16_t SqlDataBase_ = 0;
  bool ImageMark_ = true;
};

}  // namespace ostrel::articles
