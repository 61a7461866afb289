// Variant: the VB value type. Holds Empty, Null, Integer (16-bit), Long
// (32-bit), Single, Double, Currency, Date, String (UTF-8), Boolean, Object
// and arrays (any rank; GetRows gives rank 2 indexed [column][row]).
//
// Arrays have value semantics, as in VB: copying a Variant shares the
// elements until one copy is written through a mutable accessor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ostrel::com {
class Dispatch;
}

namespace ostrel::vb {

// The numbers are those of VB's VarType().
enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Object = 9,
  Boolean = 11,
  Array = 0x200C,  // vbArray + vbVariant
};

// Fixed point with four decimals: the value times 10,000.
struct Currency {
  int64_t scaled = 0;
  friend bool operator==(Currency a, Currency b) { return a.scaled == b.scaled; }
};

// An OLE automation date: days since 1899-12-30; the fraction is the time of
// day. Local time, as VB's Now.
struct DateTime {
  double serial = 0;
  friend bool operator==(DateTime a, DateTime b) { return a.serial == b.serial; }
};

using ObjectRef = std::shared_ptr<com::Dispatch>;

class Variant;

struct ArrayData {
  std::vector<int32_t> lower;   // lower bound of each dimension
  std::vector<int32_t> length;  // element count of each dimension
  std::vector<Variant> items;   // first dimension varies fastest
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(bool v) : value_(v) {}
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(float v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(Currency v) : value_(v) {}
  Variant(DateTime v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(ObjectRef v) : value_(std::move(v)) {}
  // Long values wider than 32 bits must be converted explicitly (CLng).
  Variant(int64_t) = delete;
  Variant(uint32_t) = delete;
  Variant(std::nullptr_t) = delete;

  static Variant Null();
  static Variant Nothing();  // an Object variant holding no object
  // A 1-D array with the given bounds (VB: Dim a(lower To upper)); Empty items.
  static Variant Array1(int32_t lower, int32_t upper);
  // A 2-D array of count0 x count1 items, both zero-based (GetRows shape).
  static Variant Array2(int32_t count0, int32_t count1);
  // A zero-based 1-D array of the given values (VB: Array(...)).
  static Variant FromList(std::vector<Variant> items);

  VarType type() const;
  bool IsEmpty() const { return value_.index() == 0; }
  bool IsNull() const { return std::holds_alternative<NullTag>(value_); }
  bool IsString() const { return std::holds_alternative<std::string>(value_); }
  bool IsObject() const { return std::holds_alternative<ObjectRef>(value_); }
  bool IsNothing() const { return IsObject() && !std::get<ObjectRef>(value_); }
  bool IsArray() const { return std::holds_alternative<ArrayRef>(value_); }
  bool IsDate() const { return std::holds_alternative<DateTime>(value_); }
  bool IsBoolean() const { return std::holds_alternative<bool>(value_); }
  // Integer, Long, Single, Double or Currency (not Boolean, not Date).
  bool IsNumber() const;

  // Raw accessors: the variant must hold exactly that type.
  bool AsBool() const { return std::get<bool>(value_); }
  int16_t AsInteger() const { return std::get<int16_t>(value_); }
  int32_t AsLong() const { return std::get<int32_t>(value_); }
  float AsSingle() const { return std::get<float>(value_); }
  double AsDouble() const { return std::get<double>(value_); }
  Currency AsCurrency() const { return std::get<Currency>(value_); }
  DateTime AsDate() const { return std::get<DateTime>(value_); }
  const std::string& AsString() const { return std::get<std::string>(value_); }
  const ObjectRef& AsObject() const { return std::get<ObjectRef>(value_); }

  // Arrays. Rank() is 0 for a non-array. Bounds are per 1-based dimension,
  // as VB's LBound/UBound; out-of-range dimensions and indexes raise error 9.
  int Rank() const;
  int32_t LBound(int dimension = 1) const;
  int32_t UBound(int dimension = 1) const;
  const Variant& At(int32_t i) const;
  const Variant& At(int32_t i, int32_t j) const;
  Variant& At(int32_t i);  // copies shared elements first
  Variant& At(int32_t i, int32_t j);
  // ReDim Preserve of a 1-D array: keeps the lower bound and the items that fit.
  void RedimPreserve(int32_t upper);
  const ArrayData* array() const;

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) { return true; }
  };
  using ArrayRef = std::shared_ptr<ArrayData>;
  ArrayData& MutableArray();
  size_t Offset(const ArrayData& a, int32_t i) const;
  size_t Offset(const ArrayData& a, int32_t i, int32_t j) const;

  std::variant<std::monostate, NullTag, int16_t, int32_t, float, double, Currency, DateTime,
               std::string, bool, ObjectRef, ArrayRef>
      value_;
};

}  // namespace ostrel::vb
