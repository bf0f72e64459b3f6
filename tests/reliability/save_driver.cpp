// save_driver FOLDER COMMAND FIRST COUNT
// Opens Equip97.eqp in FOLDER in the real window and runs COMMAND (save, create or replace) COUNT
// times with the values of round i = FIRST, FIRST + 1, ...: every value field i % 250 + 1, the
// cost 12 times that, the name "Kill i". Save and Create Unit take unit 5; Replace copies unit 7
// over unit 5. Prints "done i" after each command and every report as "message: ..."; exits 3 when
// a command reported anything. With VARNEL_KILL_AT_CALL=n the program kills itself in place of its
// n-th file system call after the file is open.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "commands/report.h"
#include "data/system_files.h"
#include "form/editor_window.h"

namespace {

using namespace varnel::data;

class KillingFiles final : public SystemFiles {
  public:
    explicit KillingFiles(long killAt) : killAt_(killAt), real_(installSystemFiles(this)) {}
    ~KillingFiles() override { installSystemFiles(real_); }

    SystemResult<int> open(const std::string& path, OpenMode mode) override {
        return tick(), real_->open(path, mode);
    }
    SystemResult<std::size_t> readAt(int h, void* b, std::size_t n, std::int64_t at) override {
        return tick(), real_->readAt(h, b, n, at);
    }
    SystemResult<std::size_t> writeAt(int h, const void* b, std::size_t n,
                                      std::int64_t at) override {
        return tick(), real_->writeAt(h, b, n, at);
    }
    SystemResult<FileStatus> status(int h) override { return tick(), real_->status(h); }
    SystemResult<FileStatus> statusOfPath(const std::string& p) override {
        return tick(), real_->statusOfPath(p);
    }
    SystemError syncToDisk(int h) override { return tick(), real_->syncToDisk(h); }
    SystemError close(int h) override { return tick(), real_->close(h); }
    SystemError rename(const std::string& a, const std::string& b) override {
        return tick(), real_->rename(a, b);
    }
    SystemError remove(const std::string& p) override { return tick(), real_->remove(p); }
    SystemError syncFolder(const std::string& f) override { return tick(), real_->syncFolder(f); }
    SystemResult<FileStatus> statusOfLink(const std::string& p) override {
        return tick(), real_->statusOfLink(p);
    }
    SystemResult<std::string> resolveLinks(const std::string& p) override {
        return tick(), real_->resolveLinks(p);
    }
    SystemResult<int> createNew(const std::string& p, std::uint32_t permissions) override {
        return tick(), real_->createNew(p, permissions);
    }
    SystemError setAccess(int h, const FileAccess& a) override {
        return tick(), real_->setAccess(h, a);
    }
    SystemError truncate(int h, std::int64_t n) override { return tick(), real_->truncate(h, n); }
    SystemError lockForWriting(int h) override { return tick(), real_->lockForWriting(h); }
    SystemError unlock(int h) override { return tick(), real_->unlock(h); }
    bool outputIsTerminal() override { return real_->outputIsTerminal(); }
    std::string currentFolder() override { return real_->currentFolder(); }
    char separator() const override { return real_->separator(); }
    bool isAbsolute(const std::string& p) const override { return real_->isAbsolute(p); }
    std::string describe(SystemError e) const override { return real_->describe(e); }

  private:
    void tick() {
        if (++calls_ == killAt_)
            std::raise(SIGKILL);
    }
    long killAt_;
    long calls_ = 0;
    SystemFiles* real_;
};

constexpr const char* kValueFields[] = {"Soft1", "Hard1", "AA1", "NA1", "GD1", "AD1", "CD1", "I1",
                                        "R1",    "S1",    "RM1", "M1",  "F1",  "A1",  "DM1", "DY1"};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: save_driver FOLDER save|create|replace FIRST COUNT\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    const QString command = QString::fromLatin1(argv[2]);
    const long first = std::atol(argv[3]), count = std::atol(argv[4]);

    bool reported = false;
    varnel::commands::setReportHandler([&](varnel::commands::Severity, const QString& message) {
        std::printf("message: %s\n", qPrintable(message));
        std::fflush(stdout);
        reported = true;
    });
    varnel::form::EditorWindow window;
    const auto field = [&](const char* name) { return window.findChild<QLineEdit*>(name); };
    const auto click = [&](const char* name) { window.findChild<QAbstractButton*>(name)->click(); };
    field("NMBu")->setText("5");
    click("open1");
    if (command == "replace")
        window.findChild<QAction*>("MPROF")->trigger();
    reported = false;  // what Open File says about the files counts for nothing

    std::optional<KillingFiles> killer;
    if (const char* at = std::getenv("VARNEL_KILL_AT_CALL"))
        killer.emplace(std::atol(at));
    for (long i = first; i < first + count; ++i) {
        const long value = i % 250 + 1;
        for (const char* name : kValueFields)
            field(name)->setText(QString::number(value));
        field("CASH2")->setText(QString::number(value * 12));
        field("NAMEu")->setText(QStringLiteral("Kill %1").arg(i));
        field("NMBu")->setText(command == "replace" ? "7" : "5");
        field("Text9")->setText("5");
        click(command == "replace" ? "Command2" : command == "create" ? "CreateB" : "Command1");
        std::printf("done %ld\n", i);
        std::fflush(stdout);
    }
    return reported ? 3 : 0;
}
