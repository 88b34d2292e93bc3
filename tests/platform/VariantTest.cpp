#include "Variant.h"

#include "ServerFailure.h"

#include <gtest/gtest.h>

TEST(Variant, KindsReportTheirAutomationTypes)
{
    EXPECT_EQ(VarType(Variant()), Variant::varEmpty);
    EXPECT_EQ(VarType(Variant::Null()), Variant::varNull);
    EXPECT_EQ(VarType(Variant("D")), Variant::varOleStr);
    EXPECT_EQ(VarType(Variant(7)), Variant::varInt64);
    EXPECT_EQ(VarType(Variant(true)), Variant::varBoolean);
    EXPECT_EQ(VarType(Variant(1.5)), Variant::varDouble);
    EXPECT_EQ(VarType(Variant::fromByte(3)), Variant::varByte);
    EXPECT_EQ(VarType(Variant::fromBytes("ab")), Variant::varArray | Variant::varByte);
    EXPECT_EQ(VarType(VarArrayOf({"a"})), Variant::varArray | Variant::varVariant);
}

TEST(Variant, EmptyAndNullAreDistinctAndReadAsEmptyText)
{
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_FALSE(VarIsNull(Variant()));
    EXPECT_TRUE(VarIsNull(Variant::Null()));
    EXPECT_FALSE(VarIsEmpty(Variant::Null()));
    EXPECT_FALSE(Variant() == Variant::Null());
    EXPECT_EQ(VarToStr(Variant()), QString());
    EXPECT_EQ(VarToStr(Variant::Null()), QString());
    EXPECT_EQ(VarToStr(Variant("")), QString());
    EXPECT_TRUE(VarToStr(Variant("")).isEmpty());
}

TEST(Variant, ByteArraysAreArraysOfBytesFromZero)
{
    Variant v = Variant::fromBytes(QByteArray("\x01\xff", 2));
    EXPECT_TRUE(VarIsArray(v));
    EXPECT_EQ(v.lowBound(), 0);
    EXPECT_EQ(v.highBound(), 1);
    EXPECT_EQ(v.element(1).kind(), Variant::Kind::Byte);
    EXPECT_EQ(v.element(1).toInteger(), 255);
    v.setElement(0, Variant(200));
    EXPECT_EQ(quint8(v.bytes()[0]), 200);
    EXPECT_THROW(v.setElement(0, Variant(256)), EVariantError);
    EXPECT_THROW(v.element(2), EVariantError);
    EXPECT_THROW(v.element(-1), EVariantError);
    EXPECT_THROW(v.items(), EVariantError);
}

TEST(Variant, ArrayAccessOnScalarsThrows)
{
    EXPECT_FALSE(VarIsArray(Variant("x")));
    EXPECT_THROW(Variant("x").element(0), EVariantError);
    EXPECT_THROW(Variant().length(), EVariantError);
    EXPECT_THROW(Variant(1).bytes(), EVariantError);
}

TEST(Variant, VariantArraysHoldAnyKindAndCopyByValue)
{
    Variant list = VarArrayOf({"DSPK", "DSITEM"});
    Variant copy = list;
    list.setElement(1, Variant::Null());
    EXPECT_EQ(copy.element(1).toString(), "DSITEM");
    EXPECT_TRUE(list.element(1).isNull());
    EXPECT_EQ(list.length(), 2);
    EXPECT_THROW(list.toString(), EVariantError);
}

TEST(Variant, ConversionsFollowAutomationRules)
{
    EXPECT_EQ(Variant("  42 ").toInteger(), 42);
    EXPECT_EQ(Variant(2.5).toInteger(), 3);
    EXPECT_EQ(Variant().toInteger(), 0);
    EXPECT_THROW(Variant::Null().toInteger(), EVariantError);
    EXPECT_THROW(Variant("12a").toInteger(), EVariantError);
    EXPECT_THROW(Variant(1e300).toInteger(), EVariantError);
    EXPECT_TRUE(Variant("TRUE").toBoolean());
    EXPECT_FALSE(Variant("0").toBoolean());
    EXPECT_THROW(Variant("talvez").toBoolean(), EVariantError);
    EXPECT_DOUBLE_EQ(Variant("1.25").toDouble(), 1.25);
    EXPECT_EQ(Variant(true).toString(), "True");
    EXPECT_EQ(Variant(qint64(-5)).toString(), "-5");
}

TEST(ServerFailure, IsAnArrayThatIsNeitherStructureErrorNorPacket)
{
    const Variant failure = server_failure::make("Gravação recusada");
    EXPECT_TRUE(server_failure::is(failure));
    EXPECT_EQ(server_failure::message(failure), "Gravação recusada");
    EXPECT_TRUE(VarIsArray(failure));
    EXPECT_NE(VarType(failure.element(0)), Variant::varOleStr);
    EXPECT_EQ(failure.kind(), Variant::Kind::Array);

    EXPECT_FALSE(server_failure::is(VarArrayOf({"INV_TABELAX"})));
    EXPECT_FALSE(server_failure::is(VarArrayOf({Variant(server_failure::Marker + 1), "m"})));
    EXPECT_FALSE(server_failure::is(VarArrayOf({Variant(server_failure::Marker), "m", "extra"})));
    EXPECT_FALSE(server_failure::is(Variant::fromBytes("\x82\x19\x83")));
    EXPECT_FALSE(server_failure::is(Variant()));
    EXPECT_EQ(server_failure::message(Variant("texto")), QString());
}
