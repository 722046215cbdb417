// The scanner's index of keywords and signs: it finds exactly the word spelt, as the tables do.
#include <gtest/gtest.h>

#include "lexemes/Word.h"
#include "scanner/FixedWords.h"

TEST(FixedWords, FindsOnlyTheWordSpeltExactly) {
    Keyword write("write");
    Keyword whileWord("while");
    Delim less("<");
    Delim lessOrEqual("<=");
    FixedWords words;
    for (Word* word : {static_cast<Word*>(&write), static_cast<Word*>(&whileWord), static_cast<Word*>(&less),
                       static_cast<Word*>(&lessOrEqual)})
        words.add(word);
    EXPECT_EQ(words.find("write"), &write);
    EXPECT_EQ(words.find("while"), &whileWord);
    EXPECT_EQ(words.find("<"), &less);
    EXPECT_EQ(words.find("<="), &lessOrEqual);
    EXPECT_EQ(words.find("writ"), nullptr);
    EXPECT_EQ(words.find("writes"), nullptr);
    EXPECT_EQ(words.find("Write"), nullptr);
    EXPECT_EQ(words.find("v0"), nullptr);
    EXPECT_EQ(words.find(""), nullptr);
    EXPECT_EQ(words.find("\xff"), nullptr);  // a byte above 127 indexes in range
}

TEST(FixedWords, AWordAddedTwiceKeepsItsFirstLexeme) {
    Delim first("=");
    Delim second("=");
    Delim empty("");
    FixedWords words;
    words.add(&first);
    words.add(&second);
    words.add(&empty);
    EXPECT_EQ(words.find("="), &first);
    EXPECT_EQ(words.find(""), nullptr);
}
