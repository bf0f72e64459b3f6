// Two programs on the same files: a second window that saves the unit another window shows, and
// varnel-tool import running while a window saves. Neither may undo a change that was reported
// as made.
#include <QProcess>
#include <cstdio>
#include <map>
#include <optional>

#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

QString changedMessage(int unit) {
    return QStringLiteral(
               "Unit %1 was changed by another program after it was read: Read shows the stored "
               "unit; Save again to overwrite it with what you typed. Nothing was changed.")
        .arg(unit);
}

class Concurrency : public WindowTest {
  protected:
    void SetUp() override { writeUnits(10); }
    std::uint8_t byteOf(int unit, int offset) {
        return equipmentNow().at(static_cast<std::size_t>(2 + 73 * unit + offset));
    }
    // Reads unit in the window acted on, types value into control and clicks Save.
    void save(int unit, const char* control, const QString& value) {
        setText("NMBu", QString::number(unit));
        click("ReadM");
        setText(control, value);
        click("Command1");
    }
};

TEST_F(Concurrency, ASaveDoesNotUndoWhatAnotherWindowSavedSinceItsRead) {
    ASSERT_EQ(openAt("5"), QStringList{});  // window A shows unit 5
    const QString softA = text("Soft1");
    const auto windowB = newWindow();
    actOn(*windowB);
    ASSERT_EQ(openAt("5"), QStringList{});
    setText("Soft1", "201");
    setText("Hard1", "202");
    setText("NAMEu", "Changed in B");
    click("Command1");
    ASSERT_EQ(takeMessages(), QStringList{});
    const Bytes afterB = equipmentNow();
    const std::string namesAfterB = namesNow();

    // A types one field over what it showed: refused, nothing written, what A typed stays.
    actOn(window());
    setText("GD1", "77");
    click("Command1");
    EXPECT_EQ(takeMessages(), QStringList{changedMessage(5)});
    EXPECT_EQ(equipmentNow(), afterB);
    EXPECT_EQ(namesNow(), namesAfterB);
    EXPECT_EQ(text("GD1"), "77");
    EXPECT_EQ(text("Soft1"), softA);
    // The second Save overwrites B's values with what A shows.
    click("Command1");
    EXPECT_EQ(takeMessages(), QStringList{});
    EXPECT_EQ(byteOf(5, offset::grDef), 77);
    EXPECT_EQ(byteOf(5, offset::soft), softA.toInt());

    // B changes another unit: A's Save of unit 5 goes through and keeps B's change.
    actOn(*windowB);
    save(6, "Soft1", "55");
    ASSERT_EQ(takeMessages(), QStringList{});
    actOn(window());
    setText("GD1", "78");
    click("Command1");
    EXPECT_EQ(takeMessages(), QStringList{});
    EXPECT_EQ(byteOf(5, offset::grDef), 78);
    EXPECT_EQ(byteOf(6, offset::soft), 55);

    // A change of the name alone counts too.
    actOn(*windowB);
    save(5, "NAMEu", "Renamed in B");
    ASSERT_EQ(takeMessages(), QStringList{});
    const std::string renamed = namesNow();
    actOn(window());
    setText("Hard1", "79");
    click("Command1");
    EXPECT_EQ(takeMessages(), QStringList{changedMessage(5)});
    EXPECT_EQ(namesNow(), renamed);
    EXPECT_NE(byteOf(5, offset::hard), 79);
}

// In each round import changes unit 0 while the window saves unit 1..9 over and over until the
// import has ended. A Save that reported nothing must be on disk, unless a later one replaced it;
// an import that ended well must be too.
TEST_F(Concurrency, ImportRunningWhileTheWindowSavesLosesNothingReportedAsDone) {
    constexpr int kRounds = 100;
    const std::string csv = folder().file("units.csv");
    const std::string eqp = folder().file("Equip97.eqp");
    int nextValue = 0, written = 0, refused = 0, imported = 0, importRefused = 0;
    std::map<QString, int> refusals;  // by the first words of the message
    for (int round = 0; round < kRounds; ++round) {
        // The import replaces the file: the window opens it afresh each round.
        if (enabled("closeM"))
            click("closeM");
        const int unit = 1 + round % 9;
        const QStringList opened = openAt(QString::number(unit));
        ASSERT_TRUE(enabled("closeM")) << opened.join('\n').toStdString();
        const int hard = round % 200 + 1;
        writeFile(csv, "Unit,Hard\r\n0," + std::to_string(hard) + "\r\n");

        QProcess import;
        import.start(
            QStringLiteral(VARNEL_TOOL_PROGRAM),
            {QStringLiteral("import"), QString::fromStdString(csv), QString::fromStdString(eqp)});
        ASSERT_TRUE(import.waitForStarted());
        std::optional<int> lastWritten;
        do {
            const int value = nextValue++ % 250 + 1;
            setText("Soft1", QString::number(value));
            click("Command1");
            const QStringList said = takeMessages();
            if (said.isEmpty()) {
                lastWritten = value;
                ++written;
            } else {
                ++refused;
                ++refusals[said.first().left(60)];
            }
        } while (!import.waitForFinished(0));
        ASSERT_EQ(import.exitStatus(), QProcess::NormalExit);

        if (import.exitCode() == 0) {
            ++imported;
            EXPECT_EQ(byteOf(0, offset::hard), hard) << "round " << round << ": import lost";
        } else {
            ++importRefused;
            EXPECT_FALSE(import.readAllStandardError().isEmpty()) << "round " << round;
        }
        if (lastWritten) {
            EXPECT_EQ(byteOf(unit, offset::soft), *lastWritten)
                << "round " << round << ": a Save of unit " << unit << " was lost";
        }
    }
    std::printf(
        "%d rounds: %d Saves written, %d refused with a message; %d imports written, %d "
        "refused\n",
        kRounds, written, refused, imported, importRefused);
    for (const auto& [words, count] : refusals)
        std::printf("%6d x %s...\n", count, qPrintable(words));
}

}  // namespace
}  // namespace varnel::test
