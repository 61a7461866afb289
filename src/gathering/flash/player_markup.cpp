#include "gathering/flash/player_markup.h"

#include <mutex>

#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "platform/vb/vb_error.h"
#include "processing/markup_text.h"

namespace ostrel::flash {
namespace {

std::mutex hosts_mutex;
PlayerHosts& Hosts() {
  static PlayerHosts hosts;
  return hosts;
}

// The param and embed lines stand indented by seven blanks.
constexpr const char* kIndent = "       ";

std::string Param(std::string_view name, std::string_view value) {
  return std::string(kIndent) + "<param name=\"" + std::string(name) + "\" value=\"" +
         std::string(value) + "\">\r\n";
}

constexpr const char* kDirectorRemote =
    "swSaveEnabled='false' swVolume='false' swRestart='false' swPausePlay='false' "
    "swFastForward='false' swContextMenu='false' ";

}  // namespace

PlayerHosts GetPlayerHosts() {
  std::lock_guard<std::mutex> lock(hosts_mutex);
  return Hosts();
}

void SetPlayerHosts(const PlayerHosts& hosts) {
  std::lock_guard<std::mutex> lock(hosts_mutex);
  Hosts() = hosts;
}

std::string PlayerHtml(const vb::Variant& url, const vb::Variant& mode, const PlayerHosts& hosts) {
  if (vb::Len(processing::TextOf(url)) < 3) return "";
  int32_t m = 0;
  if (!vb::TryStep([&] { m = vb::CLng(mode); })) return "";
  const std::string src = processing::HtmlAttribute(url);
  const std::string download = "http://" + hosts.download;
  const std::string web = "http://" + hosts.web;
  std::string html;
  switch (m) {
    case kFlash:
      html = "<object codebase=\"" + download +
             "/pub/shockwave/cabs/flash/swflash.cab#version=4,0,0,0\" height=\"400\" "
             "width=\"550\" classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\">\r\n";
      html += Param("movie", src) + Param("quality", "high") + Param("SCALE", "exactfit");
      html += std::string(kIndent) + "<embed src=\"" + src + "\" quality=\"high\" pluginspage=\"" +
              web +
              "/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash\" "
              "type=\"application/x-shockwave-flash\" width=\"550\" height=\"400\">\r\n";
      html += "</embed>\r\n</object>\r\n";
      break;
    case kPicture:
      html = "<img src=\"" + src + "\" border=\"0\" onload=\"return imgzoom(this,550)\">";
      break;
    case kMedia:
      html =
          "<object classid=\"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\" class=\"OBJECT\" "
          "id=\"MediaPlayer\" width=\"220\" height=\"220\">\r\n";
      html += std::string(kIndent) + "<param name= value=\"-1\">\r\n";
      html += std::string(kIndent) + "<param name=\"CaptioningID\" value>\r\n";
      html += Param("ClickToPlay", "-1") + Param("Filename", src);
      html += std::string(kIndent) + "<embed src=\"" + src +
              "\"  width= 220 height=\"220\" type=\"application/x-oleobject\" codebase=\"http://" +
              hosts.media +
              "/activex/controls/mplayer/en/nsmp2inf.cab#Version=0,1,1,1\" flename=\"mp\">"
              "</embed>\r\n";
      html += "</object>\r\n";
      break;
    case kReal: {
      html =
          "<object classid=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\" height=\"288\" "
          "id=\"video1\" width=\"305\" VIEWASTEXT>\r\n";
      const std::pair<const char*, std::string> params[] = {
          {"_ExtentX", "5503"},
          {"_ExtentY", "1588"},
          {"AUTOSTART", "-1"},
          {"SHUFFLE", "0"},
          {"PREFETCH", "0"},
          {"NOLABELS", "0"},
          {"SRC", src},
          {"CONTROLS", "Imagewindow,StatusBar,ControlPanel"},
          {"CONSOLE", "RAPLAYER"},
          {"LOOP", "0"},
          {"NUMLOOP", "0"},
          {"CENTER", "0"},
          {"MAINTAINASPECT", "0"},
          {"BACKGROUNDCOLOR", "#000000"},
      };
      for (const auto& [name, value] : params) html += Param(name, value);
      html += "</object>\r\n";
      break;
    }
    case kDirector:
      html = "<object classid=\"clsid:166B1BCA-3F9C-11CF-8075-444553540000\" codebase=\"" +
             download +
             "/pub/shockwave/cabs/director/sw.cab#version=8,5,1,0\" width=\"100%\" "
             "height=\"100%\">\r\n";
      html +=
          Param("src", src) + Param("swRemote", kDirectorRemote) + Param("swStretchStyle", "fill");
      html += std::string(kIndent) + "<PARAM name=\"bgColor\" value=\"#000000\">\r\n";
      html += std::string(kIndent) + "<PARAM name=logo value=\"false\">\r\n";
      html += std::string(kIndent) + "<embed src=\"" + src +
              "\" bgColor=\"#000000\" logo=\"FALSE\" width=\"550\" height=\"400\" swRemote=\"" +
              kDirectorRemote +
              "\" swStretchStyle=\"fill\" type=\"application/x-director\" pluginspage=\"" + web +
              "/shockwave/download/\"></embed>\r\n";
      html += "</object>\r\n";
      break;
    default:
      break;
  }
  return html;
}

}  // namespace ostrel::flash
