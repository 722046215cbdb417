// The check that lets a run lay out units one at a time: every label leads to a marker that
// starts a unit, or to one inside the label's own unit. It looks a marker's word up once per
// lexeme, so these programs reuse one marker lexeme and then break the rule after it.
#include <gtest/gtest.h>

#include "HandPoliz.h"
#include "fast/LazyUnits.h"

namespace {

bool labelsKeepToUnits(const Poliz& poliz) { return LazyUnits(poliz, false).labelsKeepToUnits(); }

// Two units that jump to one marker lexeme at the start of a third, and a chain end inside a
// unit that its own label leads to: what the translator makes.
struct Jumps {
    HandPoliz hp;
    Lex* marker = hp.poliz.store().make<Delim>("empty");
    int markerAt = 0;

    Jumps() {
        hp.unit();
        hp.emit({hp.label(4), "jump"});  // 0 1
        hp.unit();
        hp.emit({hp.label(4), "jump"});  // 2 3
        hp.unit();
        markerAt = hp.emit({marker});  // 4
        hp.unit();
        hp.emit({hp.n(1), "dup", hp.label(9), "jumpfalse", hp.n(0), marker});  // 5 .. 10, chain end at 10
        hp.emit({hp.n(1), "write"});
        hp.unit();
    }
};

}  // namespace

TEST(UnitLabels, LabelsToOneMarkerAndToTheirOwnUnitKeep) {
    Jumps j;
    j.hp.poliz[7] = j.hp.label(10);
    EXPECT_TRUE(labelsKeepToUnits(j.hp.poliz));
}

TEST(UnitLabels, ALabelToAnotherWordAfterAMarkerBreaks) {
    Jumps j;
    // 9 is the "0" before the chain end: a number, not a marker.
    EXPECT_FALSE(labelsKeepToUnits(j.hp.poliz));
    j.hp.poliz[7] = j.hp.label(8);  // "jumpfalse"
    EXPECT_FALSE(labelsKeepToUnits(j.hp.poliz));
    j.hp.poliz[7] = j.hp.label(10);
    EXPECT_TRUE(labelsKeepToUnits(j.hp.poliz));
}

TEST(UnitLabels, ALabelIntoAnotherUnitsMiddleBreaks) {
    Jumps j;
    j.hp.poliz[7] = j.hp.label(10);
    j.hp.poliz[2] = j.hp.label(10);  // the same marker lexeme, inside another unit
    EXPECT_FALSE(labelsKeepToUnits(j.hp.poliz));
}

TEST(UnitLabels, ALabelOutsideTheProgramBreaks) {
    for (int outside : {-1, 13}) {
        Jumps j;
        j.hp.poliz[7] = j.hp.label(10);
        ASSERT_EQ(j.hp.poliz.size(), 13);
        j.hp.poliz[2] = j.hp.label(outside);
        EXPECT_FALSE(labelsKeepToUnits(j.hp.poliz)) << outside;
    }
}

TEST(UnitLabels, ProgramsWithoutAUnitAtTheirStartDoNotKeep) {
    HandPoliz hp;
    hp.emit({hp.n(1), "write"});
    hp.unit();
    hp.emit({hp.n(2), "write"});
    EXPECT_FALSE(labelsKeepToUnits(hp.poliz));
}
