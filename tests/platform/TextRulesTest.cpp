#include "TextRules.h"

#include "Exceptions.h"

#include <gtest/gtest.h>

TEST(TextRules, CodesAreStoredZeroPaddedWithoutBlanks)
{
    EXPECT_EQ(Ajusta(QStringLiteral("12"), 5), QStringLiteral("00012"));
    EXPECT_EQ(Ajusta(QStringLiteral(" 1 2 "), 5), QStringLiteral("00012"));
    EXPECT_EQ(Ajusta(QStringLiteral("12345"), 5), QStringLiteral("12345"));
    EXPECT_EQ(Ajusta(QStringLiteral("1234567"), 5), QStringLiteral("1234567")); // never cut
    EXPECT_EQ(Ajusta(QString(), 5), QStringLiteral("00000"));
}

TEST(TextRules, ReplaceUpperCaseEmptyStringAndFormat)
{
    EXPECT_EQ(Replace(QStringLiteral(" "), QStringLiteral(" nome da  tabela "), QString(), 0),
              QStringLiteral("nomedatabela"));
    EXPECT_EQ(Replace(QStringLiteral("a"), QStringLiteral("banana"), QStringLiteral("o"), 2),
              QStringLiteral("bonona"));
    EXPECT_EQ(Replace(QStringLiteral("aa"), QStringLiteral("aaaa"), QStringLiteral("b"), 0), QStringLiteral("bb"));

    // Only a to z change: accented letters stay as typed.
    EXPECT_EQ(UpperCase(QStringLiteral("dimensão_1a")), QStringLiteral("DIMENSãO_1A"));

    EXPECT_TRUE(EmptyString(QString()));
    EXPECT_TRUE(EmptyString(QStringLiteral("   ")));
    EXPECT_FALSE(EmptyString(QStringLiteral("  x ")));

    EXPECT_EQ(Format(QStringLiteral("Campo \"%S\" inválido para a tabela \"%s\"."),
                     {QStringLiteral("CDX"), QStringLiteral("TAB")}),
              QStringLiteral("Campo \"CDX\" inválido para a tabela \"TAB\"."));
    EXPECT_EQ(Format(QStringLiteral("100%% de %s"), {QStringLiteral("nada")}), QStringLiteral("100% de nada"));
    EXPECT_THROW(Format(QStringLiteral("%s e %s"), {QStringLiteral("um")}), Exception);
}
