// The playground's output buffer: it keeps everything written up to its limit, refuses the rest
// (which fails the stream, and so ends the run), and hands new text on at once after a quiet
// spell, then at most once per interval.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "web/PageOutput.h"

TEST(PageOutput, StreamsAtOnceAfterAQuietSpellThenOncePerInterval) {
    PageOutput buffer;
    std::ostream out(&buffer);
    double now = 1000;
    std::vector<std::string> pieces;
    buffer.streamTo([&](std::string_view piece) { pieces.emplace_back(piece); }, [&] { return now; }, 50);

    out << "a";  // the first write goes at once
    now += 10;
    out << "b";
    now += 10;
    out << 'c';
    EXPECT_EQ(pieces, std::vector<std::string>{"a"});
    now += 40;  // 60 ms after "a": the next write takes everything since
    out << "d";
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "bcd"}));
    now += 1;
    out << "e";
    buffer.deliver();  // the run's end hands on the rest
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "bcd", "e"}));
    buffer.deliver();
    EXPECT_EQ(pieces.size(), 3U);
    EXPECT_EQ(buffer.text(), "abcde");
}

TEST(PageOutput, RefusesWhatPassesItsLimitAndTakesWritesAgainAfterATruncation) {
    PageOutput buffer(8);
    std::ostream out(&buffer);
    out << "12345";
    EXPECT_TRUE(out.good());
    out << "6789";
    EXPECT_TRUE(out.fail());
    EXPECT_TRUE(buffer.limitReached());
    EXPECT_EQ(buffer.text(), "12345678");
    out.clear();
    out << 'x';  // a single character past the limit is refused too
    EXPECT_TRUE(out.fail());

    buffer.truncate(5);  // a step undone
    out.clear();
    EXPECT_FALSE(buffer.limitReached());
    out << "ab";
    EXPECT_TRUE(out.good());
    EXPECT_EQ(buffer.text(), "12345ab");
}
