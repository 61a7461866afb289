// The members of ImageMark as late-bound callers (host pages) see them, in
// the order of its dispatch interface: the public fields, the properties,
// then the operations.
#include <string>

#include "component/registration.h"
#include "imaging/image_mark.h"
#include "platform/com/class_info.h"
#include "platform/vb/convert.h"

namespace ostrel::imaging {

const component::ComponentClass<ImageMark> kImageMarkClass("Ostrel.ImageMark");

const com::TypeInfo& ImageMark::Type() const {
  using M = ImageMark;
  static const com::TypeInfo info =
      com::ClassInfo<M>("Imagemark")
          .Field("Transition_Color", &M::Transition_Color)
          .Field("ErrCodes", &M::ErrCodes)
          .Field("SetPreviewImageSize", &M::SetPreviewImageSize)
          .Property("Description", &M::Description, nullptr)
          .Property("PreviewType", static_cast<int32_t (M::*)() const>(&M::PreviewType),
                    static_cast<void (M::*)(int32_t)>(&M::PreviewType))
          .Property("MakePreview", nullptr, &M::MakePreview)
          .Property("PreviewImageWidth", nullptr, &M::PreviewImageWidth)
          .Property("PreviewImageHeight", nullptr, &M::PreviewImageHeight)
          .Property("DrawImageWidth", nullptr, &M::DrawImageWidth)
          .Property("DrawImageHeight", nullptr, &M::DrawImageHeight)
          .Property("DrawGraph", nullptr, &M::DrawGraph)
          .Property("TransitionColor", nullptr, &M::TransitionColor)
          .Property("DrawFontColor", nullptr, &M::DrawFontColor)
          .Property("DrawFontFamily", nullptr, &M::DrawFontFamily)
          .Property("DrawFontSize", nullptr, &M::DrawFontSize)
          .Property("DrawFontBold", nullptr, &M::DrawFontBold)
          .Property("DrawInfo", nullptr, &M::DrawInfo)
          .Property("DrawType", nullptr, &M::DrawType)
          .Property("DrawXYType", nullptr, &M::DrawXYType)
          .Property("DrawSizeType", nullptr, &M::DrawSizeType)
          .Method("CreateView", &M::CreateView)
          .Method("Image_Obj_0", &M::Image_Obj_0)
          .Method("Image_Obj_1", &M::Image_Obj_1)
          .Method("Image_Obj_2", &M::Image_Obj_2)
          .Method("GetFileName", &M::GetFileName)
          .Method("GetFileExt", &M::GetFileExt)
          .Method("GetFilePath", &M::GetFilePath)
          .Method("JPGFileName", &M::JPGFileName)
          .Build();
  return info;
}

}  // namespace ostrel::imaging
