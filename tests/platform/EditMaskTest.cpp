#include "EditMask.h"

#include "Exceptions.h"

#include <gtest/gtest.h>

TEST(EditMask, CodeMaskStoresDigitsWithoutBlanks)
{
    const EditMask code("!99999;0; ");
    EXPECT_EQ(code.positions(), 5);
    EXPECT_EQ(code.toStored("12"), QString("12"));
    EXPECT_EQ(code.toStored("   12"), QString("12"));
    EXPECT_EQ(code.toStored("12   "), QString("12"));
    EXPECT_EQ(code.toStored("00012"), QString("00012"));
    EXPECT_EQ(code.toStored(""), QString(""));
    EXPECT_EQ(code.toStored("1 2"), QString("1 2"));
    EXPECT_FALSE(code.toStored("123456"));
    EXPECT_FALSE(code.toStored("12a"));
    EXPECT_FALSE(code.toStored("-1"));
    EXPECT_FALSE(code.toStored("١٢")); // digits of another script are no code digits
}

TEST(EditMask, PrefixesForTheCellEditor)
{
    const EditMask code("!99999;0; ");
    EXPECT_TRUE(code.acceptsPrefix(""));
    EXPECT_TRUE(code.acceptsPrefix("1234"));
    EXPECT_TRUE(code.acceptsPrefix("12345"));
    EXPECT_FALSE(code.acceptsPrefix("123456"));
    EXPECT_FALSE(code.acceptsPrefix("1x"));
}

TEST(EditMask, DisplayPutsStoredTextInItsPositions)
{
    const EditMask code("!99999;0; ");
    EXPECT_EQ(code.toDisplay("12"), "   12");
    EXPECT_EQ(code.toDisplay("12345"), "12345");
    EXPECT_EQ(code.toDisplay("1234567"), "1234567"); // never cut
    const EditMask date("00/00;1;_");
    EXPECT_EQ(date.toDisplay("12/05"), "12/05");
    EXPECT_EQ(date.toDisplay("1"), "1_/__");
}

TEST(EditMask, LiteralsRequiredPositionsAndSaveFlag)
{
    const EditMask saved("00-00;1;_");
    EXPECT_EQ(saved.positions(), 4);
    EXPECT_EQ(saved.toStored("12-34"), QString("12-34"));
    EXPECT_EQ(saved.toStored("1234"), QString("12-34"));
    EXPECT_FALSE(saved.toStored("12-3"));  // a required digit is missing
    EXPECT_FALSE(saved.toStored("12_34")); // a blank where a digit is required
    const EditMask plain("00-00;0;_");
    EXPECT_EQ(plain.toStored("12-34"), QString("1234"));
    EXPECT_TRUE(plain.acceptsPrefix("12-"));
    EXPECT_FALSE(plain.acceptsPrefix("12+"));
    const EditMask escaped("\\900;1;_");
    EXPECT_EQ(escaped.positions(), 2);
    EXPECT_EQ(escaped.toStored("12"), QString("912"));
}

TEST(EditMask, NoMaskPassesEverything)
{
    const EditMask none;
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(none.toStored(" x "), QString(" x "));
    EXPECT_EQ(none.toDisplay(" x "), " x ");
    EXPECT_TRUE(none.acceptsPrefix("anything"));
}

TEST(EditMask, UnreadableMasksAreRefused)
{
    EXPECT_THROW(EditMask("999;2;_"), EDatabaseError);
    EXPECT_THROW(EditMask("999;0;__"), EDatabaseError);
    EXPECT_THROW(EditMask(">LL;0;_"), EDatabaseError);
    EXPECT_THROW(EditMask("9\\"), EDatabaseError);
    EXPECT_THROW(EditMask("--;0;_"), EDatabaseError);
    EXPECT_THROW(EditMask("99;0"), EDatabaseError);
}
