// Random typing and clicking in the real window on a small equipment file made of the input (never
// Finish or Exit). Whatever is typed or clicked, nothing crashes, every command runs to its end,
// and the equipment file changes only where the command clicked may write: the fields Save writes
// of the unit saved, the whole target record of Replace, the header counter and the file's end for
// Create Unit. Input: the record count, the shape of the last record, the file's bytes, the shape
// of the name list and its bytes, then one action per byte.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <filesystem>

#include "commands/report.h"
#include "data/numbers.h"
#include "form/editor_window.h"
#include "fuzz_input.h"
#include "support/temp_folder.h"

namespace {

using namespace varnel;

constexpr const char* kFields[] = {"NMBu", "Text9", "NAMEu", "UNIT",  "NATION", "Soft1", "Hard1",
                                   "AA1",  "NA1",   "GD1",   "AD1",   "CD1",    "I1",    "R1",
                                   "S1",   "RM1",   "M1",    "F1",    "A1",     "CASH2", "DM1",
                                   "DY1",  "Text1", "Text2", "Text3", "Text4",  "Text5", "Text6"};
constexpr const char* kBoxes[] = {"SHIP", "CARRIER", "FORT", "AIR", "SEA", "ALF", "Freeze"};
constexpr const char* kButtons[] = {"open1", "closeM",   "ReadM",   "PREVu",    "NEXTu",
                                    "BACK",  "Command1", "CreateB", "Command2", "Command3"};
constexpr int kSaveFields[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 14, 17, 18,
                               19, 21, 26, 27, 30, 31, 32, 33, 34, 35, 39, 40, 41, 42, 43, 44};

QString typed(FuzzInput& input) {
    const std::uint8_t kind = input.byte();
    switch (kind % 4) {
        case 0:
            return QString::number(input.byte());
        case 1:
            return QString::number(input.byte() * 12 + kind / 4 % 12);
        case 2:
            return QString::fromLatin1(input.bytes(kind / 4 % 16));
        default:
            return QString::fromUtf8(input.bytes(kind / 4));
    }
}

// Which bytes of the file the click may change, and the length it may leave.
std::vector<bool> writable(const std::string& button, const test::Bytes& before,
                           std::optional<std::int64_t> unit, std::optional<std::int64_t> target,
                           std::size_t& grownLength) {
    const std::size_t length = before.size();
    grownLength = length;
    std::vector<bool> may(length + 2 * 73, false);
    const auto record = [&](std::int64_t n, int offset) { return 2 + 73 * n + offset; };
    if (button == "Command1" && unit && *unit >= 0) {
        for (const int offset : kSaveFields) {
            if (record(*unit, offset) < static_cast<std::int64_t>(length))
                may[record(*unit, offset)] = true;
        }
    } else if (button == "Command2" && target && *target >= 0) {
        for (int offset = 0;
             offset <= 70 && record(*target, offset) < static_cast<std::int64_t>(length);
             ++offset) {
            may[record(*target, offset)] = true;
        }
    } else if (button == "CreateB") {
        // The new unit's record starts after the last unit: over a fragment too short to be a
        // unit, or past a last record short by a byte or two, which it completes first.
        const std::size_t start = 2 + 73 * (length / 73);
        std::fill(may.begin(), may.begin() + 2, true);
        std::fill(may.begin() + std::min(start, length), may.end(), true);
        grownLength = start + 73;
    }
    return may;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_commands";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static const test::TempFolder folder;
    static const bool moved = QDir::setCurrent(QString::fromStdString(folder.path()));
    (void)application, (void)moved;
    static QStringList messages;
    static const bool verbose = std::getenv("FUZZ_VERBOSE") != nullptr;
    commands::setReportHandler([](commands::Severity, const QString& m) {
        messages << m;
        if (verbose)
            std::fprintf(stderr, "message: %s\n", qPrintable(m));
    });

    FuzzInput input(data, size);
    const int records = input.byte() % 5;
    const int shape = input.byte();
    const int tail = shape % 4 == 3 ? shape / 4 % 73 : shape % 4 == 0 ? 0 : 70 + shape % 4;
    test::Bytes equipment(2 + 73 * records + tail);
    for (auto& byte : equipment)
        byte = input.byte();
    const std::string path = folder.file("Equip97.eqp"), list = folder.file("Equip97.txt");
    const std::string temporary = folder.file("bck.TXT");
    std::filesystem::remove_all(list);
    std::filesystem::remove_all(temporary);
    test::writeFile(path, equipment);
    const int listShape = input.byte();
    if (listShape % 8 == 1) {
        std::filesystem::create_directory(list);
    } else if (listShape % 8 != 0) {
        test::writeFile(list, input.bytes(listShape));
        if (listShape % 8 == 2)
            std::filesystem::create_directory(temporary);
    }

    {
        form::EditorWindow window;
        const auto field = [&](const char* control) {
            return window.findChild<QLineEdit*>(control);
        };
        const auto usable = [&](QWidget* widget) {
            return widget->isEnabled() && widget->isVisibleTo(&window);
        };
        while (!input.empty()) {
            const std::uint8_t action = input.byte();
            if (action < 128) {
                QLineEdit* edited = field(kFields[action % std::size(kFields)]);
                const QString text = typed(input);
                if (usable(edited))
                    edited->setText(text);
            } else if (action < 150) {
                auto* box = window.findChild<QCheckBox*>(kBoxes[action % std::size(kBoxes)]);
                if (usable(box))
                    box->toggle();
            } else if (action < 160) {
                window.findChild<QAction*>("MPROF")->trigger();
            } else if (action < 165) {
                window.findChild<QAction*>("MTM")->trigger();
            } else {
                const std::string button = kButtons[action % std::size(kButtons)];
                auto* clicked = window.findChild<QAbstractButton*>(button.c_str());
                if (!usable(clicked))
                    continue;
                const test::Bytes before = test::readFile(path);
                const auto unit = data::wholeNumberFromText(field("NMBu")->text().toStdString());
                const auto target = data::wholeNumberFromText(field("Text9")->text().toStdString());
                std::size_t grown = 0;
                const std::vector<bool> may = writable(button, before, unit, target, grown);
                messages.clear();
                if (verbose)
                    std::fprintf(stderr, "click %s: NMBu \"%s\", Text9 \"%s\", %zu bytes\n",
                                 button.c_str(), qPrintable(field("NMBu")->text()),
                                 qPrintable(field("Text9")->text()), before.size());
                clicked->click();
                const test::Bytes after = test::readFile(path);
                require(after.size() == before.size() || after.size() == grown,
                        "the file's length");
                for (std::size_t i = 0; i < after.size(); ++i) {
                    require(i >= before.size() ? may[i] : after[i] == before[i] || may[i],
                            "a byte outside the fields of the command changed");
                }
                for (const QString& message : messages) {
                    require(!message.startsWith("The command stopped"),
                            "a command stopped half-way");
                }
                require(listShape % 8 == 2 || !std::filesystem::exists(temporary),
                        "no bck.TXT is left");
            }
        }
    }
    // No event loop runs here: what the window left for it, such as objects to delete, is dealt
    // with now, or it piles up from input to input.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    return 0;
}
