#include "platform/vb/variant.h"

#include "platform/vb/vb_error.h"

namespace ostrel::vb {

Variant Variant::Null() {
  Variant v;
  v.value_ = NullTag{};
  return v;
}

Variant Variant::Nothing() { return Variant(ObjectRef()); }

Variant Variant::Array1(int32_t lower, int32_t upper) {
  if (upper < lower - 1) Raise(kErrSubscript);
  auto a = std::make_shared<ArrayData>();
  a->lower = {lower};
  a->length = {upper - lower + 1};
  a->items.resize(static_cast<size_t>(upper - lower + 1));
  Variant v;
  v.value_ = std::move(a);
  return v;
}

Variant Variant::Array2(int32_t count0, int32_t count1) {
  if (count0 < 0 || count1 < 0) Raise(kErrSubscript);
  auto a = std::make_shared<ArrayData>();
  a->lower = {0, 0};
  a->length = {count0, count1};
  a->items.resize(static_cast<size_t>(count0) * static_cast<size_t>(count1));
  Variant v;
  v.value_ = std::move(a);
  return v;
}

Variant Variant::FromList(std::vector<Variant> items) {
  auto a = std::make_shared<ArrayData>();
  a->lower = {0};
  a->length = {static_cast<int32_t>(items.size())};
  a->items = std::move(items);
  Variant v;
  v.value_ = std::move(a);
  return v;
}

VarType Variant::type() const {
  switch (value_.index()) {
    case 0:
      return VarType::Empty;
    case 1:
      return VarType::Null;
    case 2:
      return VarType::Integer;
    case 3:
      return VarType::Long;
    case 4:
      return VarType::Single;
    case 5:
      return VarType::Double;
    case 6:
      return VarType::Currency;
    case 7:
      return VarType::Date;
    case 8:
      return VarType::String;
    case 9:
      return VarType::Boolean;
    case 10:
      return VarType::Object;
    default:
      return VarType::Array;
  }
}

bool Variant::IsNumber() const {
  switch (type()) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
      return true;
    default:
      return false;
  }
}

const ArrayData* Variant::array() const {
  if (!IsArray()) return nullptr;
  return std::get<ArrayRef>(value_).get();
}

int Variant::Rank() const {
  const ArrayData* a = array();
  return a ? static_cast<int>(a->length.size()) : 0;
}

int32_t Variant::LBound(int dimension) const {
  const ArrayData* a = array();
  if (!a) Raise(kErrTypeMismatch);
  if (dimension < 1 || dimension > static_cast<int>(a->lower.size())) Raise(kErrSubscript);
  return a->lower[dimension - 1];
}

int32_t Variant::UBound(int dimension) const {
  const ArrayData* a = array();
  if (!a) Raise(kErrTypeMismatch);
  if (dimension < 1 || dimension > static_cast<int>(a->lower.size())) Raise(kErrSubscript);
  return a->lower[dimension - 1] + a->length[dimension - 1] - 1;
}

size_t Variant::Offset(const ArrayData& a, int32_t i) const {
  if (a.length.size() != 1) Raise(kErrSubscript);
  int64_t k = static_cast<int64_t>(i) - a.lower[0];
  if (k < 0 || k >= a.length[0]) Raise(kErrSubscript);
  return static_cast<size_t>(k);
}

size_t Variant::Offset(const ArrayData& a, int32_t i, int32_t j) const {
  if (a.length.size() != 2) Raise(kErrSubscript);
  int64_t k0 = static_cast<int64_t>(i) - a.lower[0];
  int64_t k1 = static_cast<int64_t>(j) - a.lower[1];
  if (k0 < 0 || k0 >= a.length[0] || k1 < 0 || k1 >= a.length[1]) Raise(kErrSubscript);
  return static_cast<size_t>(k0 + k1 * a.length[0]);
}

const Variant& Variant::At(int32_t i) const {
  const ArrayData* a = array();
  if (!a) Raise(kErrTypeMismatch);
  return a->items[Offset(*a, i)];
}

const Variant& Variant::At(int32_t i, int32_t j) const {
  const ArrayData* a = array();
  if (!a) Raise(kErrTypeMismatch);
  return a->items[Offset(*a, i, j)];
}

ArrayData& Variant::MutableArray() {
  if (!IsArray()) Raise(kErrTypeMismatch);
  ArrayRef& ref = std::get<ArrayRef>(value_);
  if (ref.use_count() > 1) ref = std::make_shared<ArrayData>(*ref);
  return *ref;
}

Variant& Variant::At(int32_t i) {
  ArrayData& a = MutableArray();
  return a.items[Offset(a, i)];
}

Variant& Variant::At(int32_t i, int32_t j) {
  ArrayData& a = MutableArray();
  return a.items[Offset(a, i, j)];
}

void Variant::RedimPreserve(int32_t upper) {
  ArrayData& a = MutableArray();
  if (a.length.size() != 1) Raise(kErrSubscript);
  int64_t n = static_cast<int64_t>(upper) - a.lower[0] + 1;
  if (n < 0) Raise(kErrSubscript);
  a.length[0] = static_cast<int32_t>(n);
  a.items.resize(static_cast<size_t>(n));
}

}  // namespace ostrel::vb
