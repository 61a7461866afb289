#include "imaging/image_mark.h"

#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"

namespace ostrel::imaging {
namespace {

constexpr const char* kComponentNames[] = {"CreatePreviewImage组件", "AspJpegV1.2组件",
                                           "SoftArtisans ImgWriter V1.21组件"};

// Whole-number settings pass a 16-bit conversion before they are stored.
int32_t Narrow(int32_t value) { return vb::CInt(vb::Variant(value)); }

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with) {
  if (find.empty()) return std::string(text);
  std::string out;
  size_t from = 0;
  for (size_t at; (at = text.find(find, from)) != std::string_view::npos; from = at + find.size()) {
    out.append(text, from, at - from);
    out.append(with);
  }
  out.append(text.substr(from));
  return out;
}

std::string WithBackslashes(std::string_view path) { return ReplaceAll(path, "/", "\\"); }

// Colour settings ignore "0" and "", and keep an HTML colour in the
// "&hRRGGBB" form that the components read as a number.
void StoreColour(std::string& stored, std::string_view value) {
  if (value.empty() || value == "0") return;
  stored = ReplaceAll(value, "#", "&h");
}

}  // namespace

ImageMark::ImageMark() = default;
ImageMark::~ImageMark() = default;

std::string ImageMark::Description() const {
  switch (ErrCodes) {
    case -1:
      return "生成预览图错误";
    case 1:
      return "不支持 " + s_.component_name + " 上传，服务器可能未安装该组件。";
    case 2:
      return "文件类型不正确!";
    default:
      return "";
  }
}

void ImageMark::PreviewType(int32_t Types) {
  s_.preview_type = Types;
  if (Types == 999) return;
  if (Types < 0 || Types > 2) {
    s_.preview_type = 999;
    return;
  }
  s_.component_name = kComponentNames[Types];
  bool created = vb::TryStep([&] {
    // A fresh component replaces the one held; a failed creation keeps it.
    if (Types == 0) {
      auto component = image::CGvbox::Create();
      jpeg_.reset();
      image_gen_.reset();
      gvbox_ = std::move(component);
    } else if (Types == 1) {
      auto component = image::PersitsJpeg::Create();
      gvbox_.reset();
      image_gen_.reset();
      jpeg_ = std::move(component);
    } else {
      auto component = image::ImageGen::Create();
      gvbox_.reset();
      jpeg_.reset();
      image_gen_ = std::move(component);
    }
  });
  if (!created) ErrCodes = 1;
}

void ImageMark::PreviewImageWidth(int32_t Values) { s_.preview_image_width = Narrow(Values); }
void ImageMark::PreviewImageHeight(int32_t Values) { s_.preview_image_height = Narrow(Values); }
void ImageMark::DrawImageWidth(int32_t Values) { s_.draw_image_width = Narrow(Values); }
void ImageMark::DrawImageHeight(int32_t Values) { s_.draw_image_height = Narrow(Values); }
void ImageMark::DrawFontSize(int32_t Values) {
  s_.draw_font_size = static_cast<int16_t>(Narrow(Values));
}
void ImageMark::DrawType(int32_t Values) { s_.draw_type = Narrow(Values); }
void ImageMark::DrawXYType(int32_t Values) { s_.draw_xy_type = Narrow(Values); }
void ImageMark::DrawSizeType(int32_t Values) { s_.draw_size_type = Narrow(Values); }

void ImageMark::DrawGraph(vb::Currency Values) {
  // Two decimal places, the last one rounded half away from zero as number
  // formatting does (0.455 -> 0.46, -0.455 -> -0.46).
  int64_t scaled = Values.scaled;
  int64_t rest = scaled % 100;
  scaled -= rest;
  if (rest >= 50) scaled += 100;
  if (rest <= -50) scaled -= 100;
  s_.draw_graph = vb::Currency{scaled};
}

void ImageMark::TransitionColor(std::string_view Values) { StoreColour(Transition_Color, Values); }

void ImageMark::DrawFontColor(std::string_view Values) { StoreColour(s_.draw_font_color, Values); }

void ImageMark::CreateView(vb::Variant& Imagename, vb::Variant& TempFilename,
                           vb::Variant& FileExt) {
  vb::TryStep([&] {
    if (ErrCodes != 0) return;
    switch (s_.preview_type) {
      case 0:
        Image_Obj_0(Imagename, TempFilename, FileExt);
        break;
      case 1:
        Image_Obj_1(Imagename, TempFilename, FileExt);
        break;
      case 2:
        Image_Obj_2(Imagename, TempFilename, FileExt);
        break;
      default:
        s_.preview_type = 999;
        break;
    }
  });
}

std::string ImageMark::GetFileName(std::string_view sFilename) const {
  std::string name = WithBackslashes(sFilename);
  name = ReplaceAll(ReplaceAll(name, "'", ""), "?", "");
  size_t slash = name.rfind('\\');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string ImageMark::GetFileExt(std::string_view sFilename) const {
  size_t dot = sFilename.rfind('.');
  return std::string(dot == std::string_view::npos ? sFilename : sFilename.substr(dot + 1));
}

std::string ImageMark::GetFilePath(std::string_view sFilePath) const {
  std::string path = WithBackslashes(sFilePath);
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string ImageMark::JPGFileName(std::string_view sFilePath) const {
  std::string path = WithBackslashes(sFilePath);
  size_t dot = path.rfind('.');
  if (dot == std::string::npos) vb::Raise(vb::kErrInvalidCall);
  size_t slash = path.rfind('\\');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return "pic" + ReplaceAll(name, path.substr(dot), "") + ".jpg";
}

}  // namespace ostrel::imaging
