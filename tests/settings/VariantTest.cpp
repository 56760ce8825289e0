#include "Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(VariantTest, ConvertsToLongLikeAVariant)
{
    struct Case
    {
        Variant Value;
        int32_t Expected;
    };
    const Case cases[] = {
        {Variant(), 0},
        {Variant(int16_t{-7}), -7},
        {Variant(int32_t{-2147483647 - 1}), -2147483647 - 1},
        {Variant(true), -1},
        {Variant(false), 0},
        {Variant(2.5), 2}, // halves go to the even neighbour
        {Variant(3.5), 4},
        {Variant(-2.5f), -2},
        {Variant("12"), 12},
        {Variant("  -40  "), -40},
        {Variant("+1.5e1"), 15},
        {Variant("&HFF"), 255},
        {Variant("&HFFFFFFFF"), -1},
        {Variant("&o17"), 15},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.Value.ToLong(), c.Expected) << c.Value.ToString();
}

TEST(VariantTest, RefusesTextThatIsNoNumberAndNumbersOutOfRange)
{
    for (const char *text : {"", " ", "abc", "12abc", "1,5", "--1", "+-1", "&H", "&HXYZ"}) {
        try {
            (void)Variant(text).ToLong();
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const VariantError &e) {
            EXPECT_EQ(e.Number(), VariantError::TypeMismatch) << text;
        }
    }
    for (const Variant &v : {Variant(2147483647.5), Variant(-2147483649.0), Variant("1e20"),
                             Variant(std::numeric_limits<double>::quiet_NaN())}) {
        try {
            (void)v.ToLong();
            ADD_FAILURE() << "accepted " << v.ToString();
        } catch (const VariantError &e) {
            EXPECT_EQ(e.Number(), VariantError::Overflow) << v.ToString();
        }
    }
    EXPECT_THROW((void)Variant(Variant::Bytes{1, 2}).ToLong(), VariantError);
}

TEST(VariantTest, ConvertsToStringAndBool)
{
    EXPECT_EQ(Variant().ToString(), "");
    EXPECT_EQ(Variant(int16_t{1}).ToString(), "1");
    EXPECT_EQ(Variant(int32_t{-5}).ToString(), "-5");
    EXPECT_EQ(Variant(true).ToString(), "True");
    EXPECT_EQ(Variant(1.5f).ToString(), "1.5");
    EXPECT_EQ(Variant(0.1).ToString(), "0.1");
    EXPECT_EQ(Variant(Variant::Bytes{'a', 'b'}).ToString(), "ab");
    EXPECT_FALSE(Variant().ToBool());
    EXPECT_TRUE(Variant(int32_t{5}).ToBool());
    EXPECT_TRUE(Variant("true").ToBool());
    EXPECT_FALSE(Variant("0").ToBool());
    EXPECT_THROW((void)Variant("maybe").ToBool(), VariantError);
}
