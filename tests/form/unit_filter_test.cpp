// The unit table's filter: terms parsed against a small table of five units.

#include <gtest/gtest.h>

#include <QStringList>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "form/unit_filter.h"

namespace varnel::test {
namespace {

class Table : public form::FilterSource {
  public:
    int columnCount() const override { return static_cast<int>(labels.size()); }
    QString columnLabel(int column) const override { return labels[column]; }
    bool columnIsNumeric(int column) const override { return !(column >= 1 && column <= 4); }
    int nameColumn() const override { return 1; }
    std::int64_t number(int row, int column) const override {
        return rows[row].cells[column].toLongLong();
    }
    QString text(int row, int column) const override { return rows[row].cells[column]; }
    bool rowDiffers(int row) const override { return rows[row].differs; }

    struct Row {
        QStringList cells;
        bool differs;
    };
    const QStringList labels{"Unit", "Name",    "Unit Type", "Class", "Nationality",
                             "Soft", "Air Att", "Gr.Def",    "Cost"};
    std::vector<Row> rows{
        {{"1", "Tiger I", "Armour", "Tank", "Germany", "12", "0", "20", "300"}, false},
        {{"2", "King Tiger", "Armour", "Tank", "Germany", "14", "0", "24", "400"}, true},
        {{"12", "Sherman", "Armour", "Tank", "USA", "10", "0", "12", "150"}, false},
        {{"21", "Spitfire", "Air", "Fighter", "Britain", "4", "18", "6", "250"}, true},
        {{"30", "Rifles", "Foot", "Infantry", "USA", "-3", "1", "8", "60"}, false},
    };
};

// The names of the units the filter lets through, in table order, joined by commas.
std::string passing(const form::UnitFilter& filter, const Table& table) {
    QStringList names;
    for (int row = 0; row < static_cast<int>(table.rows.size()); ++row) {
        if (filter.accepts(table, row)) {
            names << table.rows[row].cells[1];
        }
    }
    return names.join(u',').toLatin1().toStdString();
}

const char* const kEveryone = "Tiger I,King Tiger,Sherman,Spitfire,Rifles";

TEST(UnitFilter, GoodTermsFilterTheRows) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        // Each operator on a numeric column; ":" looks for digits in the number.
        {"soft=12", "Tiger I"},
        {"soft!=12", "King Tiger,Sherman,Spitfire,Rifles"},
        {"soft<10", "Spitfire,Rifles"},
        {"soft<=10", "Sherman,Spitfire,Rifles"},
        {"soft>12", "King Tiger"},
        {"soft>=12", "Tiger I,King Tiger"},
        {"soft=-3", "Rifles"},
        {"unit:1", "Tiger I,Sherman,Spitfire"},
        // Each operator on a text column, in any case.
        {"class:AN", "Tiger I,King Tiger,Sherman,Rifles"},
        {"class=TANK", "Tiger I,King Tiger,Sherman"},
        {"class=tan", ""},
        {"class!=tank", "Spitfire,Rifles"},
        {"nationality<germany", "Spitfire"},
        {"nationality<=GERMANY", "Tiger I,King Tiger,Spitfire"},
        {"nationality>germany", "Sherman,Rifles"},
        {"nationality>=Germany", "Tiger I,King Tiger,Sherman,Rifles"},
        // Labels: exact, without blanks and dots, or a start only one header has.
        {"nation=usa", "Sherman,Rifles"},
        {"AIR.ATT>0", "Spitfire,Rifles"},
        {"grdef>=20", "Tiger I,King Tiger"},
        {"\"gr def\">=20", "Tiger I,King Tiger"},
        {"a>10", "Spitfire"},
        {"unit=12", "Sherman"},  // exact, although "Unit Type" starts so too
        {"unitt=air", "Spitfire"},
        // Quoted values keep their blanks; operators inside quotes are plain characters.
        {"name:\"Tiger I\"", "Tiger I"},
        {"\"king tiger\"", "King Tiger"},
        {"\"soft>5\"", ""},
        // Plain words look in the name; "changed" keeps the units that differ.
        {"TIGER", "Tiger I,King Tiger"},
        {"ChAnGeD", "King Tiger,Spitfire"},
        {"\"changed\"", ""},
        // Every term must hold; nothing typed lets everyone through.
        {"class=tank soft>=12", "Tiger I,King Tiger"},
        {" changed  tiger ", "King Tiger"},
        {"tiger sherman", ""},
        {"", kEveryone},
        {" \t ", kEveryone},
    };
    const Table table;
    for (const auto& [typed, passes] : cases) {
        SCOPED_TRACE(typed);
        const auto filter = form::UnitFilter::parse(QString::fromLatin1(typed), table);
        EXPECT_EQ(passing(filter, table), passes);
        EXPECT_EQ(filter.passesEverything(), std::string(passes) == kEveryone);
        EXPECT_TRUE(filter.problems().isEmpty()) << filter.problems().join(u'\n').toStdString();
    }
    EXPECT_EQ(passing(form::UnitFilter(), table), kEveryone);
}

TEST(UnitFilter, LettersBeyondAsciiMatchInAnyCase) {
    Table table;
    table.rows.push_back(
        {{"40", QString::fromLatin1("\xC9lan"), "Foot", "Infantry", "France", "2", "0", "5", "40"},
         false});
    for (const char* typed : {"\xE9LAN", "name=\xE9lan", "name:\xC9L"}) {
        SCOPED_TRACE(typed);
        const auto filter = form::UnitFilter::parse(QString::fromLatin1(typed), table);
        EXPECT_EQ(passing(filter, table), "\xC9lan");
    }
}

TEST(UnitFilter, BadTermsAreListedAndLeftOutWhileTheGoodOnesStillFilter) {
    const std::vector<std::pair<const char*, std::vector<const char*>>> cases = {
        {"soft>abc", {"soft>abc: ", "Soft takes a whole number", "soft>10"}},
        {"soft=1.5", {"soft=1.5: ", "Soft takes a whole number"}},
        {"cost=99999999999999999999", {"Cost takes a whole number"}},
        {"soft>", {"soft>: ", "nothing after >", "soft>10"}},
        {"name:", {"name:: ", "nothing after :"}},
        {">5", {">5: ", "no column before >"}},
        {"..>=5", {"..>=5: ", "no column before >="}},
        {"zz=1", {"zz=1: ", "no column is called zz", "Unit, Name", "Gr.Def, Cost"}},
        {"na:x", {"na:x: ", "could be Name or Nationality"}},
        {"u=1", {"u=1: ", "could be Unit or Unit Type"}},
    };
    const Table table;
    for (const auto& [typed, says] : cases) {
        SCOPED_TRACE(typed);
        const QString bad = QString::fromLatin1(typed);
        const auto alone = form::UnitFilter::parse(bad, table);
        EXPECT_EQ(passing(alone, table), kEveryone);
        EXPECT_EQ(alone.problems().size(), 1);

        const auto mixed = form::UnitFilter::parse("tiger " + bad + " soft>12 " + bad, table);
        EXPECT_EQ(passing(mixed, table), "King Tiger");
        ASSERT_EQ(mixed.problems().size(), 2);
        for (const QString& line : mixed.problems()) {
            EXPECT_FALSE(line.contains(u'\n'));
            for (const char* part : says) {
                EXPECT_TRUE(line.contains(QString::fromLatin1(part))) << line.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace varnel::test
