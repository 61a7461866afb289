#include "gathering/flash/flash_collection.h"

#include "component/registration.h"
#include "gathering/flash/player_markup.h"
#include "platform/com/class_info.h"
#include "platform/vb/vb_error.h"

namespace ostrel::flash {

const component::ComponentClass<FlashCollection> kFlashCollectionClass("Ostrel.FlashCollection");

// A new object works on channel 1 until ShowCollection reads the request,
// where a missing channel is the Flash channel, 5.
FlashCollection::FlashCollection()
    : GatheringObject({.ScriptFileName = "Admin_FlashGather.asp",
                       .ChannelID = 1,
                       .ChannelPath = "/flash/",
                       .ModuleName = "动画",
                       .RequestChannelID = 5,
                       .look = &markup::kFlashLook}) {}

void FlashCollection::SetPageListNumLong(int32_t n) {
  if (n < INT16_MIN || n > INT16_MAX) vb::Raise(vb::kErrOverflow);
  SetPageListNum(static_cast<int16_t>(n));
}

void FlashCollection::ShowPlayerHtml(const vb::Variant& url, const vb::Variant& mode) {
  const std::string html = PlayerHtml(url, mode, GetPlayerHosts());
  if (!html.empty()) host_.Response().Write(html);
}

// The members in the order of the class's dispatch interface.
const com::TypeInfo& FlashCollection::Type() const {
  using F = FlashCollection;
  static const com::TypeInfo info = com::ClassInfo<F>("FlashCollection")
                                        .Property("PageListNum", nullptr, &F::SetPageListNumLong)
                                        .Property("ScriptFileName", nullptr, &F::SetScriptFileName)
                                        .Property("ModuleName", nullptr, &F::SetModuleName)
                                        .Property("ChannelPath", nullptr, &F::SetChannelPath)
                                        .Property("ConnString", nullptr, &F::SetConnString)
                                        .Property("DBConnstr", nullptr, &F::SetDBConnstr)
                                        .Property("SqlDataBase", nullptr, &F::SetSqlDataBase)
                                        .Property("ProsBorder", nullptr, &F::SetProsBorder)
                                        .Property("ProsColor", nullptr, &F::SetProsColor)
                                        .Property("ProsBack", nullptr, &F::SetProsBack)
                                        .Property("SpeedColor", nullptr, &F::SetSpeedColor)
                                        .Property("Space", nullptr, &F::SetSpace)
                                        .Property("Imagemark", nullptr, &F::SetImageMark)
                                        .Method("ReloadFlashItem", &F::ReloadFlashItem)
                                        .Method("ReloadFlashConfig", &F::ReloadFlashConfig)
                                        .Method("ReadFlashConfig", &F::ReadFlashConfig)
                                        .Method("ReadFlashItem", &F::ReadFlashItem)
                                        .Method("ShowCollection", &F::ShowCollection)
                                        .Method("GetClassID", &F::GetClassID)
                                        .Method("ClassUpdateCount", &F::ClassUpdateCount)
                                        .Method("ShowFlashMode", &F::ShowFlashMode)
                                        .Method("RemoveAllCache", &F::RemoveAllCache)
                                        .Method("InnerHtml", &F::InnerHtml)
                                        .Method("ReadComeFrom", &F::ReadComeFrom)
                                        .Build();
  return info;
}

}  // namespace ostrel::flash
