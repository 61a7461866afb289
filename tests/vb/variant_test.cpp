#include "platform/vb/variant.h"

#include <gtest/gtest.h>

#include "platform/vb/vb_error.h"

using namespace ostrel::vb;

TEST(Variant, ArraysHaveValueSemantics) {
  Variant a = Variant::Array1(0, 2);
  a.At(1) = Variant(int32_t{5});
  Variant b = a;
  b.At(1) = Variant("x");
  EXPECT_EQ(a.At(1).AsLong(), 5);
  EXPECT_EQ(b.At(1).AsString(), "x");
  EXPECT_THROW(a.At(3), VbError);
}

TEST(Variant, RowsShapeIsColumnThenRow) {
  Variant rows = Variant::Array2(3, 2);
  rows.At(2, 1) = Variant(true);
  EXPECT_EQ(rows.UBound(1), 2);
  EXPECT_EQ(rows.UBound(2), 1);
  EXPECT_TRUE(rows.At(2, 1).AsBool());
  EXPECT_TRUE(rows.At(1, 1).IsEmpty());
  EXPECT_TRUE(Variant::Null().IsNull());
  EXPECT_FALSE(Variant("").IsNull());
}
